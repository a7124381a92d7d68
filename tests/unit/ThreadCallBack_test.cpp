// The call-back thread: notices to the host, the interface time-out and the
// thread's start, stop and early wake-up.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "comm/Wake.h"
#include "comm/Fronta.h"
#include "comm/TimeLimits.h"
#include "comm/ThreadCallBack.h"
#include "tests/unit/ThreadSupport.h"

namespace {

using namespace thread_support;
using Clock = std::chrono::steady_clock;

// What the host's call-back saw; the host function is a plain C function, so
// the record is reached through a file-level pointer set by each test.
struct THostRecord {
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::pair<int32_t, int32_t>> calls;  // (context, kind)
    std::vector<TRequestState> states;                      // request states of channel `sledovany` at each call
    int32_t result = 0;
    int32_t opakovatKolikrat = 0;  // how many calls answer 1
    bool blocking = false;
    bool release = false;
    int watched = 0;
};
THostRecord* entry = nullptr;

int32_t HostCallBack(int32_t context, int32_t kind, PData p) {
    THostRecord& z = *entry;
    std::unique_lock<std::mutex> g(z.m);
    z.calls.emplace_back(context, kind);
    if (z.watched != 0) z.states.push_back(static_cast<TData*>(p)->Kanaly[z.watched].StavPozadavku.load());
    z.cv.notify_all();
    if (z.blocking) z.cv.wait(g, [&] { return z.release; });
    if (z.opakovatKolikrat > 0) {
        --z.opakovatKolikrat;
        return 1;
    }
    return z.result;
}

class ThreadCallBack : public ::testing::Test {
protected:
    ThreadCallBack() { entry = &host; }
    ~ThreadCallBack() override {
        s.Stop();
        entry = nullptr;
    }
    TThreadCallBack& StartThread() {
        d.VlaknoCallBack = std::make_unique<TThreadCallBack>(&d, &HostCallBack, 4711);
        EXPECT_TRUE(d.VlaknoCallBack->Start());
        EXPECT_TRUE(WaitFor([&] { return d.CallBackBezi == 1; }, 2000));
        return *d.VlaknoCallBack;
    }
    // A finished request that the host marked for a notice.
    void FinishedMarked(int c, TRequestState state) {
        TKanal& k = d.Kanaly[c];
        k.CasPozadavku = Now(&d);
        k.LimitPozadavku = 2370;
        k.StavPozadavku = state;
        k.Hotovo = 1;
        k.CekaCallBack = 1;
    }
    size_t CallCount() {
        std::lock_guard<std::mutex> g(host.m);
        return host.calls.size();
    }
    bool WaitForCalls(size_t n, int ms = 3000) { return WaitFor([&] { return CallCount() >= n; }, ms); }
    // Three times: the thread idles, channel 1005 finishes marked and rings;
    // its notice comes within 50 ms, not at the next scan.
    void ExpectIdleThreadAnswersEachRingAtOnce() {
        StartThread();
        for (int round = 0; round < 3; ++round) {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            const auto t = Clock::now();
            FinishedMarked(1005, TRequestState::Stored);
            WakeCallBack(d, 1005);
            ASSERT_TRUE(WaitForCalls(static_cast<size_t>(round) + 1));
            EXPECT_LT(MsSince(t), 50) << round;
        }
    }

    THostRecord host;
    TDriverState s;
    TData& d = *s.d;
};

// The host collects channel 1005 and starts and marks its next request just
// as the thread, having seen the old request done, traces it: the mark it
// then takes belongs to the running request, so the notice waits for that
// request's end.
TEST_F(ThreadCallBack, MarkOfARequestStartedMeanwhileWaitsForItsEnd) {
    StartThread();
    TKanal& k = d.Kanaly[1005];
    s.clock.OnNextTickOf("zr6180 CB", [&](uint32_t) {
        k.CekaCallBack = 0;          // InputFinalized found the old one done
        ZaradPozadavek(d, 1005, 0);  // the next request
        k.CekaCallBack = 1;          // and InputFinalized marked it
        return 0u;
    }, true);
    FinishedMarked(1005, TRequestState::Stored);
    WakeCallBack(d, 1005);
    ASSERT_TRUE(WaitFor([&] { return s.clock.HookRan(); }, 3000));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(CallCount(), 0u) << "a notice for a request that still runs";
    UkonciSChybou(d, 1005, 21);
    ASSERT_TRUE(WaitForCalls(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(CallCount(), 1u);
}

TEST_F(ThreadCallBack, InterfaceTimeoutLimitFollowsUdpOpakovani) {
    TKanal& k = d.Kanaly[1005];
    k.LimitPozadavku = 2370;
    d.Rozhrani[1].UdpOpakovani = 1;
    EXPECT_EQ(InterfaceTimeout(d, k), 5740);
    d.Rozhrani[1].UdpOpakovani = 15;
    EXPECT_EQ(InterfaceTimeout(d, k), 16 * 2370 + 1000);
    d.Rozhrani[1].UdpOpakovani = 40;
    EXPECT_EQ(InterfaceTimeout(d, k), 16 * 2370 + 1000) << "16 is the largest multiplier";
    k.Rozhrani = 0;  // no interface: no retries counted
    EXPECT_EQ(InterfaceTimeout(d, k), 2370 + 1000);
}

TEST_F(ThreadCallBack, CompletedMarkedRequestsAreReportedInChannelOrder) {
    s.Channel(3000, 1, 1, 0);
    s.Channel(99, 1, 5, 0);
    FinishedMarked(3000, TRequestState::Stored);
    FinishedMarked(1005, TRequestState::Stored);
    FinishedMarked(99, TRequestState::Stored);
    StartThread();
    ASSERT_TRUE(WaitForCalls(3));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    {
        std::lock_guard<std::mutex> g(host.m);
        const std::vector<std::pair<int32_t, int32_t>> awaited = {{4711, 1}, {4711, 0}, {4711, 1}};
        EXPECT_EQ(host.calls, awaited);
    }
    EXPECT_EQ(d.Kanaly[99].StavPozadavku.load(), TRequestState::None);
    EXPECT_EQ(d.Kanaly[1005].StavPozadavku.load(), TRequestState::Reported);
    EXPECT_EQ(d.Kanaly[3000].StavPozadavku.load(), TRequestState::None);
    for (int c : {99, 1005, 3000}) EXPECT_EQ(d.Kanaly[c].CekaCallBack, 0) << c;
    const std::string run = s.RunLog();
    EXPECT_EQ(CountOf(run, RunPart("CB  1", 1005, 1, 3, "F=0, (0/0/0)\r\n")), 1) << run;
}

TEST_F(ThreadCallBack, StateOtherThan3IsLeftAlone) {
    FinishedMarked(1005, TRequestState::Sent);
    StartThread();
    ASSERT_TRUE(WaitForCalls(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(d.Kanaly[1005].StavPozadavku.load(), TRequestState::Sent);
}

TEST_F(ThreadCallBack, HostAskingForARepeatIsCalledExactlyTwice) {
    host.opakovatKolikrat = 2;  // returns 1 on both calls
    FinishedMarked(1005, TRequestState::Stored);
    StartThread();
    ASSERT_TRUE(WaitForCalls(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(CallCount(), 2u);
    EXPECT_EQ(d.Kanaly[1005].StavPozadavku.load(), TRequestState::Reported);
}

TEST_F(ThreadCallBack, UnmarkedRequestIsNeverReportedNorTimedOut) {
    TKanal& k = d.Kanaly[1005];
    k.CasPozadavku = Now(&d) - 1000000;
    k.LimitPozadavku = 10;
    k.Hotovo = 1;
    k.Status = 0;
    StartThread();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(CallCount(), 0u);
    EXPECT_EQ(k.Status, 0);
}

TEST_F(ThreadCallBack, InterfaceTimeoutFinishesTheRequestWithStatus26) {
    d.Rozhrani[1].UdpOpakovani = 1;
    s.clock.Freeze(1000);
    TKanal& k = d.Kanaly[1005];
    ZaradPozadavek(d, 1005, 0);  // never committed: no answer will come
    k.LimitPozadavku = 2370;
    k.StavPozadavku = TRequestState::Requested;
    k.CekaCallBack = 1;
    StartThread();
    s.clock.Freeze(1000 + 5740);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(k.Hotovo, 0) << "5740 ms is still within the limit";
    EXPECT_EQ(CallCount(), 0u);
    s.clock.Freeze(1000 + 5741);
    ASSERT_TRUE(WaitForCalls(1));
    EXPECT_EQ(k.Status, 26);
    EXPECT_EQ(k.Hotovo, 1);
    EXPECT_EQ(k.DobaCelkem, 5741u);
    EXPECT_EQ(d.Rozhrani[1].Status, 26);
    EXPECT_EQ(k.StavPozadavku.load(), TRequestState::Requested);
    s.Stop();
    EXPECT_EQ(CountOf(s.CbLog(), "] Ch=1005, timeout rozhrani=5741/5740\r\n"), 1) << s.CbLog();
    EXPECT_EQ(CountOf(s.RunLog(), RunPart("CB  0", 1005, 1, 1, "timeout rozhrani=5741/5740\r\n")), 1) << s.RunLog();
}

TEST_F(ThreadCallBack, LateMarkReplacesTheStoredOutcomeWith26) {
    s.clock.Freeze(50000);
    FinishedMarked(1005, TRequestState::Stored);
    d.Kanaly[1005].Status = 0;
    d.Kanaly[1005].CasPozadavku = 50000 - 6741;  // the limit is 2370 * 1 + 1000 = 3370
    StartThread();
    ASSERT_TRUE(WaitForCalls(1));
    EXPECT_EQ(d.Kanaly[1005].Status, 26);
}

TEST_F(ThreadCallBack, RequestStartedInTheFutureTimesOut) {
    s.clock.Freeze(1000);
    FinishedMarked(1005, TRequestState::Stored);
    d.Kanaly[1005].Hotovo = 0;
    d.Kanaly[1005].CasPozadavku = 1001;  // elapsed -1
    StartThread();
    ASSERT_TRUE(WaitForCalls(1));
    EXPECT_EQ(d.Kanaly[1005].Status, 26);
    s.Stop();
    EXPECT_EQ(CountOf(s.CbLog(), "] Ch=1005, timeout rozhrani=-1/3370\r\n"), 1) << s.CbLog();
}

TEST_F(ThreadCallBack, StopDuringAScanLeavesLaterChannelsUnreported) {
    host.blocking = true;
    s.Channel(2000, 1, 2, 0);
    FinishedMarked(1005, TRequestState::Stored);
    FinishedMarked(2000, TRequestState::Stored);
    TThreadCallBack& v = StartThread();
    ASSERT_TRUE(WaitForCalls(1));
    v.Stop();
    {
        std::lock_guard<std::mutex> g(host.m);
        host.release = true;
        host.cv.notify_all();
    }
    v.Join();
    EXPECT_EQ(CallCount(), 1u);
    EXPECT_EQ(d.Kanaly[2000].CekaCallBack, 1);
    EXPECT_EQ(d.CallBackBezi, 0);
    const std::string cb = s.CbLog();
    EXPECT_EQ(CountOf(cb, "] Start\r\n"), 1) << cb;
    EXPECT_EQ(CountOf(cb, "] Stop\r\n"), 1) << cb;
}

TEST_F(ThreadCallBack, MarkingWakesAnIdleThread) {
    ExpectIdleThreadAnswersEachRingAtOnce();
}

// A channel rung on its own (marked by the host, or finished while marked)
// is looked at at once.
TEST_F(ThreadCallBack, RungChannelWakesAnIdleThread) {
    ExpectIdleThreadAnswersEachRingAtOnce();
}

// Looking at a rung channel alone does not end the millisecond scans that
// a marked request still in progress needs: it is reported by them once it
// finishes, without a ring of its own.
TEST_F(ThreadCallBack, RungChannelLeavesOtherMarkedChannelsToTheScan) {
    s.Channel(3000, 1, 1, 0);
    StartThread();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    TKanal& k = d.Kanaly[1005];
    k.CasPozadavku = Now(&d);
    k.LimitPozadavku = 100000;
    k.StavPozadavku = TRequestState::Sent;
    k.CekaCallBack = 1;
    WakeCallBack(d, 1005);  // marked on its way
    FinishedMarked(3000, TRequestState::Stored);
    WakeCallBack(d, 3000);
    ASSERT_TRUE(WaitForCalls(1));
    const auto t = Clock::now();
    {
        std::lock_guard<std::mutex> g(d.WindowLock);  // as an interface thread with more entries stores it
        k.StavPozadavku = TRequestState::Stored;
        k.Hotovo = 1;
    }
    ASSERT_TRUE(WaitForCalls(2));
    EXPECT_LT(MsSince(t), 200) << "left to the scans of an idle thread";
    for (int c : {1005, 3000}) EXPECT_EQ(d.Kanaly[c].CekaCallBack, 0) << c;
}

// A marked request that finished without a ring (more entries stood in its
// queue) comes before a higher channel that rang, as in a scan.
TEST_F(ThreadCallBack, RungChannelDoesNotOvertakeALowerFinishedOne) {
    s.Channel(3000, 1, 1, 0);
    TThreadCallBack v(&d, &HostCallBack, 4711);  // driven by hand: no thread
    TKanal& k = d.Kanaly[1005];
    k.CasPozadavku = Now(&d);
    k.LimitPozadavku = 100000;
    k.StavPozadavku = TRequestState::Sent;
    k.CekaCallBack = 1;
    EXPECT_TRUE(v.ScanAll()) << "1005 stays marked";
    k.StavPozadavku = TRequestState::Stored;
    k.Hotovo = 1;  // finished, no ring
    FinishedMarked(3000, TRequestState::Stored);
    WakeCallBack(d, 3000);
    bool markedOnes = true;
    EXPECT_TRUE(v.ScanRung(markedOnes));
    EXPECT_FALSE(markedOnes);
    {
        std::lock_guard<std::mutex> g(host.m);
        const std::vector<std::pair<int32_t, int32_t>> awaited = {{4711, 0}, {4711, 1}};
        EXPECT_EQ(host.calls, awaited);
    }
    const std::string run = s.RunLog();
    const std::size_t i1005 = run.find(RunPart("CB  1", 1005, 1, 3, "F="));
    const std::size_t i3000 = run.find(RunPart("CB  1", 3000, 1, 3, "F="));
    ASSERT_NE(i1005, std::string::npos) << run;
    EXPECT_LT(i1005, i3000) << run;
    EXPECT_FALSE(v.ScanRung(markedOnes)) << "nothing rung since";
}

TEST_F(ThreadCallBack, StopWakesAnIdleThread) {
    TThreadCallBack& v = StartThread();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_LT(StopAndJoinMs(v), 50);
    EXPECT_EQ(d.CallBackBezi, 0);
}

TEST_F(ThreadCallBack, WaitingRequestIsReportedOnceTheInterfaceThreadStoresIt) {
    host.watched = 1005;
    TKanal& k = d.Kanaly[1005];
    k.CasPozadavku = Now(&d);
    k.LimitPozadavku = 100000;
    k.StavPozadavku = TRequestState::Sent;
    k.CekaCallBack = 1;
    StartThread();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(CallCount(), 0u);
    {
        std::lock_guard<std::mutex> g(d.WindowLock);  // as the interface thread stores an outcome
        k.StavPozadavku = TRequestState::Stored;
        k.Hotovo = 1;
    }
    ASSERT_TRUE(WaitForCalls(1));
    std::lock_guard<std::mutex> g(host.m);
    EXPECT_EQ(host.states, std::vector<TRequestState>{TRequestState::Stored});
}

}  // namespace
