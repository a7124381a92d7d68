#include "config/Cp1250.h"

namespace cp1250 {

bool JeUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        char32_t z = 0;
        const std::size_t d = DekodujUtf8(s.data(), s.size(), i, z);
        if (d == 0) return false;
        i += d;
    }
    return true;
}

std::string ZUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t z = 0;
        std::size_t d = DekodujUtf8(utf8.data(), utf8.size(), i, z);
        if (d == 0) { d = 1; z = U'?'; }
        const int b = BajtZnaku(z);
        out.push_back(static_cast<char>(b < 0 ? '?' : b));
        i += d;
    }
    return out;
}

std::string DoUtf8(std::string_view cp) {
    std::string out;
    out.reserve(cp.size() * 2);
    for (unsigned char b : cp) {
        char32_t z = ZnakBajtu(b);
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
