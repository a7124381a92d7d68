// The driver's status texts, in code page 1250 as the driver shows them in
// its window, for any number a channel may report.
#pragma once

#include <cstdint>
#include <string_view>

namespace host {

// Texts of codes 0..26; "Neznámý kód" for any other value.
std::string_view StatusText(int64_t code);

}  // namespace host
