// The regional settings the logs, the window and the value texts follow:
// short date, long time, time separator and decimal separator, taken once
// from the environment (LC_TIME, LC_NUMERIC, LC_ALL, LANG). Without locale
// settings: day.month.year and 24-hour time with ':' and '.'.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Clock.h"

// A date or time pattern parsed once into numeric fields and literal text,
// so that formatting a time stamp is a few table steps and no locale call.
struct TTimePattern {
    enum TKind : uint8_t { Text, Day, Month, Year2, Year4, Century, Hour24, Hour12, Minute, Second, AmPm, AmPmLower };
    struct TPiece {
        TKind Kind = Text;
        char Pad = 0;     // '0' or ' ' to pad numbers to two digits, 0 for none
        uint8_t Offset = 0;     // literal text: offset and length in Literals
        uint8_t Length = 0;
    };
    static constexpr std::size_t MaxPieces = 16;
    static constexpr std::size_t MaxLiterals = 32;
    static constexpr std::size_t MaxSource = 48;

    TPiece Pieces[MaxPieces]{};
    uint8_t Count = 0;
    char Literals[MaxLiterals]{};
    uint8_t LiteralsLength = 0;
    // The pattern text this was compiled from: a changed field is noticed.
    char Source[MaxSource]{};
    uint8_t SourceLength = 0;
    bool Valid = false;

    std::string_view SourceText() const { return {Source, SourceLength}; }
};

// The RUN time stamp text of the last wall-clock second, reused by every
// line written within it (localtime_r takes a process-wide lock).
struct TSecondCache {
    int64_t Second = INT64_MIN;
    char Separator = 0;
    char Text[24]{};
    uint8_t Length = 0;
};

struct TRegionalSettings {
    TRegionalSettings();  // default formats, compiled

    // Numeric strftime patterns (for example "%d.%m.%Y", "%H:%M:%S"); only
    // %d %e %m %y %Y %C %H %k %I %l %M %S %p %P %% (flags - _ 0) and literal
    // text are honoured. After changing them call CompilePatterns(); until
    // then each use parses the changed text again.
    std::string ShortDate = "%d.%m.%Y";
    std::string LongTime = "%H:%M:%S";
    std::string AmText = "AM";   // %p texts, code page 1250
    std::string PmText = "PM";
    char TimeSeparator = ':';
    char DecimalSeparator = '.';

    TTimePattern DatePattern;
    TTimePattern TimePattern;
    // Only touched under TData::ZamekLogu, by the RUN log writer.
    mutable TSecondCache RunSecond;
};

inline constexpr std::string_view DefaultDate = "%d.%m.%Y";
inline constexpr std::string_view DefaultTime = "%H:%M:%S";

// Reads the formats of the environment's locale (newlocale + nl_langinfo_l).
TRegionalSettings ReadRegionalSettings();

// Builds the settings from a locale's raw items (D_FMT, T_FMT, T_FMT_AMPM,
// AM_STR, PM_STR, RADIXCHAR in UTF-8 or ASCII): composite conversions are
// expanded, anything textual or not representable in code page 1250 falls
// back to the numeric default, texts are converted to code page 1250.
TRegionalSettings LocaleFromItems(std::string_view dFmt, std::string_view tFmt, std::string_view tFmtAmPm,
                            std::string_view am, std::string_view pm, std::string_view radix);

// Compiles ShortDate and LongTime into DatePattern and TimePattern.
void CompilePatterns(TRegionalSettings& l);

// "short date" + " " + "long time" of a local time, code page 1250, into a
// caller's buffer, no allocation; returns the length written (cut at the
// capacity).
std::size_t FormatDateTime(const TRegionalSettings& l, const TLocalTime& c, char* target, std::size_t capacity);
