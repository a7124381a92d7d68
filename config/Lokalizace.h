// The regional settings the logs, the window and the value texts follow:
// short date, long time, time separator and decimal separator, taken once
// from the environment (LC_TIME, LC_NUMERIC, LC_ALL, LANG). Without locale
// settings: day.month.year and 24-hour time with ':' and '.'.
#pragma once

#include <string>
#include <vector>

#include "config/Hodiny.h"

struct TLokalizace {
    // Numeric strftime patterns (for example "%d.%m.%Y", "%H:%M:%S"); only
    // %d %e %m %y %Y %H %I %M %S %p %% and literal text are honoured.
    std::string KratkeDatum = "%d.%m.%Y";
    std::string DlouhyCas = "%H:%M:%S";
    std::string Dopoledne = "AM";   // %p texts, code page 1250
    std::string Odpoledne = "PM";
    char OddelovacCasu = ':';
    char DesetinnyOddelovac = '.';
};

// Reads the formats of the environment's locale (newlocale + nl_langinfo_l).
TLokalizace NactiLokalizaci();

// "short date" + " " + "long time" of a local time, code page 1250.
std::string DatumCas(const TLokalizace& l, const TCasLokalni& c);
