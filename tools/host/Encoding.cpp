#include "tools/host/Encoding.h"

#include "base/Cp1250.h"

namespace host {

std::string Cp1250ToUtf8(std::string_view cp) { return cp1250::ToUtf8(cp); }

bool Utf8ToCp1250(std::string_view utf8, std::string& cp) { return cp1250::FromUtf8Exact(utf8, cp); }

std::size_t Utf8Width(std::string_view utf8) {
    std::size_t n = 0;
    for (const char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace host
