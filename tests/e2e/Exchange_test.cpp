// Gateway faults as the loaded driver meets them on loopback: foreign and
// broken answers, stale datagrams, answer status codes and demo mode, with
// the lines they leave in the interface, Err and RUN logs.
#include "e2e/RunningDriver.h"

#ifdef RV_HAVE_SIMULATOR

#include <chrono>
#include <thread>

#include "support/Wait.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

class Exchange : public TRunningDriver {
protected:
    void SetUp() override { ASSERT_TRUE(sim.Start()); }
    void Start(int demo = 0, int udpTimeout = 20, int port = -1) {
        TParamFile p = StandardParams(sim.Port());
        p.Interfaces[0].UdpTimeout = udpTimeout;
        if (port >= 0) p.Interfaces[0].Port = static_cast<uint16_t>(port);
        p.Interfaces[0].Demo = demo;
        ASSERT_TRUE(TRunningDriver::Start(p));
    }
    std::string Err() const { return o.File("Rv_zr6180Err1.log"); }
};

TEST_F(Exchange, ForeignIdentifierIsLoggedAndNeverTakenForTheAnswer) {
    Start();
    sim.SetFault(5, TSimFault{.wrongId = true});
    EXPECT_TRUE(o.Read(1005).Finalized);
    EXPECT_EQ(WatchedStatus(1005), 21);
    ASSERT_TRUE(o.WaitForRun("KOM 9", 1));
    const std::string log = o.InterfaceLog(1);
    EXPECT_EQ(CountOf(log, Cp("] Ch=1005 - LAN neplatné ID=1006\r\n"_cp)), 1) << log;
    EXPECT_EQ(CountOf(log, "] Ch=1005 - Chyba LAN - timeout\r\n"), 1) << log;
    const std::string err = Err();
    EXPECT_EQ(CountOf(err, Cp("] Neplatná zpráva \"[VUZIV2]EE030000"_cp)), 1) << err;
    EXPECT_EQ(CountOf(err, "\", Ch=1005\r\n"), 1) << err;
}

TEST_F(Exchange, BrokenAndShortAnswers) {
    Start();
    sim.SetFault(5, TSimFault{.badChecksum = true});
    EXPECT_TRUE(o.Read(1005).Finalized);
    EXPECT_EQ(WatchedStatus(1005), 21);
    sim.SetFault(5, TSimFault{.shortLength = 69});
    EXPECT_TRUE(o.Read(100).Finalized);
    EXPECT_EQ(WatchedStatus(100), 21);
    ASSERT_TRUE(o.WaitForRun("KOM 9", 2));
    const std::string log = o.InterfaceLog(1);
    EXPECT_EQ(CountOf(log, Cp("] Ch=1005 - LAN neplatný paket, Err=3\r\n"_cp)), 1) << log;
    EXPECT_EQ(CountOf(log, "Ch=100  - LAN n"), 0) << "69 characters are ignored silently";
    EXPECT_EQ(CountOf(Err(), Cp("Neplatná zpráva"_cp)), 1);
}

// Cases that expect answers wait for them generously: on a busy machine a
// 20 ms wait would turn a late answer into a time-out.
TEST_F(Exchange, StaleDatagramIsDrainedBeforeTheNextSend) {
    Start(0, 2000);
    sim.SetValue(5, 4, zrsim::EncodeInt(11));
    sim.SetFault(5, TSimFault{.staleAfter = true, .times = 1});
    EXPECT_TRUE(o.Read(1005).Finalized);
    EXPECT_EQ(o.GetInt(1005), 11);
    // Counted and sent under one lock, and loopback delivers within the send:
    // once counted, the stale one waits in the driver's socket.
    ASSERT_TRUE(WaitFor([&] { return sim.AnswersSent() >= 2; }));
    sim.SetValue(5, 4, zrsim::EncodeInt(12));
    EXPECT_TRUE(o.Read(1005).Finalized);
    EXPECT_EQ(o.GetInt(1005), 12);
    EXPECT_EQ(WatchedStatus(1005), 0);
    EXPECT_EQ(o.Run("KOM 1"), std::vector<std::string>{"K=1005, R=1,  odebrano"});
    EXPECT_EQ(CountOf(o.InterfaceLog(1), Cp("] Ch=1005 - LAN neočekávaná zpráva, IDh=EE03\r\n"_cp)), 1);
    EXPECT_EQ(CountOf(Err(), Cp("] Neočekávaná zpráva \"[VUZIV2]EE030000"_cp)), 1);
}

TEST_F(Exchange, AnswerStatusCodesMarkTheInterfaceFromTen) {
    Start(0, 2000);
    sim.SetFault(5, TSimFault{.status = 5});
    EXPECT_TRUE(o.Read(1005).Finalized);
    EXPECT_EQ(WatchedStatus(1005), 5);
    EXPECT_EQ(o.GetInt(11), 65536 + 256 + 0);
    sim.SetFault(5, TSimFault{.status = 20});
    EXPECT_TRUE(o.Read(1005).Finalized);
    EXPECT_EQ(o.GetInt(11), 65536 + 256 + 20);
    ASSERT_TRUE(o.WaitForRun("KOM 9", 2));
    const std::string log = o.InterfaceLog(1);
    EXPECT_EQ(CountOf(log, "] Ch=1005 - Chyba ZR  - SP=5\r\n"), 1) << log;
    EXPECT_EQ(CountOf(log, "] Ch=1005 - Chyba ZR  - SP=20\r\n"), 1) << log;
    EXPECT_TRUE(Matches(o.Run("KOM 9")[0], "K=1005, R=1,  S=3, (#) OK")) << o.Run("KOM 9")[0];
}

TEST_F(Exchange, DemoModeCompletesWithoutSending) {
    Start(1);
    sim.SetValue(5, 4, zrsim::EncodeInt(99));
    const TOutcome v = o.Read(1005);
    EXPECT_TRUE(v.Finalized);
    EXPECT_EQ(v.Status, 0);
    EXPECT_EQ(o.GetInt(1005), 0);
    EXPECT_TRUE(o.Write(4010, IntValue(3)).Finalized);
    EXPECT_EQ(WatchedStatus(4010), 0);
    EXPECT_EQ(sim.RequestCount(), 0u);
    ASSERT_TRUE(o.WaitForRun("KOM 9", 2));
    EXPECT_TRUE(Matches(o.Run("KOM 9")[0], "K=1005, R=1,  S=[14], F=0, DEMO")) << o.Run("KOM 9")[0];
}

TEST_F(Exchange, UnusablePortEndsWithStatus19) {
    Start(0, 20, 0);
    EXPECT_TRUE(o.Write(4010, IntValue(1)).Finalized);
    EXPECT_EQ(WatchedStatus(4010), 19);
    ASSERT_TRUE(o.WaitForRun("KOM 9", 1));
    EXPECT_EQ(CountOf(o.InterfaceLog(1), "] Ch=4010 - LAN exception\r\n"), 1);
}

}  // namespace
}  // namespace e2e

#endif
