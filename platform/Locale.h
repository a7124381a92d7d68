// The locale reader: the raw items of the environment's regional settings
// (LC_TIME, LC_NUMERIC, LC_ALL, LANG), as the system gives them.
#pragma once

#include <string>

struct TLocaleItems {
    bool TimeSet = false;     // LC_TIME is not the C/POSIX locale
    bool NumbersSet = false;  // LC_NUMERIC is not the C/POSIX locale
    std::string DateFormat;   // D_FMT
    std::string TimeFormat;   // T_FMT
    std::string AmPmFormat;   // T_FMT_AMPM
    std::string Am;           // AM_STR
    std::string Pm;           // PM_STR
    std::string Radix;        // RADIXCHAR
};

// Everything unset when the environment names no usable locale.
TLocaleItems ReadLocaleItems();
