// The regional settings the logs, the window and the value texts follow:
// short date, long time, time separator and decimal separator, taken once
// from the environment (LC_TIME, LC_NUMERIC, LC_ALL, LANG). Without locale
// settings: day.month.year and 24-hour time with ':' and '.'.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Hodiny.h"

// A date or time pattern parsed once into numeric fields and literal text,
// so that formatting a time stamp is a few table steps and no locale call.
struct TVzorCasu {
    enum Druh : uint8_t { Text, Den, Mesic, Rok2, Rok4, Stoleti, Hodina24, Hodina12, Minuta, Sekunda, AmPm, AmPmMale };
    struct TPrvek {
        Druh Co = Text;
        char Vypln = 0;     // '0' or ' ' to pad numbers to two digits, 0 for none
        uint8_t Od = 0;     // literal text: offset and length in Literaly
        uint8_t Delka = 0;
    };
    static constexpr std::size_t MaxPrvku = 16;
    static constexpr std::size_t MaxLiteralu = 32;
    static constexpr std::size_t MaxZdroje = 48;

    TPrvek Prvky[MaxPrvku]{};
    uint8_t Pocet = 0;
    char Literaly[MaxLiteralu]{};
    uint8_t DelkaLiteralu = 0;
    // The pattern text this was compiled from: a changed field is noticed.
    char Zdroj[MaxZdroje]{};
    uint8_t DelkaZdroje = 0;
    bool Platny = false;

    std::string_view ZdrojovyText() const { return {Zdroj, DelkaZdroje}; }
};

// The RUN time stamp text of the last wall-clock second, reused by every
// line written within it (localtime_r takes a process-wide lock).
struct TPametSekundy {
    int64_t Sekunda = INT64_MIN;
    char Oddelovac = 0;
    char Text[24]{};
    uint8_t Delka = 0;
};

struct TLokalizace {
    TLokalizace();  // default formats, compiled

    // Numeric strftime patterns (for example "%d.%m.%Y", "%H:%M:%S"); only
    // %d %e %m %y %Y %C %H %k %I %l %M %S %p %P %% (flags - _ 0) and literal
    // text are honoured. After changing them call PripravVzory(); until
    // then each use parses the changed text again.
    std::string KratkeDatum = "%d.%m.%Y";
    std::string DlouhyCas = "%H:%M:%S";
    std::string Dopoledne = "AM";   // %p texts, code page 1250
    std::string Odpoledne = "PM";
    char OddelovacCasu = ':';
    char DesetinnyOddelovac = '.';

    TVzorCasu VzorDatumu;
    TVzorCasu VzorCasu;
    // Only touched under TData::ZamekLogu, by the RUN log writer.
    mutable TPametSekundy PametRun;
};

inline constexpr std::string_view VychoziDatum = "%d.%m.%Y";
inline constexpr std::string_view VychoziCas = "%H:%M:%S";

// Reads the formats of the environment's locale (newlocale + nl_langinfo_l).
TLokalizace NactiLokalizaci();

// Builds the settings from a locale's raw items (D_FMT, T_FMT, T_FMT_AMPM,
// AM_STR, PM_STR, RADIXCHAR in UTF-8 or ASCII): composite conversions are
// expanded, anything textual or not representable in code page 1250 falls
// back to the numeric default, texts are converted to code page 1250.
TLokalizace LocaleFromItems(std::string_view dFmt, std::string_view tFmt, std::string_view tFmtAmPm,
                            std::string_view am, std::string_view pm, std::string_view radix);

// Compiles KratkeDatum and DlouhyCas into VzorDatumu and VzorCasu.
void PripravVzory(TLokalizace& l);

// "short date" + " " + "long time" of a local time, code page 1250.
std::string DatumCas(const TLokalizace& l, const TCasLokalni& c);

// The same into a caller's buffer, no allocation; returns the length written
// (cut at the capacity).
std::size_t FormatDateTime(const TLokalizace& l, const TCasLokalni& c, char* cil, std::size_t kapacita);
