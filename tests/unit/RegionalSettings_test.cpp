// Date and time patterns of the regional settings and their formatting.
#include <gtest/gtest.h>
#include <locale.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "base/Cp1250.h"
#include "config/RegionalSettings.h"
#include "support/TempDir.h"

#if defined(__SANITIZE_ADDRESS__)
#define RV_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RV_LSAN 1
#endif
#endif
#ifdef RV_LSAN
#include <sanitizer/lsan_interface.h>
#endif

namespace {

std::string DateTimeText(const TRegionalSettings& l, const TLocalTime& c) {
    char t[160];
    return std::string(t, FormatDateTime(l, c, t, sizeof t));
}

TLocalTime LocalTime(int year, int month, int day, int h, int m, int s) {
    TLocalTime c;
    c.Year = year;
    c.Month = month;
    c.Day = day;
    c.Hour = h;
    c.Minute = m;
    c.Second = s;
    return c;
}

const TLocalTime kAfternoon = LocalTime(2024, 2, 1, 15, 4, 5);
const TLocalTime kEarlyMorning = LocalTime(2009, 11, 23, 0, 30, 59);

TEST(RegionalSettings, DefaultsAreDayMonthYearAnd24Hours) {
    const TRegionalSettings l;
    EXPECT_EQ(l.ShortDate, "%d.%m.%Y");
    EXPECT_EQ(l.LongTime, "%H:%M:%S");
    EXPECT_EQ(l.TimeSeparator, ':');
    EXPECT_EQ(l.DecimalSeparator, '.');
    EXPECT_EQ(DateTimeText(l, kAfternoon), "01.02.2024 15:04:05");
    EXPECT_EQ(DateTimeText(l, kEarlyMorning), "23.11.2009 00:30:59");
}

// The locale's items (d_fmt, t_fmt, t_fmt_ampm, am_str, pm_str, radix) and
// what the settings make of them; an empty expectation is not checked.
struct TItems {
    const char* why = "";
    std::array<std::string_view, 6> items{};
    std::string_view shortDate{}, longTime{};
    char timeSeparator = 0, decimalSeparator = 0;
    std::string_view afternoon{}, morning{};  // kAfternoon and kEarlyMorning formatted
};

TEST(RegionalSettings, LocaleItemsBecomeNumericPatterns) {
    const TItems cases[] = {
        {.why = "Czech items keep unpadded fields and the comma",
         .items = {"%-d.%-m.%Y", "%H:%M:%S", "%I:%M:%S %p", "", "", ","},
         .shortDate = "%-d.%-m.%Y", .timeSeparator = ':', .decimalSeparator = ',', .afternoon = "1.2.2024 15:04:05"},
        {.why = "twelve-hour time through %r", .items = {"%m/%d/%Y", "%r", "%I:%M:%S %p", "AM", "PM", "."},
         .longTime = "%I:%M:%S %p", .afternoon = "02/01/2024 03:04:05 PM", .morning = "11/23/2009 12:30:59 AM"},
        {.why = "composite conversions become numeric pieces", .items = {"%D", "%T", "", "AM", "PM", "."},
         .shortDate = "%m/%d/%y", .longTime = "%H:%M:%S"},
        {.why = "composite conversions of ISO date and short time", .items = {"%F", "%R", "", "AM", "PM", "."},
         .afternoon = "2024-02-01 15:04"},
        {.why = "a textual month falls back to the numeric default", .items = {"%d %B %Y", "%X", "", "AM", "PM", "."},
         .shortDate = "%d.%m.%Y", .longTime = "%H:%M:%S"},
        {.why = "foreign literal text falls back to the numeric default",
         .items = {"%Y\xE5\xB9\xB4%m\xE6\x9C\x88%d\xE6\x97\xA5", "%H\xE6\x99\x82%M\xE5\x88\x86%S\xE7\xA7\x92", "",
                   "\xE5\x8D\x88\xE5\x89\x8D", "\xE5\x8D\x88\xE5\xBE\x8C", "."},
         .timeSeparator = ':', .afternoon = "01.02.2024 15:04:05"},
        {.why = "era and alternative digits fall back to the numeric default",
         .items = {"%Ey", "%OH:%OM", "", "AM", "PM", "."}, .afternoon = "01.02.2024 15:04:05"},
        // "上午"/"下午" have no code page 1250 form: %p would print nothing readable.
        {.why = "twelve-hour time without a readable AM/PM is replaced",
         .items = {"%Y/%m/%d", "%p %I:%M:%S", "", "\xE4\xB8\x8A\xE5\x8D\x88", "\xE4\xB8\x8B\xE5\x8D\x88", "."},
         .longTime = "%H:%M:%S", .afternoon = "2024/02/01 15:04:05"},
    };
    for (const TItems& c : cases) {
        SCOPED_TRACE(c.why);
        const auto& i = c.items;
        const TRegionalSettings l = LocaleFromItems(i[0], i[1], i[2], i[3], i[4], i[5]);
        if (!c.shortDate.empty()) { EXPECT_EQ(l.ShortDate, c.shortDate); }
        if (!c.longTime.empty()) { EXPECT_EQ(l.LongTime, c.longTime); }
        if (c.timeSeparator != 0) { EXPECT_EQ(l.TimeSeparator, c.timeSeparator); }
        if (c.decimalSeparator != 0) { EXPECT_EQ(l.DecimalSeparator, c.decimalSeparator); }
        if (!c.afternoon.empty()) { EXPECT_EQ(DateTimeText(l, kAfternoon), c.afternoon); }
        if (!c.morning.empty()) { EXPECT_EQ(DateTimeText(l, kEarlyMorning), c.morning); }
    }
}

TEST(RegionalSettings, TextsConvertToCp1250) {
    const TRegionalSettings l = LocaleFromItems("%d.%m.%Y", "%l.%M %p", "", "p\xC5\x99" "ed", "po", "\xD9\xAB");
    EXPECT_EQ(l.AmText, "před"_cp);
    EXPECT_EQ(l.DecimalSeparator, '.');  // Arabic decimal sign has no single CP1250 byte
    EXPECT_EQ(l.TimeSeparator, '.');
    EXPECT_EQ(DateTimeText(l, kEarlyMorning), "23.11.2009 12.30 p\xF8" "ed");
    EXPECT_EQ(DateTimeText(l, LocalTime(2009, 11, 23, 9, 5, 0)), "23.11.2009  9.05 p\xF8" "ed");
}

TEST(RegionalSettings, PaddingFlagsAndPercentLiteral) {
    TRegionalSettings l;
    l.ShortDate = "%e|%_m|%0e|%y|%C%%";
    l.LongTime = "%k:%-M:%P";
    CompilePatterns(l);
    EXPECT_EQ(DateTimeText(l, LocalTime(2005, 3, 7, 8, 9, 10)), " 7| 3|07|05|20%  8:9:am");
}

TEST(RegionalSettings, ChangedFieldIsHonouredEvenWithoutRecompiling) {
    TRegionalSettings l;
    l.ShortDate = "%Y-%m-%d";
    EXPECT_EQ(DateTimeText(l, kAfternoon), "2024-02-01 15:04:05");
    CompilePatterns(l);
    EXPECT_EQ(DateTimeText(l, kAfternoon), "2024-02-01 15:04:05");
}

TEST(RegionalSettings, FormatIntoSmallBufferIsCut) {
    const TRegionalSettings l;
    char b[5];
    EXPECT_EQ(FormatDateTime(l, kAfternoon, b, sizeof b), 5u);
    EXPECT_EQ(std::string(b, 5), "01.02");
}

// Sets an environment variable for one test and restores it afterwards.
class TEnvVariable {
public:
    TEnvVariable(const char* name, const std::string& hodnota) : name_(name) {
        const char* p = std::getenv(name);
        shouldHave_ = p != nullptr;
        if (shouldHave_) original_ = p;
        setenv(name, hodnota.c_str(), 1);
    }
    ~TEnvVariable() {
        if (shouldHave_) setenv(name_, original_.c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    bool shouldHave_ = false;
    std::string original_;
};

TEST(RegionalSettings, CLocaleGivesDefaults) {
    TEnvVariable lcAll("LC_ALL", "C");
    const TRegionalSettings l = ReadRegionalSettings();
    EXPECT_EQ(l.ShortDate, "%d.%m.%Y");
    EXPECT_EQ(l.LongTime, "%H:%M:%S");
    EXPECT_EQ(l.DecimalSeparator, '.');
}

TEST(RegionalSettings, MissingLocaleGivesDefaults) {
    TEnvVariable lcAll("LC_ALL", "xx_NOWHERE.UTF-8");
    const TRegionalSettings l = ReadRegionalSettings();
    EXPECT_EQ(l.ShortDate, "%d.%m.%Y");
    EXPECT_EQ(l.TimeSeparator, ':');
}

bool LocaleExists(const char* name) {
    const locale_t l = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0));
    if (l == static_cast<locale_t>(0)) return false;
    freelocale(l);
    return true;
}

TEST(RegionalSettings, CzechLocaleOfTheMachine) {
    // Uses the installed cs_CZ.UTF-8; without it, compiles one from the
    // system's locale sources into a private directory when possible.
    TTempDir addr;
    std::unique_ptr<TEnvVariable> locpath;
    if (!LocaleExists("cs_CZ.UTF-8")) {
        const std::string command = "localedef -i cs_CZ -f UTF-8 " + addr.Path() + "/cs_CZ.UTF-8 >/dev/null 2>&1";
        if (!std::filesystem::exists("/usr/share/i18n/locales/cs_CZ") || std::system(command.c_str()) != 0 ||
            !std::filesystem::exists(addr.Path() + "/cs_CZ.UTF-8/LC_TIME"))
            GTEST_SKIP() << "no cs_CZ.UTF-8 locale on this machine";
        locpath = std::make_unique<TEnvVariable>("LOCPATH", addr.Path());
    }
    TEnvVariable lcAll("LC_ALL", "cs_CZ.UTF-8");
#ifdef RV_LSAN
    __lsan::ScopedDisabler lsan;  // glibc's newlocale keeps its LOCPATH list
#endif
    const TRegionalSettings l = ReadRegionalSettings();
    EXPECT_EQ(l.DecimalSeparator, ',');
    EXPECT_EQ(l.TimeSeparator, ':');
    // Day, month, four-digit year with points; 24-hour time.
    EXPECT_TRUE(l.ShortDate == "%d.%m.%Y" || l.ShortDate == "%-d.%-m.%Y") << l.ShortDate;
    EXPECT_EQ(l.LongTime, "%H:%M:%S");
    const std::string t = DateTimeText(l, kAfternoon);
    EXPECT_TRUE(t == "1.2.2024 15:04:05" || t == "01.02.2024 15:04:05") << t;
}

}  // namespace
