// Failures the host must never meet as such: an exception raised inside the
// driver (through a clock that throws on demand), a thread that the system
// does not give (through a starter that refuses) and descriptors that it
// does not give (the table filled up to a lowered limit).
#include "e2e/RunningDriver.h"

#ifdef RV_HAVE_SIMULATOR

#include <algorithm>

#include "config/Model.h"
#include "support/Seams.h"

namespace e2e {
namespace {

TData& Data(PData p) { return *static_cast<TData*>(p); }

class Boundary : public TRunningDriver {
protected:
    void SetUp() override {
        TRunningDriver::SetUp();
        Data(d()).Clock.store(&clock);
    }
    void TearDown() override { o.Done(); }  // before the clock goes

    TThrowingClock clock;
};

TEST_F(Boundary, ExportsContainWhatTheirWorkRaises) {
    const auto host = std::this_thread::get_id();
    clock.ThrowOnNextCallOf(host);
    lib().OutputRequest(d(), 4010, IntValue(5));
    EXPECT_TRUE(clock.Thrown());

    int32_t st = -1;
    clock.ThrowOnNextCallOf(host);
    EXPECT_EQ(lib().OutputFinalized(d(), 4010, &st), 1);
    EXPECT_EQ(st, 3);
    st = -1;
    clock.ThrowOnNextCallOf(host);
    EXPECT_EQ(lib().InputFinalized(d(), 100, &st), 1);
    EXPECT_EQ(st, 3);
    for (uint32_t c : {100u, 1000u}) {
        clock.ThrowOnNextCallOf(host);
        lib().InputRequest(d(), c);
        EXPECT_TRUE(clock.Thrown());
    }
    // The instance goes on serving.
    EXPECT_TRUE(o.Write(4010, IntValue(7)).Finalized);
    EXPECT_EQ(sim.Value(6, 2), (zrsim::TBytes4{7, 0, 0, 0}));
}

TEST_F(Boundary, CallBackThreadSurvivesAnErrorInAScan) {
    sim.SetFault(5, TSimFault{.delayMs = 300, .times = 1});
    lib().InputRequest(d(), 100);
    lib().InputRequestCompleted(d());
    int32_t st = -1;
    ASSERT_EQ(lib().InputFinalized(d(), 100, &st), 0);
    clock.ThrowOnNextCall();  // whichever thread looks next: the call-back thread or the exchange
    ASSERT_TRUE(o.WaitForCalls(1, 5000));
    EXPECT_TRUE(clock.Thrown());
    EXPECT_EQ(lib().InputFinalized(d(), 100, &st), 1);
    EXPECT_TRUE(o.Read(1005).Finalized) << "both threads still serve";
}

TEST_F(Boundary, InitContainsAnExceptionAndStopsWhatItStarted) {
    o.Done();
    const int before = ThreadCount();
    o.Dispose();
    TTestHost o2;
    o2.d = o2.lib.MakeDriver();
    Data(o2.d).Clock.store(&clock);
    clock.ThrowOnNextCallOf(std::this_thread::get_id());
    std::string chyba;
    TParamFile p = StandardParams(sim.Port());
    EXPECT_FALSE(o2.Start(p, &chyba));
    EXPECT_TRUE(clock.Thrown());
    EXPECT_EQ(chyba, Cp("Init - vnitřní chyba ovladače."_cp));
    EXPECT_LE(WaitForThreadCount(before), before);
    EXPECT_TRUE(o2.Start(p, &chyba)) << chyba;  // the next Init works
    o2.Done();
}

// Interface 1 at the simulator and, where asked, interface 3 too.
TParamFile TwoInterfaces(uint16_t port) {
    TParamFile p = StandardParams(port);
    p.AddInterface({.Number = 3, .Port = port});
    return p;
}

// A starter that refuses thread n: Init reports it and leaves nothing running.
class ThreadStart : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim.Start()); }
    void Expect(int allowed, const std::string& message) {
        const int before = ThreadCount();
        TRefusingStarter starter(allowed);
        TTestHost o;
        o.d = o.lib.MakeDriver();
        Data(o.d).ThreadStarter.store(&starter);
        std::string chyba;
        EXPECT_FALSE(o.Start(TwoInterfaces(sim.Port()), &chyba));
        EXPECT_EQ(chyba, message);
        EXPECT_EQ(o.MainLog().back(), message);
        EXPECT_FALSE(ContainsLine(o.MainLog(), Cp("Ovladač úspěšně inicializován."_cp)));
        EXPECT_EQ(o.Run("Init 11").size(), 1u);
        EXPECT_EQ(WaitForThreadCount(before), before) << "what Init started has stopped";
        lib(o).InputRequest(o.d, 100);  // nobody serves it, nothing breaks
        o.Done();
        o.Dispose();
        EXPECT_EQ(o.MainLog().back(), Cp("Ovladač odinstalován."_cp));
    }
    static TLibrary& lib(TTestHost& o) { return o.lib; }

    TSimulator sim;
};

TEST_F(ThreadStart, InterfaceThreadThatCannotStartFailsInit) {
    Expect(0, Cp("Nelze spustit vlákno rozhraní 1."_cp));
    Expect(1, Cp("Nelze spustit vlákno rozhraní 3."_cp));
}

TEST_F(ThreadStart, CallBackThreadThatCannotStartFailsInit) {
    Expect(2, Cp("Nelze spustit vlákno call-back."_cp));
}

class Descriptors : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Start());
        // One instance run before: UndefinedBehaviorSanitizer checks a type
        // the first time it meets it with a pipe, which a full descriptor
        // table would refuse.
        TTestHost warm;
        ASSERT_TRUE(warm.Start(StandardParams(sim.Port())));
        warm.Done();
        warm.Dispose();
        before = ThreadCount();
        o.d = o.lib.MakeDriver();
    }
    // Init with only `free` descriptors left for it; the table is given
    // back as soon as Init returns.
    bool InitWith(int free, const std::string& file, std::string& chyba) {
        TDescriptorsExhausted full(free);
        EXPECT_TRUE(full.Ok());
        return o.Init(file, &chyba);
    }

    TSimulator sim;
    TTestHost o;
    int before = 0;
};

TEST_F(Descriptors, InterfaceWhoseSocketCannotBeOpenedFailsInit) {
    const std::string file = o.WriteParams(TwoInterfaces(sim.Port()).LogsOff());
    std::string chyba;
    // One descriptor: the parameter file's readings, then interface 1's socket.
    EXPECT_FALSE(InitWith(1, file, chyba));
    EXPECT_EQ(chyba, Cp("Nelze otevřít UDP socket rozhraní 3 (Too many open files)."_cp));
    EXPECT_EQ(WaitForThreadCount(before), before) << "interface 1's thread has stopped again";
    EXPECT_TRUE(o.Init(file, &chyba)) << chyba;  // with descriptors it runs
    EXPECT_EQ(o.Read(1005).Status, 0);
}

TEST_F(Descriptors, TheSystemsReasonFollowsTheFixedTexts) {
    const std::string file = o.WriteParams(StandardParams(sim.Port()));
    std::string chyba;
    EXPECT_FALSE(InitWith(0, file, chyba));
    EXPECT_EQ(chyba, Cp("Chybný parametrický soubor (systémová chyba: Too many open files)"_cp));
    EXPECT_EQ(ThreadCount(), before);

    // The file is read and the socket opened with the last descriptor; the
    // main log at the end finds none.
    EXPECT_FALSE(InitWith(1, file, chyba));
    EXPECT_EQ(chyba, Cp("Nelze otevřít logovací soubor. (systémová chyba: Too many open files)"_cp));
    EXPECT_EQ(o.Read(1005).Status, 0) << "Init said false but runs, as after any failed last write";
    o.Done();
    o.Dispose();
    // The main log tells that it works again, and so does every log that failed.
    const std::vector<std::string> log = o.MainLog();
    const auto told = [&](std::string_view start) {
        return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.starts_with(start); });
    };
    EXPECT_TRUE(told(Cp("Do hlavního logu lze opět zapisovat, ztracených řádků: "_cp)));
    EXPECT_TRUE(told(Cp("Do logu RUN lze opět zapisovat, ztracených řádků: "_cp)));
    EXPECT_EQ(log.back(), Cp("Ovladač odinstalován."_cp));
}

}  // namespace
}  // namespace e2e

#endif
