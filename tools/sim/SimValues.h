// Channel values as a module holds them in the first four bytes of a
// periphery. Written apart from the driver on purpose: the simulator is the
// gateway's side of the wire, so an encoding slip in the driver shows up as
// a mismatch instead of cancelling out.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zrsim {

using TBytes4 = std::array<uint8_t, 4>;

// Decimal real: 23-bit mantissa, sign in bit 7 of byte 2, decimal places in
// bits 0..6 of byte 3 (bit 7 of byte 3 marks an encoded number).
TBytes4 EncodeReal(double x);
double DecodeReal(const TBytes4& b);
// "12.50" -> mantissa 1250 with 2 places, exactly as written. False when the
// text is not a plain decimal number or the mantissa exceeds 8388607.
bool ParseRealText(std::string_view text, TBytes4& out);

TBytes4 EncodeInt(int32_t v);
int32_t DecodeInt(const TBytes4& b);

// Bit word: byte 0 holds bits 0..7.
TBytes4 EncodeBits(uint32_t word);
uint32_t DecodeBits(const TBytes4& b);
bool Bit(const TBytes4& b, unsigned n);  // false for n > 31

// Four characters, byte 0 first; shorter texts are padded with blanks.
TBytes4 EncodeText(std::string_view text);
std::string DecodeText(const TBytes4& b);

}  // namespace zrsim
