// What the simulated gateways hold: per gateway a bus of modules, per module
// a status register and peripheries of 16 data bytes, and the faults that
// the gateway shows. Faults are plain data, applied by Exchange.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using TSimPeriphery = std::array<uint8_t, 16>;

// One way an exchange goes wrong; several members may be set at once.
struct TSimFault {
    bool drop = false;             // no answer at all
    uint32_t delayMs = 0;          // answer (and its extras) this much later
    bool wrongId = false;          // answer carries foreignId (0: the request's id + 1)
    uint32_t foreignId = 0;
    bool badChecksum = false;      // checksum off by one
    uint32_t shortLength = 0;      // answer cut to this many characters (0: whole)
    int status = -1;               // answer status byte instead of the gateway's own (-1: none)
    bool staleBefore = false;      // an old answer for another channel just before the real one
    bool staleAfter = false;       // ... just after it (waits in the driver's socket)
    uint32_t staleId = 0;          // channel of the stale answer (0: the request's id + 1)
    bool duplicate = false;        // the answer twice
    uint32_t times = 0;            // applies to this many exchanges, then heals (0: always)

    bool Empty() const;
    std::string Text() const;      // the same notation the plant file uses
};

struct TSimModule {
    uint8_t statusRegister = 0;
    uint8_t answerByte = 0;
    std::map<uint8_t, TSimPeriphery> peripheries;  // missing ones read as zeros
    std::optional<TSimFault> fault;
};

struct TSimRandomFaults {
    double probability = 0;        // per exchange, 0..1
    uint64_t seed = 1;
    std::vector<TSimFault> kinds;  // one of them, picked evenly, when the dice say so
};

struct TSimGateway {
    uint16_t port = 0;             // 0: any free port
    int absentStatus = -1;         // status for addresses without a module (-1: every address answers)
    std::map<uint8_t, TSimModule> modules;
    TSimRandomFaults random;
};

struct TSimPlant {
    std::vector<TSimGateway> gateways;
};

// The module at an address, created on first use.
TSimModule& ModuleAt(TSimGateway& g, uint8_t address);

namespace zrsim {
// A decimal or 0x-hexadecimal integer within lo..hi.
bool ParseInteger(std::string_view text, int64_t lo, int64_t hi, int64_t& out);
// Parses one fault token ("drop", "delay=50", "status=5", "times=2", ...)
// into f; false with a message in error otherwise.
bool ParseFaultToken(std::string_view token, TSimFault& f, std::string& error);
// Tokens separated by blanks or commas.
bool ParseFault(std::string_view text, TSimFault& f, std::string& error);
}  // namespace zrsim
