#include "tools/sim/SimValues.h"

#include <cmath>
#include <cstdlib>

namespace zrsim {

namespace {

constexpr double kMaxMantissa = 8388607.0;
constexpr TBytes4 kPlusSaturation{0xFF, 0xFF, 0x7F, 0x00};
constexpr TBytes4 kMinusSaturation{0xFF, 0xFF, 0xFF, 0x00};

TBytes4 MantissaBytes(uint32_t m, uint8_t places, bool negative) {
    TBytes4 b{uint8_t(m & 0xFF), uint8_t((m >> 8) & 0xFF), uint8_t((m >> 16) & 0x7F), uint8_t(0x80 | places)};
    if (negative) b[2] |= 0x80;
    return b;
}

}  // namespace

TBytes4 EncodeReal(double x) {
    if (std::isinf(x)) return x > 0 ? kPlusSaturation : kMinusSaturation;
    if (x > kMaxMantissa) return kPlusSaturation;
    if (!(x >= -kMaxMantissa)) return kMinusSaturation;
    if (std::fabs(x) < 0.00001) return TBytes4{0, 0, 0, 0};
    const bool negative = x < 0;
    // Scale up past the mantissa range, then one step back: the largest
    // number of places that still fits, the rest cut off (never rounded).
    double y = std::fabs(x);
    int k = 0;
    do {
        y = y * 10.0;
        ++k;
    } while (!(y > kMaxMantissa));
    y = y / 10.0;
    int places = k - 1;
    auto m = static_cast<uint64_t>(y);
    while (m % 10 == 0 && places > 0) {
        m /= 10;
        --places;
    }
    if (m > 0x7FFFFF || places > 127) return kPlusSaturation;
    return MantissaBytes(static_cast<uint32_t>(m), static_cast<uint8_t>(places), negative);
}

double DecodeReal(const TBytes4& b) {
    double v = double((b[2] & 0x7F) * 65536 + b[1] * 256 + b[0]);
    if (b[2] & 0x80) v = -v;
    for (int i = 0; i < (b[3] & 0x7F); ++i) v = v / 10.0;
    return v;
}

bool ParseRealText(std::string_view text, TBytes4& out) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    uint64_t m = 0;
    int places = -1;  // -1 until the decimal point
    int digits = 0;
    for (char c : text) {
        if (c == '.' && places < 0) {
            places = 0;
            continue;
        }
        if (c < '0' || c > '9') return false;
        m = m * 10 + uint64_t(c - '0');
        if (m > 0x7FFFFF) return false;
        ++digits;
        if (places >= 0) ++places;
    }
    if (digits == 0 || places > 127) return false;
    out = MantissaBytes(static_cast<uint32_t>(m), static_cast<uint8_t>(places < 0 ? 0 : places), negative);
    return true;
}

TBytes4 EncodeInt(int32_t v) { return EncodeBits(static_cast<uint32_t>(v)); }

int32_t DecodeInt(const TBytes4& b) { return static_cast<int32_t>(DecodeBits(b)); }

TBytes4 EncodeBits(uint32_t w) {
    return TBytes4{uint8_t(w & 0xFF), uint8_t((w >> 8) & 0xFF), uint8_t((w >> 16) & 0xFF), uint8_t(w >> 24)};
}

uint32_t DecodeBits(const TBytes4& b) {
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

bool Bit(const TBytes4& b, unsigned n) { return n <= 31 && ((DecodeBits(b) >> n) & 1u) != 0; }

TBytes4 EncodeText(std::string_view text) {
    TBytes4 b{' ', ' ', ' ', ' '};
    for (size_t i = 0; i < 4 && i < text.size(); ++i) b[i] = static_cast<uint8_t>(text[i]);
    return b;
}

std::string DecodeText(const TBytes4& b) { return std::string(b.begin(), b.end()); }

}  // namespace zrsim
