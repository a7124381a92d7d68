// Packets as a gateway sends them, built by the test itself: the driver's
// decoder is checked against these, not against its own encoder.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

inline std::string Hex2(unsigned b) {
    char t[3];
    std::snprintf(t, sizeof t, "%02X", b & 0xFFu);
    return t;
}

inline std::string HexLe(uint32_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s += Hex2((v >> (8 * i)) & 0xFF);
    return s;
}

// Two's complement of the sum of the character codes.
inline std::string Checksum(std::string_view body) {
    unsigned s = 0;
    for (unsigned char c : body) s += c;
    return Hex2((256 - (s & 0xFF)) & 0xFF);
}

struct TBytes16 {
    uint8_t b[16] = {};
};

// An answer packet of a gateway, 68 characters plus the line end given.
inline std::string AnswerPacket(uint32_t id, uint8_t status, uint16_t rs, uint8_t answerByte, uint32_t stamp, uint8_t sr,
                         TBytes16 data = {}, std::string_view lineEnd = "\r\n") {
    std::string body = HexLe(id, 4) + Hex2(status) + HexLe(rs, 2) + Hex2(answerByte) + HexLe(stamp, 4) + Hex2(sr);
    for (uint8_t b : data.b) body += Hex2(b);
    return "[VUZIV2]" + body + Checksum(body) + std::string(lineEnd);
}
