// Time limits through the loaded library: resends to a silent gateway, the
// call-back thread's interface time-out and OutputFinalized's own limit.
// Small parameters keep them short: 115200 Bd (7 ms), serial timeout 0 and
// UDP timeout 20 ms give LimitLan 27 ms and LimitPozadavku 81 ms.
#include "e2e/RunningDriver.h"

#ifdef RV_HAVE_SIMULATOR

#include <chrono>
#include <thread>

#include "config/Model.h"
#include "support/Seams.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class Timing : public TRunningDriver {
protected:
    void SetUp() override { ASSERT_TRUE(sim.Start()); }
    void Start(int udpOpakovani) {
        TParamFile p = StandardParams(sim.Port());
        p.Interfaces[0].UdpTimeout = 20;
        p.Interfaces[0].UdpRetries = udpOpakovani;
        ASSERT_TRUE(TRunningDriver::Start(p));
    }
};

TEST_F(Timing, SilentGatewayGetsOneSendPerAttemptThenStatus21) {
    Start(2);
    sim.SetSilent(true);
    const TOutcome v = o.Read(100);
    EXPECT_TRUE(CompletedThroughCallBack(v));
    EXPECT_EQ(WatchedStatus(100), 21);
    EXPECT_EQ(o.GetInt(1), 100);
    EXPECT_EQ(o.GetInt(11) & 0xFF, 21);

    EXPECT_EQ(sim.RequestCount(), 3u);
    const auto comm2 = o.Run("KOM 2");
    ASSERT_EQ(comm2.size(), 3u);
    EXPECT_EQ(comm2[2], "K=100,  R=1,  S=2, F=0");
    ASSERT_TRUE(o.WaitForRun("KOM 9", 1));
    EXPECT_EQ(o.Run("KOM 9")[0], "K=100,  R=1,  S=3, F=0, timeout");

    const std::string log = o.InterfaceLog(1);
    EXPECT_EQ(CountMatchingLines(log, "Ch=100  - LAN timeout1=#"), 1) << log;
    EXPECT_EQ(CountMatchingLines(log, "Ch=100  - LAN timeout2=#"), 1) << log;
    EXPECT_EQ(CountMatchingLines(log, "Ch=100  - LAN timeout3=#"), 1) << log;
    for (const std::string& r : Lines(log)) {
        const auto i = r.find("LAN timeout");
        if (i == std::string::npos) continue;
        EXPECT_GE(std::stoi(r.substr(r.find('=', i) + 1)), 27) << "LimitLan: " << r;
    }
    EXPECT_EQ(CountMatchingLines(log, "Ch=100  - Chyba LAN - timeout"), 1) << log;
    EXPECT_EQ(CountMatchingLines(log, "Start"), 1) << log;
}

TEST_F(Timing, SilentGatewayWithoutRetriesSendsOnce) {
    Start(0);
    sim.SetSilent(true);
    EXPECT_TRUE(o.Write(4010, IntValue(1)).Finalized);
    EXPECT_EQ(sim.RequestCount(), 1u);
    EXPECT_EQ(o.Run("KOM 2").size(), 1u);
    EXPECT_EQ(WatchedStatus(4010), 21);
    const std::string log = o.InterfaceLog(1);
    EXPECT_EQ(CountMatchingLines(log, "Ch=4010 - LAN timeout1=#"), 1) << log;
    EXPECT_EQ(CountMatchingLines(log, "Ch=4010 - LAN timeout2=#"), 0) << log;
}

TEST_F(Timing, UncommittedRequestEndsWithTheInterfaceTimeout) {
    Start(0);
    const auto start = Clock::now();
    lib().InputRequest(d(), 100);  // never committed
    bool isDone = true;
    EXPECT_EQ(o.InputStatus(100, &isDone), 0);
    EXPECT_FALSE(isDone);
    ASSERT_TRUE(o.WaitForCalls(1, 30000));  // a guard against a hang only: speed is the bench's
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_GE(ms, 1081);  // 1 x 81 + 1000
    const TCall v = o.Calls()[0];
    EXPECT_EQ(v.Direction, 0);
    EXPECT_EQ(v.Context, o.Context);
    EXPECT_NE(v.Thread, std::this_thread::get_id());

    EXPECT_EQ(o.InputStatus(100, &isDone), 0);
    EXPECT_TRUE(isDone);
    EXPECT_EQ(WatchedStatus(100), 26);
    EXPECT_EQ(sim.RequestCount(), 0u);
    const auto cb0 = o.Run("CB  0");
    ASSERT_EQ(cb0.size(), 1u);
    EXPECT_TRUE(Matches(cb0[0], "K=100,  R=1,  S=1, timeout rozhrani=#/1081")) << cb0[0];
    const auto cb = o.CallBackLog();
    ASSERT_GE(cb.size(), 2u);
    EXPECT_EQ(cb[0], "Start");
    EXPECT_TRUE(Matches(cb[1], "Ch=100, timeout rozhrani=#/1081")) << cb[1];
}

TEST_F(Timing, OutputFinalizedEnforcesItsOwnLimit) {
    Start(0);
    // One write completes normally, a second one is never committed.
    lib().OutputRequest(d(), 4010, IntValue(9));
    lib().OutputRequestCompleted(d());
    ASSERT_TRUE(o.WaitForRun("KOM 9", 1));
    lib().OutputRequest(d(), 3005, RealValue(1.5));
    std::this_thread::sleep_for(1300ms);  // past 81 + 1200

    bool isDone = false;
    EXPECT_EQ(o.OutputStatus(4010, &isDone), 0);
    EXPECT_TRUE(isDone) << "already completed: true with the earlier result";
    EXPECT_EQ(o.Run("OF  9").back(), "K=4010, R=1,  S=3, F=0, H=TRUE, SP=0");
    EXPECT_EQ(WatchedStatus(4010), 26);

    const TOutcome v = o.FinishWrite(3005);
    EXPECT_TRUE(CompletedThroughCallBack(v));
    EXPECT_EQ(o.Calls().back().Direction, 1);
    EXPECT_EQ(WatchedStatus(3005), 26);

    const auto of4 = o.Run("OF  4");
    ASSERT_EQ(of4.size(), 3u);
    EXPECT_TRUE(Matches(of4[0], "K=4010, R=1,  timeout=#/1281")) << of4[0];
    EXPECT_TRUE(Matches(of4[1], "K=3005, R=1,  timeout=#/1281")) << of4[1];
    EXPECT_EQ(o.Run("OF  9").back(), "K=3005, R=1,  S=1, F=0, H=TRUE, SP=26");
    EXPECT_EQ(sim.RequestCount(), 1u);
}

// The host starts the channel's next request at the very moment the
// call-back thread reads the clock for the old one's time-out, with the
// clock already past the old one's limit: the new request is not the one
// examined, so it is not ended, and its answer arrives with status 0.
TEST_F(Timing, TimeOutCheckNeverEndsARequestStartedMeanwhile) {
    Start(0);
    TTestClock clock;
    static_cast<TData*>(d())->Clock.store(&clock);
    // The old request stays uncommitted: no exchange of it is under way when
    // the clock jumps.
    clock.OnNextTickOf("zr6180 CB", [&](uint32_t nowMs) {
        const uint32_t later = nowMs + 5000;  // past 1 x 81 + 1000
        clock.Freeze(later + 1);
        lib().InputRequest(d(), 100);
        lib().InputRequestCompleted(d());
        int32_t st = -1;
        lib().InputFinalized(d(), 100, &st);
        return later;
    });
    lib().InputRequest(d(), 100);
    int32_t st = -1;
    ASSERT_EQ(lib().InputFinalized(d(), 100, &st), 0);
    ASSERT_TRUE(o.WaitForCalls(1, 10000));
    EXPECT_TRUE(clock.HookRan());
    EXPECT_EQ(o.InputStatus(100), 0);
    EXPECT_EQ(WatchedStatus(100), 0);
    EXPECT_TRUE(o.Run("CB  0").empty());
    for (const std::string& r : o.CallBackLog()) EXPECT_EQ(r.find("timeout"), std::string::npos) << r;
    o.Done();
    static_cast<TData*>(d())->Clock.store(nullptr);  // DisposeDriver comes after the clock has gone
}

TEST_F(Timing, ResetOnAnUndeclaredInterfaceEndsByTheTimeLimit) {
    Start(0);
    lib().OutputRequest(d(), 99, IntValue(3500));  // 3500 names interface 2, which has no thread
    lib().OutputRequestCompleted(d());
    EXPECT_EQ(o.Run("OR  9").back(), "K=99,   R=2,  S=1, H=3500");
    const TOutcome v = o.FinishWrite(99);
    EXPECT_TRUE(CompletedThroughCallBack(v));
    EXPECT_EQ(WatchedStatus(99), 26);
    // Interface 2 without parameters: ((30 + 0) x 1 + 0) x 3 = 90 ms, plus 1000.
    ASSERT_EQ(o.Run("CB  0").size(), 1u);
    EXPECT_TRUE(Matches(o.Run("CB  0")[0], "K=99,   R=2,  S=1, timeout rozhrani=#/1090")) << o.Run("CB  0")[0];
    EXPECT_EQ(sim.RequestCount(), 0u);
}

}  // namespace
}  // namespace e2e

#endif
