// The rest of an instance's life through the loaded library: Done and what
// the exports do afterwards, DisposeDriver, DriverProc, null pointers from
// the host, and many instances one after another.
#include "e2e/RunningDriver.h"

#include <algorithm>

#ifdef RV_HAVE_SIMULATOR

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "support/Wait.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::vector<std::string> Labels(const std::vector<TRunLine>& run, std::size_t low) {
    std::vector<std::string> v;
    for (std::size_t i = low; i < run.size(); ++i) v.push_back(run[i].Label);
    return v;
}

class Lifetime : public TRunningDriver {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Start());
        base = ThreadCount();
        ASSERT_TRUE(Start(StandardParams(sim.Port())));
    }
    int base = 0;
};

TEST_F(Lifetime, DoneTracesItsStepsInOrderAndJoinsEveryThread) {
    EXPECT_TRUE(o.Read(1005).Finalized);
    ASSERT_TRUE(o.WaitForRun("KOM 9", 1));
    const std::size_t before = o.Run().size();
    o.Done();
    EXPECT_EQ(Labels(o.Run(), before), (std::vector<std::string>{"Done 0", "Done 1", "Done 2", "Done 3", "Done 9"}));
    EXPECT_EQ(WaitForThreadCount(base), base);
    EXPECT_TRUE(Contains(o.InterfaceLog(1), "] Stop\r\n"));
    EXPECT_EQ(o.CallBackLog().back(), "Stop");
}

TEST_F(Lifetime, ThreadsSayWhoTheyAre) {
    // Each thread names itself once it runs, which may be a moment after Init.
    const char* const expected[] = {"zr6180 R1", "zr6180 CB", "zr6180 window"};
    std::vector<std::string> names;
    const auto allNamed = [&] {
        names = ThreadNames();
        for (const char* n : expected)
            if (std::count(names.begin(), names.end(), n) != 1) return false;
        return true;
    };
    WaitFor(allNamed, HangGuardMs, std::chrono::milliseconds(5));
    for (const char* n : expected) EXPECT_EQ(std::count(names.begin(), names.end(), n), 1) << n;
}

TEST_F(Lifetime, DoneWaitsForACallBackTheHostStillRuns) {
    o.CallBackDelayMs = 2000;
    sim.SetFault(5, TSimFault{.delayMs = 50});
    lib().InputRequest(d(), 1005);
    lib().InputRequestCompleted(d());
    bool isDone = true;
    o.InputStatus(1005, &isDone);
    ASSERT_FALSE(isDone);
    ASSERT_TRUE(o.WaitForCalls(1));
    const auto start = Clock::now();
    o.Done();
    // The host's call-back still held the thread when Done began; once Done
    // returns nothing of the driver may run any more.
    EXPECT_GE(Clock::now() - start, 1900ms);
    EXPECT_EQ(WaitForThreadCount(base, 100), base);
    EXPECT_EQ(o.CallBackLog().back(), "Stop");
}

TEST_F(Lifetime, AfterDoneEveryCallOnlyRefuses) {
    o.Done();
    const std::size_t before = o.Run().size();
    lib().InputRequest(d(), 100);
    lib().InputRequestCompleted(d());
    int32_t st = -1;
    EXPECT_EQ(lib().InputFinalized(d(), 100, &st), 1);
    EXPECT_EQ(st, 3);
    THodnota h = RealValue(1.5);
    lib().GetInput(d(), 100, &h);
    const double r = h.Hodnota.Real;  // packed record: no reference to the field
    EXPECT_EQ(r, 1.5);
    lib().OutputRequest(d(), 4010, IntValue(1));
    lib().OutputRequestCompleted(d());
    st = -1;
    EXPECT_EQ(lib().OutputFinalized(d(), 4010, &st), 1);
    EXPECT_EQ(st, 3);
    st = -1;
    EXPECT_EQ(lib().OutputFinalized(d(), 6, &st), 1);
    EXPECT_EQ(st, 3);
    lib().DriverProc(d(), 7, 0, 0, 0, 0);
    char text[32] = "puvodni";
    THodnota q = TextValue(text);
    lib().QueryProc(d(), TypString, "GetVersion", 0, &q);
    EXPECT_STREQ(text, "puvodni");

    const auto run = o.Run();
    EXPECT_EQ(Labels(run, before), (std::vector<std::string>{"IR  0", "IR  1", "IRC 0", "IRC 8", "IF  1", "GI  1",
                                                           "OR  1", "ORC 1", "OF  1", "OF  1", "DriPro 8",
                                                           "QuePro 8"}));
    EXPECT_EQ(run[before + 1].Rest, "K=100,");
    EXPECT_EQ(run[before + 4].Rest, "");
    EXPECT_EQ(sim.RequestCount(), 0u);

    o.Done();  // twice: harmless
    EXPECT_EQ(Labels(o.Run(), o.Run().size() - 5),
              (std::vector<std::string>{"Done 0", "Done 1", "Done 2", "Done 3", "Done 9"}));
}

TEST_F(Lifetime, DisposeDriverWithoutDoneJoinsTheThreads) {
    EXPECT_TRUE(o.Read(100).Finalized);
    const std::size_t before = o.Run().size();
    o.Dispose();
    EXPECT_EQ(WaitForThreadCount(base), base);
    EXPECT_EQ(o.MainLog().back(), Cp("Ovladač odinstalován."_cp));
    const auto run = o.Run();
    ASSERT_GE(run.size(), before + 2);
    EXPECT_EQ(run[before].Label, "DisDri 0");
    EXPECT_EQ(run.back().Label, "DisDri 9");
}

TEST_F(Lifetime, DisposeDriverAfterDoneLogsTheRemoval) {
    o.Done();
    o.Dispose();
    const auto mainLog = o.MainLog();
    ASSERT_EQ(mainLog.size(), 2u);
    EXPECT_EQ(mainLog[0], Cp("Ovladač úspěšně inicializován."_cp));
    EXPECT_EQ(mainLog[1], Cp("Ovladač odinstalován."_cp));
    EXPECT_EQ(Labels(o.Run(), o.Run().size() - 2), (std::vector<std::string>{"DisDri 0", "DisDri 9"}));
}

TEST_F(Lifetime, BufferCallsOnlyTrace) {
    EXPECT_EQ(lib().BufferInfo(d()), 0u);
    lib().SetBufferAddr(d(), &base, 4);
    const auto run = o.Run();
    ASSERT_GE(run.size(), 2u);
    EXPECT_EQ(run[run.size() - 2].Label, "BufInf ");
    EXPECT_EQ(run.back().Label, "SetBufInf ");
    EXPECT_EQ(Lines(o.File("Rv_zr6180Run001.log")).back().substr(33), "SetBufInf ,");
}

TEST_F(Lifetime, DriverProcTracesEveryFunction) {
    const std::size_t before = o.Run().size();
    for (uint32_t f = 0; f <= 7; ++f) lib().DriverProc(d(), f, 10, 20, 300, 200);
    const auto run = o.Run();
    ASSERT_EQ(run.size(), before + 16);
    for (uint32_t f = 0; f <= 7; ++f) {
        EXPECT_EQ(run[before + 2 * f].Label, "DriPro 0");
        EXPECT_EQ(run[before + 2 * f].Rest, "Func " + std::to_string(f));
        EXPECT_EQ(run[before + 2 * f + 1].Label, "DriPro 9");
    }
    // The window took the calls without disturbing the requests.
    EXPECT_TRUE(o.Read(100).Finalized);
}

// Init fails at its window step: the instance has its settings but no
// window, so DriverProc only traces its entry. Runs in a child process,
// because a toolkit that was asked for and found no screen stays loaded.
int WithoutWindow() {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    TSimulator sim;
    if (!sim.Start()) return 2;
    TTestHost o;
    setenv("RV_ZR6180_WINDOW", "gtk", 1);  // the fixture chose "none"
    const int base = ThreadCount();
    std::string chyba;
    if (o.Start(StandardParams(sim.Port()), &chyba)) return 3;
    if (chyba != Cp("Nelze vytvořit okno ovladače."_cp)) return 4;
    if (o.MainLog().empty() || o.MainLog().back() != chyba) return 5;
    if (o.Run("Init 8").size() != 1) return 6;
    if (ThreadCount() != base) return 7;
    const std::size_t before = o.Run().size();
    o.lib.DriverProc(o.d, 7, 0, 0, 0, 0);
    const auto run = o.Run();
    if (run.size() != before + 1) return 8;
    if (run.back().Label != "DriPro 0" || run.back().Rest != "Func 7") return 9;
    o.Done();
    o.Dispose();
    return 0;
}

TEST(LifetimeWithoutWindow, DriverProcWithoutAWindowOnlyTracesItsEntry) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(WithoutWindow()), ::testing::ExitedWithCode(0), "");
}

TEST_F(Lifetime, NullPointersFromTheHost) {
    EXPECT_TRUE(o.Read(100).Finalized);
    EXPECT_EQ(lib().InputFinalized(d(), 100, nullptr), 1);
    EXPECT_EQ(lib().InputFinalized(d(), 3, nullptr), 1);
    EXPECT_EQ(lib().OutputFinalized(d(), 6, nullptr), 1);
    EXPECT_EQ(lib().OutputFinalized(d(), 7, nullptr), 1);
    lib().GetInput(d(), 100, nullptr);
    lib().GetInput(d(), 3, nullptr);
    lib().GetInput(d(), 7, nullptr);
    lib().QueryProc(d(), TypString, nullptr, 0, nullptr);
    lib().OutputRequest(d(), 6001, TextValue(nullptr));

    // Without an instance every call only sets its results.
    int32_t st = -1;
    EXPECT_EQ(lib().InputFinalized(nullptr, 100, &st), 1);
    EXPECT_EQ(st, 3);
    st = -1;
    EXPECT_EQ(lib().OutputFinalized(nullptr, 4010, &st), 1);
    EXPECT_EQ(st, 3);
    EXPECT_EQ(lib().InputFinalized(nullptr, 100, nullptr), 1);
    lib().InputRequest(nullptr, 100);
    lib().InputRequestCompleted(nullptr);
    THodnota h = IntValue(5);
    lib().GetInput(nullptr, 1, &h);
    EXPECT_EQ(h.Hodnota.Cele, 5);
    lib().OutputRequest(nullptr, 4010, h);
    lib().OutputRequestCompleted(nullptr);
    lib().DriverProc(nullptr, 1, 0, 0, 0, 0);
    lib().Done(nullptr);
    lib().DisposeDriver(nullptr);

    // The instance is unharmed.
    EXPECT_EQ(o.Run("GI  0").size(), 3u);
    EXPECT_TRUE(o.Read(100).Finalized);
}

TEST(LifetimeWithoutCallBack, RequestsCompleteWithoutACallBack) {
    TSimulator sim;
    ASSERT_TRUE(sim.Start());
    TTestHost o;
    o.d = o.lib.MakeDriver();
    const std::string soubor = o.WriteParams(StandardParams(sim.Port()));
    char chyba[256] = {};
    ASSERT_EQ(o.lib.Init(o.d, 0, soubor.c_str(), 255, chyba, 0, 0, 77, nullptr), 1) << chyba;
    sim.SetFault(5, TSimFault{.delayMs = 40});
    o.lib.InputRequest(o.d, 1005);
    o.lib.InputRequestCompleted(o.d);
    int32_t st = -1;
    EXPECT_EQ(o.lib.InputFinalized(o.d, 1005, &st), 0);
    ASSERT_TRUE(o.WaitForRun("CB  1", 1)) << "the call-back thread handled the mark";
    EXPECT_EQ(o.lib.InputFinalized(o.d, 1005, &st), 1);
    EXPECT_EQ(st, 0);
}

// A host that ignores the order of calls: every export on an instance that
// was never initialised, then Done, and Init still works afterwards.
TEST(LifetimeWithoutInit, ExportsOnAnUninitialisedInstanceAreHarmless) {
    TSimulator sim;
    ASSERT_TRUE(sim.Start());
    TTestHost o;
    o.d = o.lib.MakeDriver();
    ASSERT_NE(o.d, nullptr);
    int32_t st = -1;
    for (uint32_t c : {0u, 1u, 3u, 5u, 6u, 11u, 51u, 99u, 100u, 1005u, 3005u, 6001u, 6099u, 7000u}) {
        o.lib.InputRequest(o.d, c);
        EXPECT_EQ(o.lib.InputFinalized(o.d, c, &st), 1) << c;
        THodnota h = IntValue(0);
        o.lib.GetInput(o.d, c, &h);
        o.lib.OutputRequest(o.d, c, IntValue(static_cast<int32_t>(c)));
        EXPECT_EQ(o.lib.OutputFinalized(o.d, c, &st), 1) << c;
    }
    o.lib.InputRequestCompleted(o.d);
    o.lib.OutputRequestCompleted(o.d);
    o.lib.DriverProc(o.d, 1, 0, 0, 0, 0);
    o.Done();
    std::string chyba;
    ASSERT_TRUE(o.Init(o.WriteParams(StandardParams(sim.Port())), &chyba)) << chyba;
    sim.SetValue(5, 4, zrsim::EncodeInt(-7));
    EXPECT_TRUE(o.Read(1005).Finalized);
    EXPECT_EQ(o.GetInt(1005), -7);
}

TEST(LifetimeCycles, HundredInstancesLeaveNoThreadOrDescriptor) {
    TSimulator sim;
    ASSERT_TRUE(sim.Start());
    TTestHost o;
    const std::string soubor = o.WriteParams(StandardParams(sim.Port()));
    const int threadList = ThreadCount();
    const int descriptors = OpenDescriptors();
    for (int i = 0; i < 100; ++i) {
        std::string chyba;
        ASSERT_TRUE(o.Init(soubor, &chyba)) << i << ": " << chyba;
        if (i % 10 == 0) {
            sim.SetValue(5, 4, zrsim::EncodeInt(i));
            ASSERT_TRUE(o.Read(1005).Finalized);
            EXPECT_EQ(o.GetInt(1005), i);
        }
        o.Done();
        o.Dispose();
    }
    EXPECT_EQ(WaitForThreadCount(threadList), threadList);
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_EQ(o.MainLog().size(), 200u);
}

}  // namespace
}  // namespace e2e

#endif
