// Helpers shared by the exported functions.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "base/Cp1250.h"
#include "comm/Request.h"
#include "comm/Wake.h"
#include "config/Model.h"
#include "base/Text.h"

inline constexpr uint32_t InterfaceVersion = 196608;  // 0x00030000
inline constexpr std::string_view IdentificationText = "Ovladač ZR-6180 v.3.15"_cp;
static_assert(IdentificationText.size() == 22);

// Copies at most `limit` characters and a terminating zero; a null buffer or
// a negative limit writes nothing.
inline void CopyText(char* target, std::string_view text, int32_t limit) {
    if (target == nullptr || limit < 0) return;
    const std::size_t n = text.size() < static_cast<std::size_t>(limit) ? text.size() : static_cast<std::size_t>(limit);
    std::memcpy(target, text.data(), n);
    target[n] = '\0';
}

// Length of a host text, reading at most `max` bytes.
inline std::size_t HostTextLength(const char* t, std::size_t max) {
    if (t == nullptr) return 0;
    return strnlen(t, max);  // stops at the zero: never reads past a short text
}

inline TData* Instance(PData p) { return static_cast<TData*>(p); }

// The answer of a Finalized call: done or still running, and its status
// word (0 for a channel the driver serves, 3 for any other).
struct TFinalized {
    TBoolean Done = 1;
    int32_t Status = 3;

    static TFinalized Served(bool done) { return {static_cast<TBoolean>(done ? 1 : 0), 0}; }
    TBoolean Report(int32_t* status) const {
        if (status != nullptr) *status = Status;
        return Done;
    }
};

// A mark for the call-back thread: the request still runs, and the host
// hears of its end through a call-back.
inline TFinalized AwaitCallBack(TData& d, TKanal& k, uint32_t c) {
    MarkAwaitingNotice(k);
    WakeCallBack(d, static_cast<int>(c));
    return TFinalized::Served(false);
}

// What a Finalized call answers when its work raised an exception: done, and
// the status word of a channel the driver cannot serve.
inline TBoolean FinalizedAfterException(int32_t* status) { return TFinalized{}.Report(status); }
