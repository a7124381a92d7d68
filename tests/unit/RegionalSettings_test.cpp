// Date and time patterns of the regional settings and their formatting.
#include <gtest/gtest.h>
#include <locale.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

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

TLocalTime LocalTime(int rok, int mesic, int den, int h, int m, int s) {
    TLocalTime c;
    c.Year = rok;
    c.Month = mesic;
    c.Day = den;
    c.Hour = h;
    c.Minute = m;
    c.Second = s;
    return c;
}

const TLocalTime kOdpoledne = LocalTime(2024, 2, 1, 15, 4, 5);
const TLocalTime kRano = LocalTime(2009, 11, 23, 0, 30, 59);

TEST(RegionalSettings, DefaultsAreDayMonthYearAnd24Hours) {
    const TRegionalSettings l;
    EXPECT_EQ(l.ShortDate, "%d.%m.%Y");
    EXPECT_EQ(l.LongTime, "%H:%M:%S");
    EXPECT_EQ(l.TimeSeparator, ':');
    EXPECT_EQ(l.DecimalSeparator, '.');
    EXPECT_EQ(DateTimeText(l, kOdpoledne), "01.02.2024 15:04:05");
    EXPECT_EQ(DateTimeText(l, kRano), "23.11.2009 00:30:59");
}

TEST(RegionalSettings, CzechItemsKeepUnpaddedFieldsAndComma) {
    const TRegionalSettings l = LocaleFromItems("%-d.%-m.%Y", "%H:%M:%S", "%I:%M:%S %p", "", "", ",");
    EXPECT_EQ(l.ShortDate, "%-d.%-m.%Y");
    EXPECT_EQ(l.DecimalSeparator, ',');
    EXPECT_EQ(l.TimeSeparator, ':');
    EXPECT_EQ(DateTimeText(l, kOdpoledne), "1.2.2024 15:04:05");
}

TEST(RegionalSettings, TwelveHourTimeThroughPercentR) {
    const TRegionalSettings l = LocaleFromItems("%m/%d/%Y", "%r", "%I:%M:%S %p", "AM", "PM", ".");
    EXPECT_EQ(l.LongTime, "%I:%M:%S %p");
    EXPECT_EQ(DateTimeText(l, kOdpoledne), "02/01/2024 03:04:05 PM");
    EXPECT_EQ(DateTimeText(l, kRano), "11/23/2009 12:30:59 AM");
}

TEST(RegionalSettings, CompositeConversionsBecomeNumericPieces) {
    const TRegionalSettings l = LocaleFromItems("%D", "%T", "", "AM", "PM", ".");
    EXPECT_EQ(l.ShortDate, "%m/%d/%y");
    EXPECT_EQ(l.LongTime, "%H:%M:%S");
    const TRegionalSettings f = LocaleFromItems("%F", "%R", "", "AM", "PM", ".");
    EXPECT_EQ(DateTimeText(f, kOdpoledne), "2024-02-01 15:04");
}

TEST(RegionalSettings, TextualOrForeignPatternsFallBackToNumericDefault) {
    const TRegionalSettings mesic = LocaleFromItems("%d %B %Y", "%X", "", "AM", "PM", ".");
    EXPECT_EQ(mesic.ShortDate, "%d.%m.%Y");
    EXPECT_EQ(mesic.LongTime, "%H:%M:%S");
    const TRegionalSettings japonsko =
        LocaleFromItems("%Y\xE5\xB9\xB4%m\xE6\x9C\x88%d\xE6\x97\xA5", "%H\xE6\x99\x82%M\xE5\x88\x86%S\xE7\xA7\x92", "",
                        "\xE5\x8D\x88\xE5\x89\x8D", "\xE5\x8D\x88\xE5\xBE\x8C", ".");
    EXPECT_EQ(DateTimeText(japonsko, kOdpoledne), "01.02.2024 15:04:05");
    EXPECT_EQ(japonsko.TimeSeparator, ':');
    const TRegionalSettings era = LocaleFromItems("%Ey", "%OH:%OM", "", "AM", "PM", ".");
    EXPECT_EQ(DateTimeText(era, kOdpoledne), "01.02.2024 15:04:05");
}

TEST(RegionalSettings, TwelveHourTimeWithoutReadableAmPmIsReplaced) {
    // "上午"/"下午" have no code page 1250 form: %p would print nothing readable.
    const TRegionalSettings l = LocaleFromItems("%Y/%m/%d", "%p %I:%M:%S", "", "\xE4\xB8\x8A\xE5\x8D\x88",
                                          "\xE4\xB8\x8B\xE5\x8D\x88", ".");
    EXPECT_EQ(l.LongTime, "%H:%M:%S");
    EXPECT_EQ(DateTimeText(l, kOdpoledne), "2024/02/01 15:04:05");
}

TEST(RegionalSettings, TextsConvertToCp1250) {
    const TRegionalSettings l = LocaleFromItems("%d.%m.%Y", "%l.%M %p", "", "p\xC5\x99" "ed", "po", "\xD9\xAB");
    EXPECT_EQ(l.AmText, "před"_cp);
    EXPECT_EQ(l.DecimalSeparator, '.');  // Arabic decimal sign has no single CP1250 byte
    EXPECT_EQ(l.TimeSeparator, '.');
    EXPECT_EQ(DateTimeText(l, kRano), "23.11.2009 12.30 p\xF8" "ed");
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
    EXPECT_EQ(DateTimeText(l, kOdpoledne), "2024-02-01 15:04:05");
    CompilePatterns(l);
    EXPECT_EQ(DateTimeText(l, kOdpoledne), "2024-02-01 15:04:05");
}

TEST(RegionalSettings, FormatIntoSmallBufferIsCut) {
    const TRegionalSettings l;
    char b[5];
    EXPECT_EQ(FormatDateTime(l, kOdpoledne, b, sizeof b), 5u);
    EXPECT_EQ(std::string(b, 5), "01.02");
}

// Sets an environment variable for one test and restores it afterwards.
class TEnvVariable {
public:
    TEnvVariable(const char* jmeno, const std::string& hodnota) : jmeno_(jmeno) {
        const char* p = std::getenv(jmeno);
        mela_ = p != nullptr;
        if (mela_) puvodni_ = p;
        setenv(jmeno, hodnota.c_str(), 1);
    }
    ~TEnvVariable() {
        if (mela_) setenv(jmeno_, puvodni_.c_str(), 1);
        else unsetenv(jmeno_);
    }

private:
    const char* jmeno_;
    bool mela_ = false;
    std::string puvodni_;
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

bool LocaleExists(const char* jmeno) {
    const locale_t l = newlocale(LC_ALL_MASK, jmeno, static_cast<locale_t>(0));
    if (l == static_cast<locale_t>(0)) return false;
    freelocale(l);
    return true;
}

TEST(RegionalSettings, CzechLocaleOfTheMachine) {
    // Uses the installed cs_CZ.UTF-8; without it, compiles one from the
    // system's locale sources into a private directory when possible.
    TTempDir adr;
    std::unique_ptr<TEnvVariable> locpath;
    if (!LocaleExists("cs_CZ.UTF-8")) {
        const std::string prikaz = "localedef -i cs_CZ -f UTF-8 " + adr.Path() + "/cs_CZ.UTF-8 >/dev/null 2>&1";
        if (!std::filesystem::exists("/usr/share/i18n/locales/cs_CZ") || std::system(prikaz.c_str()) != 0 ||
            !std::filesystem::exists(adr.Path() + "/cs_CZ.UTF-8/LC_TIME"))
            GTEST_SKIP() << "no cs_CZ.UTF-8 locale on this machine";
        locpath = std::make_unique<TEnvVariable>("LOCPATH", adr.Path());
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
    const std::string t = DateTimeText(l, kOdpoledne);
    EXPECT_TRUE(t == "1.2.2024 15:04:05" || t == "01.02.2024 15:04:05") << t;
}

}  // namespace
