// Texts of the status codes carried by channels, modules and interfaces, and
// of the main log's write results. All code page 1250.
#pragma once

#include <cstdint>
#include <string_view>

std::string_view StatusText(uint32_t kod);     // 0..26, "Neznámý kód" above
std::string_view LogResultText(uint32_t kod);  // 0..3
