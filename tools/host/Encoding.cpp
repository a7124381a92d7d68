#include "tools/host/Encoding.h"

#include "base/Cp1250.h"

namespace host {
namespace {

void AppendUtf8(std::string& out, char32_t z) {
    if (z < 0x80) {
        out += static_cast<char>(z);
    } else if (z < 0x800) {
        out += static_cast<char>(0xC0 | (z >> 6));
        out += static_cast<char>(0x80 | (z & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (z >> 12));
        out += static_cast<char>(0x80 | ((z >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (z & 0x3F));
    }
}

}  // namespace

std::string Cp1250ToUtf8(std::string_view cp) {
    std::string out;
    out.reserve(cp.size() * 2);
    for (const char c : cp) {
        const char32_t z = cp1250::ZnakBajtu(static_cast<unsigned char>(c));
        AppendUtf8(out, z == 0 && c != 0 ? char32_t(0xFFFD) : z);
    }
    return out;
}

bool Utf8ToCp1250(std::string_view utf8, std::string& cp) {
    cp.clear();
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t z = 0;
        const std::size_t n = cp1250::DekodujUtf8(utf8.data(), utf8.size(), i, z);
        if (n == 0) return false;
        const int b = cp1250::BajtZnaku(z);
        if (b < 0) return false;
        cp += static_cast<char>(b);
        i += n;
    }
    return true;
}

std::size_t Utf8Width(std::string_view utf8) {
    std::size_t n = 0;
    for (const char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace host
