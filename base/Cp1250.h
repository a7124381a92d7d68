// Code page 1250, the encoding of every text the driver stores, logs and
// exchanges with the host. Sources are UTF-8; literals are converted once at
// compile time with the _cp suffix: "Ovladač odinstalován."_cp.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace cp1250 {

// Unicode code point of each byte 0x80..0xFF; 0 where the code page has none.
inline constexpr char16_t UpperHalf[128] = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0000, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,};

// Byte for a code point, or -1 when the code page cannot represent it.
constexpr int ByteOfChar(char32_t z) {
    if (z < 0x80) return static_cast<int>(z);
    for (int i = 0; i < 128; ++i)
        if (UpperHalf[i] != 0 && UpperHalf[i] == z) return 0x80 + i;
    return -1;
}

constexpr char32_t CharOfByte(unsigned char b) {
    return b < 0x80 ? char32_t(b) : char32_t(UpperHalf[b - 0x80]);
}

// Decodes one UTF-8 sequence at s[i]; returns its length, 0 when malformed.
constexpr std::size_t DecodeUtf8(const char* s, std::size_t n, std::size_t i, char32_t& z) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    std::size_t length = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (length == 0 || i + length > n) return 0;
    if (length == 1) { z = c; return 1; }
    char32_t v = c & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        v = (v << 6) | (b(i + k) & 0x3F);
    }
    constexpr char32_t smallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (v < smallest[length] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
    z = v;
    return length;
}

template <std::size_t N>
struct Utf8Literal {
    char u[N]{};
    consteval Utf8Literal(const char (&s)[N]) {
        for (std::size_t i = 0; i < N; ++i) u[i] = s[i];
    }
};

template <std::size_t N>
struct Text {
    char s[N]{};
    std::size_t n = 0;
};

template <std::size_t N>
consteval Text<N> Convert(const Utf8Literal<N>& l) {
    Text<N> t;
    std::size_t i = 0;
    while (i + 1 < N) {  // the last byte is the literal's zero
        char32_t z = 0;
        const std::size_t d = DecodeUtf8(l.u, N - 1, i, z);
        if (d == 0) throw "malformed UTF-8 in a literal";
        const int b = ByteOfChar(z);
        if (b < 0) throw "character outside code page 1250";
        t.s[t.n++] = static_cast<char>(b);
        i += d;
    }
    return t;
}

template <Utf8Literal L>
inline constexpr Text<sizeof(L.u)> Hodnota = Convert(L);

// Runtime conversions (parameter files written in UTF-8, the window's toolkit).

// Unmappable characters and malformed bytes become '?'.
inline std::string FromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t z = 0;
        std::size_t d = DecodeUtf8(utf8.data(), utf8.size(), i, z);
        if (d == 0) { d = 1; z = U'?'; }
        const int b = ByteOfChar(z);
        out.push_back(static_cast<char>(b < 0 ? '?' : b));
        i += d;
    }
    return out;
}

// The exact conversion: false when the text is not UTF-8 or holds a
// character the code page lacks.
inline bool FromUtf8Exact(std::string_view utf8, std::string& cp) {
    cp.clear();
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t z = 0;
        const std::size_t n = DecodeUtf8(utf8.data(), utf8.size(), i, z);
        if (n == 0) return false;
        const int b = ByteOfChar(z);
        if (b < 0) return false;
        cp += static_cast<char>(b);
        i += n;
    }
    return true;
}

// Undefined bytes become U+FFFD.
inline std::string ToUtf8(std::string_view cp) {
    std::string out;
    out.reserve(cp.size() * 2);
    for (unsigned char b : cp) {
        char32_t z = CharOfByte(b);
        if (z == 0 && b != 0) z = 0xFFFD;
        if (z < 0x80) {
            out.push_back(static_cast<char>(z));
        } else if (z < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (z >> 6)));
            out.push_back(static_cast<char>(0x80 | (z & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (z >> 12)));
            out.push_back(static_cast<char>(0x80 | ((z >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (z & 0x3F)));
        }
    }
    return out;
}

}  // namespace cp1250

template <cp1250::Utf8Literal L>
constexpr std::string_view operator""_cp() {
    return {cp1250::Hodnota<L>.s, cp1250::Hodnota<L>.n};
}
