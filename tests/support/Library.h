// The driver library loaded with dlopen, as a host loads it: the whole
// library or an exception.
#pragma once

#include <stdexcept>
#include <string>

#include "tools/common/DriverLibrary.h"

struct TLibrary : TDriverLibrary {
    explicit TLibrary(const char* file = RV_ZR6180_LIB) {
        std::string error;
        if (!Open(file, error)) throw std::runtime_error("dlopen: " + error);
        if (!missing.empty()) throw std::runtime_error(std::string(file) + ": missing exports " + MissingText());
    }
};
