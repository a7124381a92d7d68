// The gateway's side of the VUZIV2 packets: it checks requests strictly (a
// gateway that accepts a sloppy request would hide a driver fault) and
// builds answers with the exact layout.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zrsim {

inline constexpr std::string_view kTag = "[VUZIV2]";
inline constexpr size_t kRequestLength = 44;  // with CR LF
inline constexpr size_t kAnswerLength = 70;   // with CR LF

// The request and the answer as the wire carries them. These are not the
// driver's records (TOdpoved, TKopieRozhrani in comm/Packet.h) on purpose: the
// simulator includes no driver header, so each side reads the protocol on
// its own and the tests compare the two.
struct TRequest {
    uint32_t id = 0;  // the channel number
    uint8_t baudCode = 0;
    uint16_t serialTimeout = 0;
    uint8_t serialRetries = 0;
    uint8_t address = 0;
    uint8_t function = 0;
    uint8_t periphery = 0;
    uint8_t reserved = 0;
    std::array<uint8_t, 4> data{};
};

struct TAnswer {
    uint32_t id = 0;
    uint8_t status = 0;
    uint16_t serialTime = 0;
    uint8_t answerByte = 0;
    uint32_t timeStamp = 0;
    uint8_t statusRegister = 0;
    std::array<uint8_t, 16> data{};
};

std::string HexByte(uint8_t b);  // two upper-case digits

// Two's complement of the 8-bit sum of the character codes.
uint8_t Checksum(std::string_view chars);

// Empty on success, else why the request is ignored.
std::string ParseRequest(std::string_view text, TRequest& out);
std::string BuildRequest(const TRequest& q);  // for tests and the demo client
std::string BuildAnswer(const TAnswer& a);     // 70 characters, CR LF included
// Decodes an answer as the driver must (for tests): empty on success.
std::string ParseAnswer(std::string_view text, TAnswer& out);

// Serial time of one exchange for a baud code (the allowance table).
uint16_t SerialTimeMs(uint8_t baudCode);
bool ValidBaudCode(uint8_t baudCode);

}  // namespace zrsim
