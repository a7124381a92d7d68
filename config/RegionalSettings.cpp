#include "config/RegionalSettings.h"

#include <cstring>

#include "base/Cp1250.h"
#include "platform/Locale.h"

namespace {

// POSIX meaning of %r, used when the locale's own is unusable.
constexpr std::string_view PosixAmPmPattern = "%I:%M:%S %p";

// Replaces the composite conversions by their numeric pieces, one level
// deep; %r becomes the locale's 12-hour pattern.
std::string ExpandOnce(std::string_view pattern, std::string_view twelveHours) {
    std::string v;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 >= pattern.size()) {
            v += pattern[i];
            continue;
        }
        std::size_t j = i + 1;
        while (j < pattern.size() && std::strchr("-_0^#", pattern[j]) != nullptr) ++j;
        const char c = j < pattern.size() ? pattern[j] : '\0';
        std::string_view fallback;
        switch (c) {
            case 'D': fallback = "%m/%d/%y"; break;
            case 'F': fallback = "%Y-%m-%d"; break;
            case 'T': fallback = "%H:%M:%S"; break;
            case 'R': fallback = "%H:%M"; break;
            case 'r': fallback = twelveHours; break;
            default: break;
        }
        if (fallback.empty()) {
            v.append(pattern.substr(i, j + 1 - i));
        } else {
            v.append(fallback);
        }
        i = j;
    }
    return v;
}

// Two levels: the 12-hour pattern may itself use %T or %R.
std::string Expand(std::string_view pattern, std::string_view twelveHours) {
    return ExpandOnce(ExpandOnce(pattern, twelveHours), PosixAmPmPattern);
}

bool AddLiteral(TTimePattern& v, char z) {
    if (v.LiteralsLength >= TTimePattern::MaxLiterals) return false;
    if (v.Count == 0 || v.Pieces[v.Count - 1].Kind != TTimePattern::Text) {
        if (v.Count >= TTimePattern::MaxPieces) return false;
        v.Pieces[v.Count++] = {TTimePattern::Text, 0, v.LiteralsLength, 0};
    }
    v.Literals[v.LiteralsLength++] = z;
    ++v.Pieces[v.Count - 1].Length;
    return true;
}

bool AddField(TTimePattern& v, TTimePattern::TKind kind, char pad) {
    if (v.Count >= TTimePattern::MaxPieces) return false;
    v.Pieces[v.Count++] = {kind, pad, 0, 0};
    return true;
}

// One conversion letter: its field and default padding; false when the
// conversion is textual or not numeric in a way this formatter keeps.
bool ConversionField(char c, TTimePattern::TKind& kind, char& pad) {
    switch (c) {
        case 'd': kind = TTimePattern::Day; pad = '0'; return true;
        case 'e': kind = TTimePattern::Day; pad = ' '; return true;
        case 'm': kind = TTimePattern::Month; pad = '0'; return true;
        case 'y': kind = TTimePattern::Year2; pad = '0'; return true;
        case 'Y': kind = TTimePattern::Year4; pad = 0; return true;
        case 'C': kind = TTimePattern::Century; pad = '0'; return true;
        case 'H': kind = TTimePattern::Hour24; pad = '0'; return true;
        case 'k': kind = TTimePattern::Hour24; pad = ' '; return true;
        case 'I': kind = TTimePattern::Hour12; pad = '0'; return true;
        case 'l': kind = TTimePattern::Hour12; pad = ' '; return true;
        case 'M': kind = TTimePattern::Minute; pad = '0'; return true;
        case 'S': kind = TTimePattern::Second; pad = '0'; return true;
        case 'p': kind = TTimePattern::AmPm; pad = 0; return true;
        case 'P': kind = TTimePattern::AmPmLower; pad = 0; return true;
        default: return false;
    }
}

// Parses an expanded pattern; false on anything it does not honour.
bool ParsePattern(std::string_view pattern, TTimePattern& v) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            if (pattern[i] == '\n' || pattern[i] == '\r' || pattern[i] == '\t') return false;
            if (!AddLiteral(v, pattern[i])) return false;
            continue;
        }
        char flag = 0;
        while (i + 1 < pattern.size() && std::strchr("-_0^#", pattern[i + 1]) != nullptr) flag = pattern[++i];
        if (i + 1 >= pattern.size()) return false;
        const char c = pattern[++i];
        if (c == '%') {
            if (!AddLiteral(v, '%')) return false;
            continue;
        }
        TTimePattern::TKind kind;
        char pad;
        if (!ConversionField(c, kind, pad)) return false;
        if (flag == '-') pad = 0;
        if (flag == '_' && pad != 0) pad = ' ';
        if (flag == '0' && pad != 0) pad = '0';
        if (!AddField(v, kind, pad)) return false;
    }
    return v.Count > 0;
}

// Compiles a pattern; an unusable one compiles the default instead, while
// the source text is kept so the field is not compiled again.
TTimePattern CompilePattern(std::string_view pattern, std::string_view fallbackText) {
    TTimePattern v;
    const std::string expanded = Expand(pattern, PosixAmPmPattern);
    if (!ParsePattern(expanded, v)) {
        v = TTimePattern{};
        ParsePattern(fallbackText, v);
    }
    v.Valid = true;
    if (pattern.size() <= TTimePattern::MaxSource) {
        std::memcpy(v.Source, pattern.data(), pattern.size());
        v.SourceLength = static_cast<uint8_t>(pattern.size());
    } else {
        v.Valid = false;  // cannot be recognised later: parsed at each use
    }
    return v;
}

// Locale text in code page 1250; false when it cannot be represented.
bool ToCp1250Exact(std::string_view s, std::string& ven) { return cp1250::FromUtf8Exact(s, ven); }

bool UsesAmPm(const TTimePattern& v) {
    for (std::size_t i = 0; i < v.Count; ++i)
        if (v.Pieces[i].Kind == TTimePattern::AmPm || v.Pieces[i].Kind == TTimePattern::AmPmLower) return true;
    return false;
}

// The character right after the first hour field, else ':'.
char SeparatorAfter(const TTimePattern& v) {
    for (std::size_t i = 0; i + 1 < v.Count; ++i) {
        const auto kind = v.Pieces[i].Kind;
        if (kind != TTimePattern::Hour24 && kind != TTimePattern::Hour12) continue;
        const auto& next = v.Pieces[i + 1];
        return next.Kind == TTimePattern::Text ? v.Literals[next.Offset] : ':';
    }
    return ':';
}

// A numeric pattern of the locale, or the default when any part of it is
// textual, unknown or not representable.
std::string UsablePattern(std::string_view raw, std::string_view twelveHours, std::string_view fallbackText) {
    std::string cp;
    if (!ToCp1250Exact(raw, cp)) return std::string(fallbackText);
    const std::string expanded = Expand(cp, twelveHours);
    TTimePattern v;
    return ParsePattern(expanded, v) ? expanded : std::string(fallbackText);
}

std::size_t Add(char* target, std::size_t capacity, std::size_t n, std::string_view t) {
    const std::size_t k = t.size() < capacity - n ? t.size() : capacity - n;
    if (k != 0) std::memcpy(target + n, t.data(), k);  // an empty view may hold a null pointer
    return n + k;
}

std::size_t AddNumber(char* target, std::size_t capacity, std::size_t n, int hodnota, char pad) {
    char t[12];
    int k = 0;
    unsigned u = hodnota < 0 ? 0u - static_cast<unsigned>(hodnota) : static_cast<unsigned>(hodnota);
    do { t[11 - k++] = static_cast<char>('0' + u % 10); u /= 10; } while (u != 0 && k < 11);
    if (pad != 0 && k < 2) t[11 - k++] = pad;
    if (hodnota < 0 && k < 12) t[11 - k++] = '-';
    return Add(target, capacity, n, std::string_view(t + 12 - k, static_cast<std::size_t>(k)));
}

std::size_t AddAmPm(char* target, std::size_t capacity, std::size_t n, std::string_view t, bool lower) {
    const std::size_t start = n;
    n = Add(target, capacity, n, t);
    if (lower)
        for (std::size_t i = start; i < n; ++i)
            if (target[i] >= 'A' && target[i] <= 'Z') target[i] = static_cast<char>(target[i] - 'A' + 'a');
    return n;
}

std::size_t FormatPattern(const TRegionalSettings& l, const TTimePattern& v, const TLocalTime& c, char* target,
                          std::size_t capacity, std::size_t n) {
    for (std::size_t i = 0; i < v.Count; ++i) {
        const TTimePattern::TPiece& p = v.Pieces[i];
        const int h12 = c.Hour % 12 == 0 ? 12 : c.Hour % 12;
        const std::string_view ampm = c.Hour < 12 ? l.AmText : l.PmText;
        switch (p.Kind) {
            case TTimePattern::Text: n = Add(target, capacity, n, {v.Literals + p.Offset, p.Length}); break;
            case TTimePattern::Day: n = AddNumber(target, capacity, n, c.Day, p.Pad); break;
            case TTimePattern::Month: n = AddNumber(target, capacity, n, c.Month, p.Pad); break;
            case TTimePattern::Year2: n = AddNumber(target, capacity, n, ((c.Year % 100) + 100) % 100, p.Pad); break;
            case TTimePattern::Year4: n = AddNumber(target, capacity, n, c.Year, p.Pad); break;
            case TTimePattern::Century: n = AddNumber(target, capacity, n, c.Year / 100, p.Pad); break;
            case TTimePattern::Hour24: n = AddNumber(target, capacity, n, c.Hour, p.Pad); break;
            case TTimePattern::Hour12: n = AddNumber(target, capacity, n, h12, p.Pad); break;
            case TTimePattern::Minute: n = AddNumber(target, capacity, n, c.Minute, p.Pad); break;
            case TTimePattern::Second: n = AddNumber(target, capacity, n, c.Second, p.Pad); break;
            case TTimePattern::AmPm: n = AddAmPm(target, capacity, n, ampm, false); break;
            case TTimePattern::AmPmLower: n = AddAmPm(target, capacity, n, ampm, true); break;
        }
    }
    return n;
}

// The compiled pattern when it still belongs to the text, else a fresh one.
const TTimePattern& CurrentPattern(const TTimePattern& v, const std::string& source, std::string_view fallbackText,
                                   TTimePattern& scratch) {
    if (v.Valid && v.SourceText() == source) return v;
    scratch = CompilePattern(source, fallbackText);
    return scratch;
}

}  // namespace

TRegionalSettings::TRegionalSettings() { CompilePatterns(*this); }

void CompilePatterns(TRegionalSettings& l) {
    l.DatePattern = CompilePattern(l.ShortDate, DefaultDate);
    l.TimePattern = CompilePattern(l.LongTime, DefaultTime);
    l.RunSecond = TSecondCache{};
}

TRegionalSettings LocaleFromItems(std::string_view dFmt, std::string_view tFmt, std::string_view tFmtAmPm,
                            std::string_view am, std::string_view pm, std::string_view radix) {
    TRegionalSettings l;
    std::string twelve;
    if (!ToCp1250Exact(tFmtAmPm, twelve) || twelve.find("%r") != std::string::npos || twelve.empty())
        twelve = PosixAmPmPattern;
    l.ShortDate = UsablePattern(dFmt, twelve, DefaultDate);
    l.LongTime = UsablePattern(tFmt, twelve, DefaultTime);
    std::string a, p;
    const bool ampmOk = ToCp1250Exact(am, a) && ToCp1250Exact(pm, p);
    if (ampmOk) {
        l.AmText = a;
        l.PmText = p;
    }
    CompilePatterns(l);
    if (!ampmOk && UsesAmPm(l.TimePattern)) {  // 12-hour time without readable AM/PM texts
        l.LongTime = DefaultTime;
        CompilePatterns(l);
    }
    l.TimeSeparator = SeparatorAfter(l.TimePattern);
    std::string r;
    l.DecimalSeparator = ToCp1250Exact(radix, r) && r.size() == 1 ? r[0] : '.';
    return l;
}

TRegionalSettings ReadRegionalSettings() {
    const TLocaleItems i = ReadLocaleItems();
    TRegionalSettings l;
    if (i.TimeSet) l = LocaleFromItems(i.DateFormat, i.TimeFormat, i.AmPmFormat, i.Am, i.Pm, ".");
    if (i.NumbersSet) {
        std::string r;
        l.DecimalSeparator = ToCp1250Exact(i.Radix, r) && r.size() == 1 ? r[0] : '.';
    }
    return l;
}

std::size_t FormatDateTime(const TRegionalSettings& l, const TLocalTime& c, char* target, std::size_t capacity) {
    TTimePattern scratch;
    const TTimePattern& date = CurrentPattern(l.DatePattern, l.ShortDate, DefaultDate, scratch);
    std::size_t n = FormatPattern(l, date, c, target, capacity, 0);
    n = Add(target, capacity, n, " ");
    return FormatPattern(l, CurrentPattern(l.TimePattern, l.LongTime, DefaultTime, scratch), c, target, capacity, n);
}
