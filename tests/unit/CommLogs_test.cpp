// The communication logs: RUN, Err, interface and call-back lines, file
// names and rotation.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "comm/CommLogs.h"
#include "base/Cp1250.h"
#include "config/MainLog.h"
#include "config/Model.h"
#include "support/Seams.h"
#include "support/TempDir.h"
#include "support/Text.h"

namespace {

constexpr int64_t kTime = 1709647629045;  // 2024-03-05 14:07:09.045 UTC
constexpr off_t kFull = 2'560'128;

// "dd.mm.yy hh:nn:ss.zzz" with the given time separator.
std::string RunStamp(int64_t ms, char o = ':') {
    const TLocalTime c = LocalTimeOf(ms);
    char t[64];
    std::snprintf(t, sizeof t, "%02d.%02d.%02d %02d%c%02d%c%02d.%03d", c.Day, c.Month, c.Year % 100, c.Hour, o,
                  c.Minute, o, c.Second, c.Millisecond);
    return t;
}

// "[" short date " " long time " " tick "] " with the default formats.
std::string Stamp(int64_t ms, uint32_t tick) {
    const TLocalTime c = LocalTimeOf(ms);
    char t[80];
    std::snprintf(t, sizeof t, "[%02d.%02d.%04d %02d:%02d:%02d %u] ", c.Day, c.Month, c.Year, c.Hour, c.Minute,
                  c.Second, tick);
    return t;
}

std::string Nazev(const char* start, int rozhrani, int64_t ms) {
    const TLocalTime c = LocalTimeOf(ms);
    char t[80];
    std::snprintf(t, sizeof t, "%s%d_%04d_%02d_%02d.log", start, rozhrani, c.Year, c.Month, c.Day);
    return t;
}

// A last line without CR LF is marked, so that a comparison shows it.
std::vector<std::string> LogLines(const std::string& text) { return Lines(text, "<no CR LF>"); }

class CommLogs : public ::testing::Test {
protected:
    void SetUp() override {
        clock.SetRealMs(kTime);
        clock.Freeze(4000000000u);
        d->Clock = &clock;
        d->Regional = TRegionalSettings{};
        TCFG& c = d->Cfg;
        c.LogAdresar = addr.Path() + "/";
        c.RunPovolen = 1;
        c.RunPocet = 3;
        c.RunCislo = 1;
        c.ErrCislo = 1;
    }
    std::string PathOf(const std::string& name) const { return ReadFile(addr / name); }
    void SetSize(const std::string& name, off_t n) {
        const int fd = open((addr / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, n), 0);
        close(fd);
    }
    off_t SizeOf(const std::string& name) const {
        const int fd = open((addr / name).c_str(), O_RDONLY);
        if (fd < 0) return -1;
        const off_t n = lseek(fd, 0, SEEK_END);
        close(fd);
        return n;
    }
    std::string Run(int n) const {
        char t[32];
        std::snprintf(t, sizeof t, "Rv_zr6180Run%03d.log", n);
        return PathOf(t);
    }

    TTempDir addr;
    TTestClock clock;
    std::unique_ptr<TData> d = std::make_unique<TData>();
};

// ---- RUN ----

TEST_F(CommLogs, RunLineWithAllFields) {
    ZapisRun(d.get(), "IR  0", 100, 1, 2, "detail   ");
    ZapisRun(d.get(), "KOM 2", 6099, 16, 0, "x");
    EXPECT_EQ(Run(1), "00000000 [" + RunStamp(kTime) + "] IR  0, K=100,  R=1,  S=2, detail\r\n" +
                          "00000001 [" + RunStamp(kTime) + "] KOM 2, K=6099, R=16, S=0, x\r\n");
    EXPECT_EQ(d->PocitadloRadku, 2);
}

TEST_F(CommLogs, RunFieldsLeftOutAndCut) {
    ZapisRun(d.get(), "DisDri 0");
    ZapisRun(d.get(), "CB  1", NoField, NoField, NoField, "jen text");
    ZapisRun(d.get(), "A", 123456789, -5, NoField, "");
    ZapisRun(d.get(), "B", NoField, 12345, -1, "   ");
    const auto r = LogLines(Run(1));
    ASSERT_EQ(r.size(), 4u);
    const std::string z = "] ";
    EXPECT_EQ(r[0].substr(r[0].find(z) + 2), "DisDri 0,");
    EXPECT_EQ(r[1].substr(r[1].find(z) + 2), "CB  1, jen text");
    EXPECT_EQ(r[2].substr(r[2].find(z) + 2), "A, K=123456R=-5,");
    EXPECT_EQ(r[3].substr(r[3].find(z) + 2), "B, R=1234S=-1,");
}

TEST_F(CommLogs, RunSequenceIsEightUpperCaseHexDigits) {
    d->PocitadloRadku = 0xABCDEF;
    ZapisRun(d.get(), "X");
    d->PocitadloRadku = -1;
    ZapisRun(d.get(), "Y");
    const auto r = LogLines(Run(1));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].substr(0, 10), "00ABCDEF [");
    EXPECT_EQ(r[1].substr(0, 10), "FFFFFFFF [");
    EXPECT_EQ(d->PocitadloRadku, 0);
}

TEST_F(CommLogs, RunStampUsesTimeSeparatorAndMilliseconds) {
    d->Regional = LocaleFromItems("%d.%m.%Y", "%H.%M.%S", "", "", "", ",");
    ASSERT_EQ(d->Regional.TimeSeparator, '.');
    ZapisRun(d.get(), "X");
    clock.SetRealMs(kTime + 7);  // same second: the cached part is reused
    ZapisRun(d.get(), "Y");
    clock.SetRealMs(kTime + 86'400'000 + 3'600'000 + 999);
    ZapisRun(d.get(), "Z");
    const auto r = LogLines(Run(1));
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0], "00000000 [" + RunStamp(kTime, '.') + "] X,");
    EXPECT_EQ(r[1], "00000001 [" + RunStamp(kTime + 7, '.') + "] Y,");
    EXPECT_EQ(r[2], "00000002 [" + RunStamp(kTime + 86'400'000 + 3'600'000 + 999, '.') + "] Z,");
    d->Regional = TRegionalSettings{};
    clock.SetRealMs(kTime + 86'400'000 + 3'600'000 + 5);
    ZapisRun(d.get(), "W");
    EXPECT_EQ(LogLines(Run(1)).at(3), "00000003 [" + RunStamp(kTime + 86'400'000 + 3'600'000 + 5, ':') + "] W,");
}

TEST_F(CommLogs, RunOffWritesNothingButCounts) {
    d->Cfg.RunPovolen = 0;
    d->Cfg.RunCislo = 7;
    ZapisRun(d.get(), "X", 100);
    ZapisRun(d.get(), "Y");
    EXPECT_EQ(d->PocitadloRadku, 2);
    EXPECT_FALSE(FileExists(addr / "Rv_zr6180Run001.log"));
    EXPECT_FALSE(FileExists(addr / "Rv_zr6180Run007.log"));
    EXPECT_FALSE(FileExists(addr / "Rv_zr6180RunInfo.txt"));
}

TEST_F(CommLogs, NullInstanceIsIgnored) {
    ZapisRun(nullptr, "X");
    ZapisErr(nullptr, "X", 1);
    ZapisLogRozhrani(nullptr, 1, "X");
    ZapisCB(nullptr, "X");
    SUCCEED();
}

TEST_F(CommLogs, RunFileJustBelowTheLimitTakesTheLine) {
    SetSize("Rv_zr6180Run001.log", kFull - 1);
    ZapisRun(d.get(), "X");
    EXPECT_GT(SizeOf("Rv_zr6180Run001.log"), kFull - 1);
    EXPECT_FALSE(FileExists(addr / "Rv_zr6180Run002.log"));
    EXPECT_EQ(d->Cfg.RunCislo, 1);
}

TEST_F(CommLogs, RunFilesCycleOverRunPocetAndAreEmptiedOnEntry) {
    CtiRunInfo(d->Cfg);
    WriteFile(addr / "Rv_zr6180Run002.log", "stary obsah\r\n");
    SetSize("Rv_zr6180Run001.log", kFull);
    ZapisRun(d.get(), "A");
    EXPECT_EQ(d->Cfg.RunCislo, 2);
    EXPECT_EQ(PathOf("Rv_zr6180RunInfo.txt"), "2\r\n");
    EXPECT_EQ(Run(2), "00000000 [" + RunStamp(kTime) + "] A,\r\n");
    EXPECT_EQ(SizeOf("Rv_zr6180Run001.log"), kFull);

    SetSize("Rv_zr6180Run002.log", kFull);
    ZapisRun(d.get(), "B");
    EXPECT_EQ(d->Cfg.RunCislo, 3);
    EXPECT_EQ(LogLines(Run(3)).size(), 1u);

    SetSize("Rv_zr6180Run003.log", kFull + 500);
    ZapisRun(d.get(), "C");
    EXPECT_EQ(d->Cfg.RunCislo, 1);
    EXPECT_EQ(PathOf("Rv_zr6180RunInfo.txt"), "1\r\n");
    EXPECT_EQ(Run(1), "00000002 [" + RunStamp(kTime) + "] C,\r\n");
    EXPECT_FALSE(FileExists(addr / "Rv_zr6180Run004.log"));
}

TEST_F(CommLogs, RunPocetZeroUsesOnlyFile001AndRewritesRunInfo) {
    d->Cfg.RunPocet = 0;
    d->Cfg.RunCislo = 5;
    ZapisRun(d.get(), "A");
    EXPECT_EQ(d->Cfg.RunCislo, 1);
    EXPECT_EQ(PathOf("Rv_zr6180RunInfo.txt"), "1\r\n");
    ASSERT_EQ(unlink((addr / "Rv_zr6180RunInfo.txt").c_str()), 0);
    ZapisRun(d.get(), "B");
    EXPECT_EQ(PathOf("Rv_zr6180RunInfo.txt"), "1\r\n");  // every line resets and rewrites
    EXPECT_EQ(LogLines(Run(1)).size(), 2u);
    SetSize("Rv_zr6180Run001.log", kFull);
    ZapisRun(d.get(), "C");
    EXPECT_EQ(LogLines(Run(1)).size(), 1u);
    EXPECT_FALSE(FileExists(addr / "Rv_zr6180Run002.log"));
}

TEST_F(CommLogs, StoredNumberOutsideRangeIsResetByTheFirstLine) {
    WriteFile(addr / "Rv_zr6180RunInfo.txt", "7\r\n");
    CtiRunInfo(d->Cfg);
    EXPECT_EQ(d->Cfg.RunCislo, 7);
    ZapisRun(d.get(), "A");
    EXPECT_EQ(d->Cfg.RunCislo, 1);
    EXPECT_EQ(PathOf("Rv_zr6180RunInfo.txt"), "1\r\n");
    EXPECT_EQ(LogLines(Run(1)).size(), 1u);
    EXPECT_FALSE(FileExists(addr / "Rv_zr6180Run007.log"));
}

TEST_F(CommLogs, RunNumbersAboveNinehundredNinetyNineUseAllDigits) {
    d->Cfg.RunPocet = 2000;
    d->Cfg.RunCislo = 1234;
    ZapisRun(d.get(), "A");
    d->Cfg.RunCislo = 12;
    ZapisRun(d.get(), "B");
    EXPECT_TRUE(FileExists(addr / "Rv_zr6180Run1234.log"));
    EXPECT_TRUE(FileExists(addr / "Rv_zr6180Run012.log"));
}

TEST_F(CommLogs, RunMissingDirectoryIsSwallowed) {
    d->Cfg.LogAdresar = addr.Path() + "/chybi/";
    ZapisRun(d.get(), "A");
    EXPECT_EQ(d->PocitadloRadku, 1);
    EXPECT_FALSE(FileExists(addr / "chybi"));
}

TEST_F(CommLogs, RunLinesFromManyThreadsAreCompleteAndInOrder) {
    d->Cfg.RunPocet = 99;
    constexpr int kThreads = 4;
    constexpr int kLines = 1500;
    std::vector<std::thread> threadList;
    for (int v = 0; v < kThreads; ++v)
        threadList.emplace_back([this, v] {
            for (int i = 0; i < kLines; ++i) ZapisRun(d.get(), "KOM 2", 100 + i, v + 1, 2, "vlakno");
        });
    for (auto& t : threadList) t.join();
    const auto r = LogLines(Run(1));
    ASSERT_EQ(r.size(), static_cast<std::size_t>(kThreads * kLines));
    const std::regex shape(R"(([0-9A-F]{8}) \[[0-9.: ]{21}\] KOM 2, K=\d{3,4}, *R=\d,  S=2, vlakno)");
    for (std::size_t i = 0; i < r.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(r[i], m, shape)) << r[i];
        ASSERT_EQ(std::stoul(m[1].str(), nullptr, 16), i);
    }
}

// ---- Err ----

TEST_F(CommLogs, ErrLineWithAndWithoutNumber) {
    ZapisErr(d.get(), "Neočekávaná zpráva \"[VUZIV2]00\", Ch="_cp, 150);
    clock.Freeze(5);
    ZapisErr(d.get(), "bez cisla");
    EXPECT_EQ(PathOf("Rv_zr6180Err1.log"), Stamp(kTime, 4000000000u) +
                                                "Neo\xE8" "ek\xE1van\xE1 zpr\xE1va \"[VUZIV2]00\", Ch=150\r\n" +
                                                Stamp(kTime, 5) + "bez cisla\r\n");
}

TEST_F(CommLogs, ErrOffWithRunLog) {
    d->Cfg.RunPovolen = 0;
    ZapisErr(d.get(), "x", 1);
    EXPECT_FALSE(FileExists(addr / "Rv_zr6180Err1.log"));
}

TEST_F(CommLogs, ErrFilesRotateWithoutLeadingZeros) {
    d->Cfg.RunPocet = 2;
    d->Cfg.ErrCislo = 9;  // outside 1..RunPocet
    ZapisErr(d.get(), "a");
    EXPECT_EQ(d->Cfg.ErrCislo, 1);
    SetSize("Rv_zr6180Err1.log", kFull);
    WriteFile(addr / "Rv_zr6180Err2.log", "stary\r\n");
    ZapisErr(d.get(), "b");
    EXPECT_EQ(d->Cfg.ErrCislo, 2);
    EXPECT_EQ(PathOf("Rv_zr6180Err2.log"), Stamp(kTime, 4000000000u) + "b\r\n");
    SetSize("Rv_zr6180Err2.log", kFull);
    ZapisErr(d.get(), "c");
    EXPECT_EQ(d->Cfg.ErrCislo, 1);
    EXPECT_EQ(PathOf("Rv_zr6180Err1.log"), Stamp(kTime, 4000000000u) + "c\r\n");
    EXPECT_FALSE(FileExists(addr / "Rv_zr6180RunInfo.txt"));  // ErrCislo is kept nowhere
}

TEST_F(CommLogs, ErrWithRunPocetZeroUsesOnlyFile1) {
    d->Cfg.RunPocet = 0;
    ZapisErr(d.get(), "a");
    SetSize("Rv_zr6180Err1.log", kFull);
    ZapisErr(d.get(), "b");
    EXPECT_EQ(d->Cfg.ErrCislo, 1);
    EXPECT_EQ(PathOf("Rv_zr6180Err1.log"), Stamp(kTime, 4000000000u) + "b\r\n");
    EXPECT_FALSE(FileExists(addr / "Rv_zr6180Err2.log"));
}

TEST_F(CommLogs, ErrLinesFromManyThreadsAreNotLost) {
    constexpr int kThreads = 4;
    constexpr int kLines = 500;
    std::vector<std::thread> threadList;
    for (int v = 0; v < kThreads; ++v)
        threadList.emplace_back([this] {
            for (int i = 0; i < kLines; ++i) ZapisErr(d.get(), "Neplatn\xE1 zpr\xE1va, Ch=", i);
        });
    for (auto& t : threadList) t.join();
    const auto r = LogLines(PathOf("Rv_zr6180Err1.log"));
    ASSERT_EQ(r.size(), static_cast<std::size_t>(kThreads * kLines));
    for (const auto& l : r) ASSERT_NE(l.find("] Neplatn\xE1 zpr\xE1va, Ch="), std::string::npos) << l;
}

// ---- interface logs ----

TEST_F(CommLogs, InterfaceLogOnlyWhenSwitchedOn) {
    ZapisLogRozhrani(d.get(), 3, "Start");
    EXPECT_FALSE(FileExists(addr / Nazev("Rv_zr6180_R", 3, kTime)));
    d->Cfg.LogRozhraniPovolen = 1;
    ZapisLogRozhrani(d.get(), 3, "Start");
    ZapisLogRozhrani(d.get(), 16, "Logování zapnuto"_cp);
    EXPECT_EQ(PathOf(Nazev("Rv_zr6180_R", 3, kTime)), Stamp(kTime, 4000000000u) + "Start\r\n");
    EXPECT_EQ(PathOf(Nazev("Rv_zr6180_R", 16, kTime)), Stamp(kTime, 4000000000u) + "Logov\xE1n\xED zapnuto\r\n");
}

TEST_F(CommLogs, InterfaceLogIsNotTiedToTheRunLog) {
    d->Cfg.RunPovolen = 0;
    d->Cfg.LogRozhraniPovolen = 1;
    ZapisLogRozhrani(d.get(), 1, "Stop");
    EXPECT_TRUE(FileExists(addr / Nazev("Rv_zr6180_R", 1, kTime)));
}

TEST_F(CommLogs, InterfaceLogChangesFileAtLocalMidnight) {
    d->Cfg.LogRozhraniPovolen = 1;
    // Local midnight after kTime, found through the same local-time rule.
    const TLocalTime c = LocalTimeOf(kTime);
    const int64_t midnight =
        kTime - ((c.Hour * 3600 + c.Minute * 60 + c.Second) * 1000 + c.Millisecond) + 86'400'000;
    const TLocalTime before = LocalTimeOf(midnight - 1);
    const TLocalTime high = LocalTimeOf(midnight);
    ASSERT_EQ(before.Hour * 10000 + before.Minute * 100 + before.Second, 235959);
    ASSERT_EQ(high.Hour + high.Minute + high.Second + high.Millisecond, 0);
    clock.SetRealMs(midnight - 1);
    ZapisLogRozhrani(d.get(), 2, "pred");
    clock.SetRealMs(midnight);
    ZapisLogRozhrani(d.get(), 2, "po");
    const std::string a = Nazev("Rv_zr6180_R", 2, midnight - 1);
    const std::string b = Nazev("Rv_zr6180_R", 2, midnight);
    ASSERT_NE(a, b);
    EXPECT_EQ(PathOf(a), Stamp(midnight - 1, 4000000000u) + "pred\r\n");
    EXPECT_EQ(PathOf(b), Stamp(midnight, 4000000000u) + "po\r\n");
    EXPECT_EQ(high.Day == 1 ? 1 : high.Day - before.Day, 1);
}

// ---- call-back log ----

TEST_F(CommLogs, CallBackLogIsWrittenWithEveryOtherLogOff) {
    d->Cfg.RunPovolen = 0;
    d->Cfg.LogRozhraniPovolen = 0;
    d->Cfg.LogPovolen = 0;
    ZapisCB(d.get(), "Start");
    clock.Freeze(17);
    ZapisCB(d.get(), "Ch=150, timeout rozhrani=260/250");
    EXPECT_EQ(PathOf("Rv_zr6180_CB.log"), Stamp(kTime, 4000000000u) + "Start\r\n" + Stamp(kTime, 17) +
                                              "Ch=150, timeout rozhrani=260/250\r\n");
}

TEST_F(CommLogs, LogLinesFollowTheInstanceLocale) {
    d->Regional = LocaleFromItems("%Y-%m-%d", "%H.%M.%S", "", "", "", ",");
    ZapisCB(d.get(), "x");
    const TLocalTime c = LocalTimeOf(kTime);
    char t[80];
    std::snprintf(t, sizeof t, "[%04d-%02d-%02d %02d.%02d.%02d 4000000000] x\r\n", c.Year, c.Month, c.Day, c.Hour,
                  c.Minute, c.Second);
    EXPECT_EQ(PathOf("Rv_zr6180_CB.log"), t);
}

}  // namespace
