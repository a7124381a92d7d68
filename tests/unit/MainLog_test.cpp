// The main log: line format, result codes, and the RunInfo file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <regex>
#include <string>

#include "base/Cp1250.h"
#include "config/MainLog.h"
#include "config/Model.h"
#include "support/Seams.h"
#include "support/TempDir.h"

namespace {

// 2024-03-05 14:07:09.045 UTC; the test expects whatever local time it is.
constexpr int64_t kTime = 1709647629045;

std::string Ocekavane(int64_t ms) {
    const TLocalTime c = LocalTimeOf(ms);
    char t[64];
    std::snprintf(t, sizeof t, "[%02d.%02d.%04d %02d:%02d:%02d] ", c.Day, c.Month, c.Year, c.Hour, c.Minute,
                  c.Second);
    return t;
}

class MainLog : public ::testing::Test {
protected:
    void SetUp() override {
        clock.SetRealMs(kTime);
        clock.Freeze(0);
        d->Clock = &clock;
        d->Regional = TRegionalSettings{};
        d->Cfg.LogPovolen = 1;
        d->Cfg.LogNazev = "Rv_zr6180.log";
        d->Cfg.LogAdresar = addr.Path() + "/";
    }
    std::string Log() const { return ReadFile(addr / "Rv_zr6180.log"); }

    TTempDir addr;
    TTestClock clock;
    std::unique_ptr<TData> d = std::make_unique<TData>();
};

TEST_F(MainLog, OffTouchesNothingEvenWithoutDirectory) {
    d->Cfg.LogPovolen = 0;
    d->Cfg.LogAdresar = addr.Path() + "/chybi/";
    EXPECT_EQ(ZapisDoLogu(d.get(), d->Cfg, "x"), 0);
    EXPECT_FALSE(FileExists(addr / "chybi"));
}

TEST_F(MainLog, LinesWithAndWithoutNumber) {
    EXPECT_EQ(ZapisDoLogu(d.get(), d->Cfg, "Ovladač odinstalován."_cp), 0);
    clock.SetRealMs(kTime + 61'000);
    EXPECT_EQ(ZapisDoLogu(d.get(), d->Cfg, "GetInput - chybný datový typ kanálu "_cp, 1500u), 0);
    EXPECT_EQ(Log(), Ocekavane(kTime) + "Ovlada\xE8 odinstalov\xE1n.\r\n" + Ocekavane(kTime + 61'000) +
                         "GetInput - chybn\xFD datov\xFD typ kan\xE1lu 1500\r\n");
}

TEST_F(MainLog, AppendsToAnExistingFile) {
    WriteFile(addr / "Rv_zr6180.log", "stary\r\n");
    EXPECT_EQ(ZapisDoLogu(d.get(), d->Cfg, "novy"), 0);
    EXPECT_EQ(Log(), "stary\r\n" + Ocekavane(kTime) + "novy\r\n");
}

TEST_F(MainLog, FollowsTheInstanceLocale) {
    d->Regional = LocaleFromItems("%Y-%m-%d", "%I.%M.%S %p", "", "dop.", "odp.", ",");
    EXPECT_EQ(ZapisDoLogu(d.get(), d->Cfg, "x"), 0);
    const TLocalTime c = LocalTimeOf(kTime);
    char t[64];
    std::snprintf(t, sizeof t, "[%04d-%02d-%02d %02d.%02d.%02d %s] x\r\n", c.Year, c.Month, c.Day,
                  c.Hour % 12 == 0 ? 12 : c.Hour % 12, c.Minute, c.Second, c.Hour < 12 ? "dop." : "odp.");
    EXPECT_EQ(Log(), t);
}

TEST_F(MainLog, WithoutInstanceUsesSystemClockAndDefaultFormats) {
    EXPECT_EQ(ZapisDoLogu(nullptr, d->Cfg, "bez instance ", 7u), 0);
    EXPECT_TRUE(std::regex_match(Log(), std::regex(R"(\[\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\] bez instance 7\r\n)")))
        << Log();
}

TEST_F(MainLog, CustomFileName) {
    d->Cfg.LogNazev = "jiny.log";
    EXPECT_EQ(ZapisDoLogu(d.get(), d->Cfg, "x"), 0);
    EXPECT_EQ(ReadFile(addr / "jiny.log"), Ocekavane(kTime) + "x\r\n");
}

TEST_F(MainLog, ExistingEntryThatCannotBeOpenedGives1) {
    ASSERT_EQ(mkdir((addr / "Rv_zr6180.log").c_str(), 0755), 0);
    EXPECT_EQ(ZapisDoLogu(d.get(), d->Cfg, "x"), 1);
    d->Cfg.LogNazev = "smycka.log";  // a symbolic link to itself
    ASSERT_EQ(symlink("smycka.log", (addr / "smycka.log").c_str()), 0);
    EXPECT_EQ(ZapisDoLogu(d.get(), d->Cfg, "x"), 1);
}

TEST_F(MainLog, FileThatCannotBeCreatedGives2) {
    d->Cfg.LogAdresar = addr.Path() + "/chybi/";
    EXPECT_EQ(ZapisDoLogu(d.get(), d->Cfg, "x"), 2);
    EXPECT_FALSE(FileExists(addr / "chybi"));
}

TEST_F(MainLog, ReadOnlyDirectoryGives2) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
    ASSERT_EQ(mkdir((addr / "ro").c_str(), 0555), 0);
    d->Cfg.LogAdresar = addr / "ro/";
    EXPECT_EQ(ZapisDoLogu(d.get(), d->Cfg, "x"), 2);
}

TEST_F(MainLog, WriteFailureGives3) {
    ASSERT_EQ(symlink("/dev/full", (addr / "Rv_zr6180.log").c_str()), 0);
    EXPECT_EQ(ZapisDoLogu(d.get(), d->Cfg, "x"), 3);
    EXPECT_EQ(ZapisDoLogu(d.get(), d->Cfg, "x", 5u), 3);
}

TEST_F(MainLog, LongMessageIsWrittenWhole) {
    const std::string longText(10000, 'a');
    EXPECT_EQ(ZapisDoLogu(d.get(), d->Cfg, longText), 0);
    EXPECT_EQ(Log(), Ocekavane(kTime) + longText + "\r\n");
}

// ---- RunInfo ----

class RunInfo : public MainLog {
protected:
    std::string RunInfoText() const { return ReadFile(addr / "Rv_zr6180RunInfo.txt"); }
    void Obsah(const std::string& s) { WriteFile(addr / "Rv_zr6180RunInfo.txt", s); }
};

TEST_F(RunInfo, MissingFileGives1AndIsWritten) {
    d->Cfg.RunCislo = 9;
    CtiRunInfo(d->Cfg);
    EXPECT_EQ(d->Cfg.RunCislo, 1);
    EXPECT_EQ(RunInfoText(), "1\r\n");
}

TEST_F(RunInfo, StoredNumberIsTakenUnlimited) {
    Obsah("7\r\n");
    CtiRunInfo(d->Cfg);
    EXPECT_EQ(d->Cfg.RunCislo, 7);
    EXPECT_EQ(RunInfoText(), "7\r\n");
    Obsah(" 12 \r\nsmeti");
    CtiRunInfo(d->Cfg);
    EXPECT_EQ(d->Cfg.RunCislo, 12);
    Obsah("-3");
    CtiRunInfo(d->Cfg);
    EXPECT_EQ(d->Cfg.RunCislo, -3);
}

TEST_F(RunInfo, EmptyOrNonNumericFirstLineIsRewrittenWith1) {
    for (const char* content : {"", "\r\n5\r\n", "abc\r\n", "12x\r\n", "99999999999\r\n", "+\r\n"}) {
        Obsah(content);
        d->Cfg.RunCislo = 4;
        CtiRunInfo(d->Cfg);
        EXPECT_EQ(d->Cfg.RunCislo, 1) << content;
        EXPECT_EQ(RunInfoText(), "1\r\n") << content;
    }
}

TEST_F(RunInfo, MissingDirectoryCostsNothing) {
    d->Cfg.LogAdresar = addr.Path() + "/chybi/";
    CtiRunInfo(d->Cfg);
    EXPECT_EQ(d->Cfg.RunCislo, 1);
    EXPECT_FALSE(FileExists(addr / "chybi"));
}

TEST_F(RunInfo, WriteReplacesTheWholeFile) {
    Obsah("123456\r\nzbytek\r\n");
    d->Cfg.RunCislo = 2;
    ZapisRunInfo(d->Cfg);
    EXPECT_EQ(RunInfoText(), "2\r\n");
}

}  // namespace
