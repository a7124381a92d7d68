// One exchange as a gateway serves it: the request acts on the addressed
// module, the answer is built, and a fault (if any) reshapes what is sent.
// No sockets here, so every fault kind is plain data in, datagrams out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/sim/Plant.h"
#include "tools/sim/SimPacket.h"

namespace zrsim {

// Status bytes the gateway itself answers with.
inline constexpr uint8_t kStatusBadBaud = 1;       // baud code outside the table
inline constexpr uint8_t kStatusBadFunction = 12;  // function other than 0, 1, 101

inline constexpr uint8_t kRead = 0;
inline constexpr uint8_t kWrite = 1;
inline constexpr uint8_t kResetStatus = 101;

struct TDatagram {
    std::string text;
    uint32_t delayMs = 0;
};

struct TExchange {
    TAnswer answer;                    // what the gateway meant to say
    std::string fault = "none";        // the fault applied, in plant-file notation
    std::vector<TDatagram> datagrams;  // what actually goes out, in order
};

// Deterministic dice for random faults (splitmix64).
class TDice {
public:
    explicit TDice(uint64_t seed = 1) : state_(seed) {}
    uint64_t Next();
    double Unit();  // 0 <= x < 1

private:
    uint64_t state_;
};

TExchange Serve(TSimGateway& g, TDice& dice, const TRequest& q, uint32_t timeStamp);

// The answer text with a fault applied; separate so tests can check it.
std::vector<TDatagram> Shape(const TAnswer& a, const TSimFault& f, uint32_t requestId);

}  // namespace zrsim
