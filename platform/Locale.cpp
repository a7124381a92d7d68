#include "platform/Locale.h"

#include <langinfo.h>
#include <locale.h>

#include <cstring>

namespace {

bool IsCName(const char* name) {
    if (name == nullptr || *name == '\0') return true;
    return std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 || std::strncmp(name, "C.", 2) == 0;
}

// Whether a category of the locale object is the C/POSIX one, which stands
// for "no regional settings" (its month/day/year date is not wanted).
bool IsCLocale(locale_t loc, int category) {
#ifdef _NL_LOCALE_NAME
    return IsCName(nl_langinfo_l(_NL_LOCALE_NAME(category), loc));
#else
    if (category == LC_NUMERIC) return std::strcmp(nl_langinfo_l(RADIXCHAR, loc), ".") == 0;
    return std::strcmp(nl_langinfo_l(D_FMT, loc), "%m/%d/%y") == 0 &&
           std::strcmp(nl_langinfo_l(T_FMT, loc), "%H:%M:%S") == 0;
#endif
}

}  // namespace

// newlocale + nl_langinfo_l: thread-safe, and the host's own locale stays.
TLocaleItems ReadLocaleItems() {
    TLocaleItems items;
    locale_t loc = newlocale(LC_TIME_MASK | LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0)) return items;
    items.TimeSet = !IsCLocale(loc, LC_TIME);
    items.NumbersSet = !IsCLocale(loc, LC_NUMERIC);
    if (items.TimeSet) {
        items.DateFormat = nl_langinfo_l(D_FMT, loc);
        items.TimeFormat = nl_langinfo_l(T_FMT, loc);
        items.AmPmFormat = nl_langinfo_l(T_FMT_AMPM, loc);
        items.Am = nl_langinfo_l(AM_STR, loc);
        items.Pm = nl_langinfo_l(PM_STR, loc);
    }
    if (items.NumbersSet) items.Radix = nl_langinfo_l(RADIXCHAR, loc);
    freelocale(loc);
    return items;
}
