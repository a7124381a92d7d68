#include "config/Values.h"

#include <charconv>
#include <cmath>

#include "config/ChannelKind.h"

namespace {

constexpr double MaxMantissa = 8388607.0;
constexpr std::array<uint8_t, 4> PositiveSaturation = {0xFF, 0xFF, 0x7F, 0x00};
constexpr std::array<uint8_t, 4> NegativeSaturation = {0xFF, 0xFF, 0xFF, 0x00};
constexpr std::size_t MaxTextLength = 20;
constexpr int SignificantDigits = 6;
constexpr int MaxDecimals = 6;

using TDataBytes = Atom<uint8_t>[16];

uint32_t Word32(const TDataBytes& b) {
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
           static_cast<uint32_t>(b[3]) << 24;
}

std::string IntText(int64_t v) {
    char t[24];
    const auto r = std::to_chars(t, t + sizeof t, v);
    return std::string(t, r.ptr);
}

double RealFromData(const TDataBytes& b) { return RealZBajtu(b[0], b[1], b[2], b[3]); }

// Decimal digits of a positive finite value: c[0].c[1]c[2]... x 10^Exponent.
// Rounding them ourselves makes exact decimal ties (123456.5) go away from
// zero rather than to even. Seventeen digits would identify the double but
// are already rounded: 10000.149999999999636 would read as the tie
// 10000.15000... and go up. A channel value lies at least 1e-23 (relative)
// from any tie at six decimals or fewer, so forty digits decide exactly.
struct TDigits {
    static constexpr int Size = 40;
    uint8_t c[Size] = {};
    int Exponent = 0;
};

TDigits SplitDigits(double v) {
    char t[TDigits::Size + 16];
    const auto r = std::to_chars(t, t + sizeof t, v, std::chars_format::scientific, TDigits::Size - 1);
    TDigits d;
    d.c[0] = static_cast<uint8_t>(t[0] - '0');
    for (int i = 1; i < TDigits::Size; ++i) d.c[i] = static_cast<uint8_t>(t[i + 1] - '0');
    const char* p = t + TDigits::Size + 2;  // past "d.", the digits and 'e'
    const bool negative = *p == '-';
    int e = 0;
    std::from_chars(p + 1, r.ptr, e);
    d.Exponent = negative ? -e : e;
    return d;
}

// Keeps the first n digits, rounding half away from zero; n <= 0 may round
// up to one unit at the kept position or down to nothing.
void RoundDigits(TDigits& d, int n) {
    if (n >= TDigits::Size) return;
    const bool up = n >= 0 && d.c[n] >= 5;
    for (int i = n < 0 ? 0 : n; i < TDigits::Size; ++i) d.c[i] = 0;
    if (!up) return;
    int i = n - 1;
    while (i >= 0 && d.c[i] == 9) d.c[i--] = 0;
    if (i >= 0) {
        ++d.c[i];
    } else {
        d.c[0] = 1;  // 9...9 carried over, or n == 0 rounded up to one unit
        ++d.Exponent;
    }
}

bool IsZero(const TDigits& d) {
    for (uint8_t c : d.c)
        if (c != 0) return false;
    return true;
}

char Digit(const TDigits& d, int i) { return static_cast<char>('0' + (i >= 0 && i < TDigits::Size ? d.c[i] : 0)); }

void AddExponent(std::string& s, const TDigits& d, char decimal) {
    s += Digit(d, 0);
    s += decimal;
    for (int i = 1; i < SignificantDigits; ++i) s += Digit(d, i);
    s += d.Exponent < 0 ? "E-" : "E+";
    const int e = d.Exponent < 0 ? -d.Exponent : d.Exponent;
    if (e < 10) s += '0';
    s += IntText(e);
}

void AddFixed(std::string& s, const TDigits& d, int decimals, char decimal) {
    if (d.Exponent < 0) s += '0';
    for (int i = 0; i <= d.Exponent; ++i) s += Digit(d, i);
    if (decimals == 0) return;
    s += decimal;
    for (int j = 1; j <= decimals; ++j) s += Digit(d, d.Exponent + j);
}

// Fixed point with `desetiny` decimals, rounded to at most six significant
// digits; exponent notation once the integer part needs more than six.
std::string RealText(double v, int decimals, char decimal) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
    if (v == 0) return "0";
    TDigits d = SplitDigits(std::fabs(v));
    const int n = d.Exponent + decimals + 1;
    RoundDigits(d, n < SignificantDigits ? n : SignificantDigits);
    std::string s;
    if (v < 0 && !IsZero(d)) s += '-';
    if (d.Exponent >= SignificantDigits) {
        AddExponent(s, d, decimal);
    } else {
        AddFixed(s, d, decimals, decimal);
    }
    return s;
}

int DecimalPlaces(uint8_t b3, double v) {
    if (v == 0) return 0;
    const int d = b3 & 0x7F;
    return d < MaxDecimals ? d : MaxDecimals;
}

std::string ChannelReal(const TDataBytes& b, char decimal) {
    const double v = RealFromData(b);
    return RealText(v, DecimalPlaces(b[3], v), decimal);
}

std::string ChannelText(const TDataBytes& b) {
    std::string s = "\"";
    for (int i = 0; i < 4; ++i) s += static_cast<char>(b[i].load());
    s += '"';
    return s;
}

std::string ValueText(uint32_t c, const TKanal& k, const TModul& m, char decimal) {
    switch (ChannelKind(c)) {
        case TChannelKind::StatusReset: return IntText(VystupCele(k));
        case TChannelKind::RealIn: return ChannelReal(k.DataCteni, decimal);
        case TChannelKind::IntIn: return IntText(VstupCele(k));
        case TChannelKind::BitIn: return VstupBit(k) ? "1" : "0";
        case TChannelKind::RealOut: return ChannelReal(k.DataZapis, decimal);
        case TChannelKind::IntOut: return IntText(VystupCele(k));
        case TChannelKind::BitOut: return BitSlova(m.Data, k.Subperiferie) ? "1" : "0";
        case TChannelKind::TextOut: return ChannelText(k.DataZapis);
        default: return {};
    }
}

}  // namespace

double RealZBajtu(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    double v = static_cast<double>((b2 & 0x7F) * 65536 + b1 * 256 + b0);
    if (b2 & 0x80) v = -v;
    // One division per decimal place: the stored values were produced this
    // way, and a single division by a power of ten can differ in the last bit.
    for (int i = 0; i < (b3 & 0x7F); ++i) v = v / 10;
    return v;
}

std::array<uint8_t, 4> RealNaBajty(double x) {
    if (std::isinf(x)) return x > 0 ? PositiveSaturation : NegativeSaturation;
    if (x > MaxMantissa) return PositiveSaturation;
    if (!(x >= -MaxMantissa)) return NegativeSaturation;  // NaN too
    if (std::fabs(x) < 0.00001) return {0, 0, 0, 0};

    const bool isNegative = x < 0;
    double y = std::fabs(x);
    int k = 0;
    do {
        y = y * 10;
        ++k;
    } while (!(y > MaxMantissa));
    y = y / 10;
    int e = 128 + (k - 1);
    // Truncated, never rounded up: the module takes seven digits as cut.
    uint32_t m = static_cast<uint32_t>(y);
    while (m % 10 == 0 && e > 128) {
        m /= 10;
        --e;
    }
    std::array<uint8_t, 4> b = {static_cast<uint8_t>(m & 0xFF), static_cast<uint8_t>((m >> 8) & 0xFF),
                                static_cast<uint8_t>((m >> 16) & 0xFF), static_cast<uint8_t>(e)};
    if (m > 16777215 || b[2] > 0x7F) b = PositiveSaturation;
    if (isNegative) b[2] = static_cast<uint8_t>(b[2] + 0x80);
    return b;
}

double VstupReal(const TKanal& k) { return RealFromData(k.DataCteni); }
int32_t VstupCele(const TKanal& k) { return static_cast<int32_t>(Word32(k.DataCteni)); }
int32_t VystupCele(const TKanal& k) { return static_cast<int32_t>(Word32(k.DataZapis)); }

uint8_t BitSlova(uint32_t word, uint32_t bit) { return bit < 32 ? static_cast<uint8_t>((word >> bit) & 1) : 0; }

uint8_t VstupBit(const TKanal& k) { return BitSlova(Word32(k.DataCteni), k.Subperiferie); }

std::string HodnotaKanaluText(uint32_t c, const TKanal& k, const TModul& m, char decimal) {
    std::string s = ValueText(c, k, m, decimal);
    if (s.size() > MaxTextLength) s.resize(MaxTextLength);
    return s;
}
