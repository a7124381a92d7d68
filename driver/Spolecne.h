// Helpers shared by the exported functions.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "base/Cp1250.h"
#include "config/Model.h"
#include "base/Radek.h"

inline constexpr uint32_t VerzeRozhrani = 196608;  // 0x00030000
inline constexpr std::string_view IdentifikacniText = "Ovladač ZR-6180 v.3.15"_cp;
static_assert(IdentifikacniText.size() == 22);

// Copies at most `limit` characters and a terminating zero; a null buffer or
// a negative limit writes nothing.
inline void KopirujText(char* cil, std::string_view text, int32_t limit) {
    if (cil == nullptr || limit < 0) return;
    const std::size_t n = text.size() < static_cast<std::size_t>(limit) ? text.size() : static_cast<std::size_t>(limit);
    std::memcpy(cil, text.data(), n);
    cil[n] = '\0';
}

// Length of a host text, reading at most `max` bytes.
inline std::size_t DelkaTextu(const char* t, std::size_t max) {
    if (t == nullptr) return 0;
    return strnlen(t, max);  // stops at the zero: never reads past a short text
}

inline TData* Instance(PData p) { return static_cast<TData*>(p); }

// What a Finalized call answers when its work raised an exception: done, and
// the status word of a channel the driver cannot serve.
inline TBoolean FinalizedAfterException(int32_t* status) {
    if (status != nullptr) *status = 3;
    return 1;
}
