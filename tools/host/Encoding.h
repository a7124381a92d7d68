// Code page 1250 texts of the driver against the UTF-8 of the terminal and
// the command line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace host {

// Bytes the code page leaves undefined become U+FFFD.
std::string Cp1250ToUtf8(std::string_view cp);

// False when the text is not UTF-8 or holds a character the code page lacks;
// the driver would store a wrong character, so the host refuses the value.
bool Utf8ToCp1250(std::string_view utf8, std::string& cp);

// Columns a UTF-8 text takes on a terminal (one per character).
std::size_t Utf8Width(std::string_view utf8);

}  // namespace host
