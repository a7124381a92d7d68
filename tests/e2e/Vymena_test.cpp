// Gateway faults as the loaded driver meets them on loopback: foreign and
// broken answers, stale datagrams, answer status codes and demo mode, with
// the lines they leave in the interface, Err and RUN logs.
#include "e2e/RunningDriver.h"

#ifdef RV_HAVE_SIMULATOR

#include <chrono>
#include <thread>

namespace e2e {
namespace {

using namespace std::chrono_literals;

std::string Cp(std::string_view t) { return std::string(t); }

class Vymena : public TRunningDriver {
protected:
    void SetUp() override { ASSERT_TRUE(sim.Start()); }
    void Spust(int demo = 0, int udpTimeout = 20, int port = -1) {
        TParamFile p = StandardParams(sim.Port());
        p.Interfaces[0].UdpTimeout = udpTimeout;
        if (port >= 0) p.Interfaces[0].Port = static_cast<uint16_t>(port);
        p.Interfaces[0].Demo = demo;
        ASSERT_TRUE(TRunningDriver::Spust(p));
    }
    std::string Err() const { return o.Soubor("Rv_zr6180Err1.log"); }
};

TEST_F(Vymena, ForeignIdentifierIsLoggedAndNeverTakenForTheAnswer) {
    Spust();
    sim.SetFault(5, TSimFault{.wrongId = true});
    EXPECT_TRUE(o.Vstup(1005).Hotovo);
    EXPECT_EQ(WatchedStatus(1005), 21);
    ASSERT_TRUE(o.CekejNaRun("KOM 9", 1));
    const std::string log = o.LogRozhrani(1);
    EXPECT_EQ(CountOf(log, Cp("] Ch=1005 - LAN neplatné ID=1006\r\n"_cp)), 1) << log;
    EXPECT_EQ(CountOf(log, "] Ch=1005 - Chyba LAN - timeout\r\n"), 1) << log;
    const std::string err = Err();
    EXPECT_EQ(CountOf(err, Cp("] Neplatná zpráva \"[VUZIV2]EE030000"_cp)), 1) << err;
    EXPECT_EQ(CountOf(err, "\", Ch=1005\r\n"), 1) << err;
}

TEST_F(Vymena, BrokenAndShortAnswers) {
    Spust();
    sim.SetFault(5, TSimFault{.badChecksum = true});
    EXPECT_TRUE(o.Vstup(1005).Hotovo);
    EXPECT_EQ(WatchedStatus(1005), 21);
    sim.SetFault(5, TSimFault{.shortLength = 69});
    EXPECT_TRUE(o.Vstup(100).Hotovo);
    EXPECT_EQ(WatchedStatus(100), 21);
    ASSERT_TRUE(o.CekejNaRun("KOM 9", 2));
    const std::string log = o.LogRozhrani(1);
    EXPECT_EQ(CountOf(log, Cp("] Ch=1005 - LAN neplatný paket, Err=3\r\n"_cp)), 1) << log;
    EXPECT_EQ(CountOf(log, "Ch=100  - LAN n"), 0) << "69 characters are ignored silently";
    EXPECT_EQ(CountOf(Err(), Cp("Neplatná zpráva"_cp)), 1);
}

TEST_F(Vymena, StaleDatagramIsDrainedBeforeTheNextSend) {
    Spust();
    sim.SetValue(5, 4, zrsim::EncodeInt(11));
    sim.SetFault(5, TSimFault{.staleAfter = true, .times = 1});
    EXPECT_TRUE(o.Vstup(1005).Hotovo);
    EXPECT_EQ(o.CtiCele(1005), 11);
    const auto konec = std::chrono::steady_clock::now() + 2s;
    while (sim.AnswersSent() < 2 && std::chrono::steady_clock::now() < konec) std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(20ms);  // the stale one reaches the driver's socket
    sim.SetValue(5, 4, zrsim::EncodeInt(12));
    EXPECT_TRUE(o.Vstup(1005).Hotovo);
    EXPECT_EQ(o.CtiCele(1005), 12);
    EXPECT_EQ(WatchedStatus(1005), 0);
    EXPECT_EQ(o.Run("KOM 1"), std::vector<std::string>{"K=1005, R=1,  odebrano"});
    EXPECT_EQ(CountOf(o.LogRozhrani(1), Cp("] Ch=1005 - LAN neočekávaná zpráva, IDh=EE03\r\n"_cp)), 1);
    EXPECT_EQ(CountOf(Err(), Cp("] Neočekávaná zpráva \"[VUZIV2]EE030000"_cp)), 1);
}

TEST_F(Vymena, AnswerStatusCodesMarkTheInterfaceFromTen) {
    Spust();
    sim.SetFault(5, TSimFault{.status = 5});
    EXPECT_TRUE(o.Vstup(1005).Hotovo);
    EXPECT_EQ(WatchedStatus(1005), 5);
    EXPECT_EQ(o.CtiCele(11), 65536 + 256 + 0);
    sim.SetFault(5, TSimFault{.status = 20});
    EXPECT_TRUE(o.Vstup(1005).Hotovo);
    EXPECT_EQ(o.CtiCele(11), 65536 + 256 + 20);
    ASSERT_TRUE(o.CekejNaRun("KOM 9", 2));
    const std::string log = o.LogRozhrani(1);
    EXPECT_EQ(CountOf(log, "] Ch=1005 - Chyba ZR  - SP=5\r\n"), 1) << log;
    EXPECT_EQ(CountOf(log, "] Ch=1005 - Chyba ZR  - SP=20\r\n"), 1) << log;
    EXPECT_TRUE(Matches(o.Run("KOM 9")[0], "K=1005, R=1,  S=3, (#) OK")) << o.Run("KOM 9")[0];
}

TEST_F(Vymena, DemoModeCompletesWithoutSending) {
    Spust(1);
    sim.SetValue(5, 4, zrsim::EncodeInt(99));
    const TDokonceni v = o.Vstup(1005);
    EXPECT_TRUE(v.Hotovo);
    EXPECT_EQ(v.Status, 0);
    EXPECT_EQ(o.CtiCele(1005), 0);
    EXPECT_TRUE(o.Vystup(4010, HodnotaCele(3)).Hotovo);
    EXPECT_EQ(WatchedStatus(4010), 0);
    EXPECT_EQ(sim.RequestCount(), 0u);
    ASSERT_TRUE(o.CekejNaRun("KOM 9", 2));
    EXPECT_TRUE(Matches(o.Run("KOM 9")[0], "K=1005, R=1,  S=[14], F=0, DEMO")) << o.Run("KOM 9")[0];
}

TEST_F(Vymena, EmptyDatagramEndsTheExchangeWithStatus19) {
    Spust(0, 1000);
    sim.SetSilent(true);
    lib().InputRequest(d(), 100);
    lib().InputRequestCompleted(d());
    ASSERT_TRUE(sim.WaitForRequests(1, 2000));
    ASSERT_TRUE(sim.SendToLastRequester(""));
    const TDokonceni v = o.DokonciVstup(100);
    EXPECT_TRUE(v.Hotovo);
    EXPECT_EQ(WatchedStatus(100), 19);
    ASSERT_TRUE(o.CekejNaRun("KOM 9", 1));
    EXPECT_EQ(o.Run("KOM 9")[0], "K=100,  R=1,  S=3, F=0, exception");
    EXPECT_EQ(CountOf(o.LogRozhrani(1), "] Ch=100  - LAN exception\r\n"), 1);
    EXPECT_EQ(sim.RequestCount(), 1u);

    // The thread goes on with the next request.
    sim.SetSilent(false);
    sim.SetValue(5, 4, zrsim::EncodeInt(4));
    EXPECT_TRUE(o.Vstup(1005).Hotovo);
    EXPECT_EQ(o.CtiCele(1005), 4);
}

TEST_F(Vymena, UnusablePortEndsWithStatus19) {
    Spust(0, 20, 0);
    EXPECT_TRUE(o.Vystup(4010, HodnotaCele(1)).Hotovo);
    EXPECT_EQ(WatchedStatus(4010), 19);
    ASSERT_TRUE(o.CekejNaRun("KOM 9", 1));
    EXPECT_EQ(CountOf(o.LogRozhrani(1), "] Ch=4010 - LAN exception\r\n"), 1);
}

}  // namespace
}  // namespace e2e

#endif
