// The process environment, read-only.
#pragma once

#include <cstdlib>
#include <string_view>

// The value of an environment variable; empty when unset.
inline std::string_view EnvironmentValue(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? std::string_view(v) : std::string_view();
}
