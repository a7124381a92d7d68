// The interface thread against a raw UDP stand-in of a gateway on 127.0.0.1.
#include <gtest/gtest.h>

#include "comm/Wake.h"
#include "comm/Fronta.h"
#include "comm/StatusReset.h"
#include "comm/ThreadRozhrani.h"
#include "base/Cp1250.h"
#include "support/Seams.h"
#include "tests/unit/ThreadSupport.h"

namespace {

using namespace thread_support;
using Clock = std::chrono::steady_clock;

class ThreadRozhrani : public ::testing::Test {
protected:
    TThreadRozhrani& StartThread(int k = 1) {
        d.Vlakna[k] = std::make_unique<TThreadRozhrani>(&d, static_cast<uint8_t>(k));
        EXPECT_TRUE(d.Vlakna[k]->Start());
        EXPECT_TRUE(WaitFor([&] { return d.VlaknoBezi[k] == 1; }, 2000));
        return *d.Vlakna[k];
    }
    // A request as the exports start it, committed at once.
    void QueueRequest(int c, uint8_t funkce) {
        if (d.Kanaly[c].StavPozadavku == TRequestState::None) d.Kanaly[c].StavPozadavku = TRequestState::Requested;
        ZaradPozadavek(d, c, funkce);
        PotvrdFronty(d);
    }
    bool WaitDone(int c, int ms = 5000) {
        return WaitFor([&] { return d.Kanaly[c].Hotovo == 1; }, ms);
    }
    std::string SentRequest(int ms = 3000) { return s.gateway.Receive(ms).value_or("<nothing>"); }
    // A read of channel c that the gateway answers with this status and
    // serial time; true when the request finished.
    bool AnsweredRead(int c, uint8_t status = 0, uint16_t rs = 0) {
        QueueRequest(c, 0);
        if (!s.gateway.Receive(3000)) return false;
        s.gateway.ReplyToSender(AnswerPacket(static_cast<uint32_t>(c), status, rs, 0, 0, 0));
        return WaitDone(c);
    }
    // Channel 1005's request ended as an exception: status 19, one line in
    // each log; and the thread serves the next request.
    void ExpectExceptionThenServesOn() {
        EXPECT_EQ(d.Kanaly[1005].Status, 19);
        EXPECT_EQ(d.Kanaly[1005].StavPozadavku.load(), TRequestState::Stored);
        EXPECT_EQ(CountOf(s.InterfaceLog(1), "] Ch=1005 - LAN exception\r\n"), 1);
        EXPECT_EQ(CountOf(s.RunLog(), RunPart("KOM 9", 1005, 1, 3, "F=0, exception\r\n")), 1);
        ASSERT_TRUE(AnsweredRead(1005));
        EXPECT_EQ(d.Kanaly[1005].Status, 0);
    }

    TDriverState s;
    TData& d = *s.d;
};

TEST(ThreadRozhraniText, OrizniKonecRemovesOneLineEnd) {
    EXPECT_EQ(TThreadRozhrani::OrizniKonec("ab\r\n"), "ab");
    EXPECT_EQ(TThreadRozhrani::OrizniKonec("ab\n\n\n"), "ab\n");
    EXPECT_EQ(TThreadRozhrani::OrizniKonec("ab\r"), "ab");
    EXPECT_EQ(TThreadRozhrani::OrizniKonec("\n"), "");
    EXPECT_EQ(TThreadRozhrani::OrizniKonec(""), "");
}

TEST(ThreadRozhraniText, KanalText4PadsToFourCharacters) {
    EXPECT_EQ(TThreadRozhrani::KanalText4(99).sv(), "99  ");
    EXPECT_EQ(TThreadRozhrani::KanalText4(100).sv(), "100 ");
    EXPECT_EQ(TThreadRozhrani::KanalText4(6099).sv(), "6099");
}

TEST_F(ThreadRozhrani, ReadRequestAndItsAnswer) {
    TKanal& k = d.Kanaly[1005];
    d.PosledniChybnyKanal = 1005;
    StartThread();
    QueueRequest(1005, 0);
    EXPECT_EQ(SentRequest(), "[VUZIV2]ED03000004C800020500030000000000AB\r\n");
    TBytes16 data;
    data.b[0] = 0x2A;
    data.b[15] = 0x99;
    const std::string odpoved = AnswerPacket(1005, 0, 55, 0x11, 0x12345678, 0x04, data);
    s.gateway.ReplyToSender(odpoved);
    ASSERT_TRUE(WaitDone(1005));
    EXPECT_EQ(k.StavPozadavku.load(), TRequestState::Stored);
    EXPECT_EQ(k.Status, 0);
    EXPECT_EQ(k.StatusPosledni, 0);
    EXPECT_EQ(k.DobaRS, 55u);
    EXPECT_EQ(k.DobaRS16, 55);
    EXPECT_EQ(k.BajtOdpovedi, 0x11);
    EXPECT_EQ(k.CasovaZnacka, 0x12345678u);
    EXPECT_EQ(k.StatusRegistr, 0x04);
    EXPECT_EQ(k.DataCteni[0], 0x2A);
    EXPECT_EQ(k.DataCteni[15], 0x99);
    EXPECT_EQ(k.Dotaz.Read(), "[VUZIV2]ED03000004C800020500030000000000AB");
    EXPECT_EQ(k.Odpoved.Read(), odpoved.substr(0, 68));
    EXPECT_EQ(d.PosledniChybnyKanal, 0u) << "a good answer clears its own mark";
    EXPECT_EQ(d.Rozhrani[1].Moduly[5].Status, 0);
    EXPECT_EQ(d.Fronty[1].PocetPotvrzenych, 0);

    const std::string run = s.RunLog();
    EXPECT_EQ(CountOf(run, RunPart("KOM 0", 1005, 1, 1, "F=1, T=")), 1) << run;
    EXPECT_EQ(CountOf(run, RunPart("KOM 2", 1005, 1, 2, "F=0\r\n")), 1) << run;
    EXPECT_EQ(CountOf(run, RunPart("KOM 9", 1005, 1, 3, "(")), 1) << run;
    EXPECT_EQ(CountOf(run, ") OK\r\n"), 1) << run;
}

TEST_F(ThreadRozhrani, TheWorkedExampleAnswerHasChecksumB3) {
    TBytes16 data;
    data.b[0] = 0x2A;
    EXPECT_EQ(AnswerPacket(1005, 0, 55, 0, 0x12345678, 0, data, ""),
              "[VUZIV2]ED0300000037000078563412002A000000000000000000000000000000B3");
}

TEST_F(ThreadRozhrani, WriteRequestCarriesTheOutputBytes) {
    TKanal& k = s.Channel(3000, 1, 0x12, 0x0A);
    const uint8_t byteValues[4] = {0xDE, 0xAD, 0x01, 0x02};
    for (int i = 0; i < 4; ++i) k.DataZapis[i] = byteValues[i];
    k.DataZapis[4] = 0x77;  // only four bytes travel
    s.Interface(1, 115200, 300, 15, 2000, 0);
    StartThread();
    QueueRequest(3000, 1);
    const std::string body = "B80B0000" "08" "2C01" "0F" "12" "01" "0A" "00" "DEAD0102";
    EXPECT_EQ(SentRequest(), "[VUZIV2]" + body + Checksum(body) + "\r\n");
    s.gateway.ReplyToSender(AnswerPacket(3000, 0, 1, 0, 0, 0));
    ASSERT_TRUE(WaitDone(3000));
    EXPECT_EQ(k.Status, 0);
}

TEST_F(ThreadRozhrani, ResetRequestOfChannel99) {
    StartThread();
    PripravNulovani(d, 1005);
    QueueRequest(99, 101);
    EXPECT_EQ(SentRequest(), "[VUZIV2]6300000004C8000205650000ED0300009A\r\n");
}

TEST_F(ThreadRozhrani, NamesAreResolvedAtTheSend) {
    d.Rozhrani[1].IPAdresa = "localhost";
    StartThread();
    QueueRequest(1005, 0);
    EXPECT_EQ(SentRequest().substr(0, 16), "[VUZIV2]ED030000");
}

// The call-back thread's interface time-out ended a request while it still
// waited in the queue behind a slow one: the host has its 26, so the entry
// is taken out without an exchange that would overwrite it.
TEST_F(ThreadRozhrani, EntryEndedWith26WhileQueuedIsNotSent) {
    s.Channel(1006, 1, 5, 4);
    QueueRequest(1005, 0);
    UkonciSChybou(d, 1005, StatusInterfaceTimeout);  // as the call-back thread does
    QueueRequest(1006, 0);
    StartThread();
    EXPECT_EQ(SentRequest().substr(0, 16), "[VUZIV2]EE030000") << "the next entry goes first";
    s.gateway.ReplyToSender(AnswerPacket(1006, 0, 0, 0, 0, 0));
    ASSERT_TRUE(WaitDone(1006));
    EXPECT_EQ(d.Fronty[1].PocetPotvrzenych, 0);
    EXPECT_EQ(s.gateway.CountWithin(100), 0);
    EXPECT_EQ(d.Kanaly[1005].Status, StatusInterfaceTimeout);
    EXPECT_EQ(d.Kanaly[1005].StavPozadavku.load(), TRequestState::Requested);
}

TEST_F(ThreadRozhrani, SilentGatewayIsRetriedThenStatus21) {
    s.Interface(1, 115200, 0, 0, 50, 2);  // LimitLan 57 ms
    s.Channel(100, 1, 1, 0);
    StartThread();
    QueueRequest(100, 0);
    ASSERT_TRUE(WaitDone(100));
    const TKanal& k = d.Kanaly[100];
    EXPECT_EQ(k.Status, 21);
    EXPECT_EQ(k.StavPozadavku.load(), TRequestState::Stored);
    EXPECT_EQ(d.Rozhrani[1].Status, 21);
    EXPECT_EQ(d.PosledniChybnyKanal, 100u);
    EXPECT_EQ(s.gateway.CountWithin(100), 3) << "one send and two retries";
    const std::string log = s.InterfaceLog(1);
    for (const char* attempt : {"1=", "2=", "3="}) {
        const std::string begin = "] Ch=100  - LAN timeout" + std::string(attempt);
        const std::size_t i = log.find(begin);
        ASSERT_NE(i, std::string::npos) << log;
        EXPECT_GE(std::stoul(log.substr(i + begin.size())), 57u);
    }
    EXPECT_EQ(CountOf(log, "] Ch=100  - Chyba LAN - timeout\r\n"), 1) << log;
    const std::string run = s.RunLog();
    EXPECT_EQ(CountOf(run, RunPart("KOM 2", 100, 1, 2, "F=0")), 3);
    EXPECT_EQ(CountOf(run, RunPart("KOM 9", 100, 1, 3, "F=0, timeout\r\n")), 1) << run;
}

TEST_F(ThreadRozhrani, NoRetryWithUdpOpakovani0) {
    s.Interface(1, 115200, 0, 0, 30, 0);
    StartThread();
    QueueRequest(1005, 0);
    ASSERT_TRUE(WaitDone(1005));
    EXPECT_EQ(d.Kanaly[1005].Status, 21);
    EXPECT_EQ(s.gateway.CountWithin(100), 1);
    const std::string log = s.InterfaceLog(1);
    EXPECT_EQ(CountOf(log, "Ch=1005 - LAN timeout1="), 1);
    EXPECT_EQ(CountOf(log, "LAN timeout2="), 0);
}

TEST_F(ThreadRozhrani, StaleDatagramIsDrainedBeforeTheSend) {
    StartThread();
    ASSERT_TRUE(AnsweredRead(1005, 0, 1));

    TBytes16 oldOnes;
    oldOnes.b[0] = 0x55;
    const std::string oldOne = AnswerPacket(1005, 0, 1, 0, 0, 0, oldOnes);
    s.gateway.ReplyToSender(oldOne);  // waits in the driver's socket
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    QueueRequest(1005, 0);
    ASSERT_TRUE(s.gateway.Receive(3000));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(d.Kanaly[1005].Hotovo, 0) << "the stale datagram is not the answer";
    s.gateway.ReplyToSender(AnswerPacket(1005, 0, 1, 0, 0, 0));
    ASSERT_TRUE(WaitDone(1005));
    EXPECT_EQ(d.Kanaly[1005].DataCteni[0], 0);

    EXPECT_EQ(CountOf(s.InterfaceLog(1), Cp("] Ch=1005 - LAN neočekávaná zpráva, IDh=ED03\r\n"_cp)), 1);
    EXPECT_EQ(CountOf(s.ErrLog(), Cp("] Neočekávaná zpráva \""_cp) + oldOne.substr(0, 68) + "\", Ch=1005\r\n"), 1)
        << s.ErrLog();
    EXPECT_EQ(CountOf(s.RunLog(), RunPart("KOM 1", 1005, 1, NoField, "odebrano\r\n")), 1);
}

// Every datagram that waited before the send is taken out and logged, not
// only as many as a small socket buffer would have kept.
// Every one is drained and counted; the first 20 of a second are traced.
TEST_F(ThreadRozhrani, EveryStaleDatagramOfABurstIsDrained) {
    TTestClock clock;
    d.Clock.store(&clock);
    StartThread();
    ASSERT_TRUE(AnsweredRead(1005, 0, 1));

    constexpr int Size = 40;
    for (int i = 0; i < Size; ++i) s.gateway.ReplyToSender(AnswerPacket(1005, 0, 1, 0, 0, 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    clock.Freeze(clock.Tick());  // the burst within one second, however slow the machine
    ASSERT_TRUE(AnsweredRead(1005, 0, 1));
    EXPECT_EQ(d.InterfaceCounters[1].ForeignDatagrams, static_cast<uint64_t>(Size));
    EXPECT_EQ(CountOf(s.RunLog(), RunPart("KOM 1", 1005, 1, NoField, "odebrano\r\n")), 20);
    clock.Freeze(clock.Tick() + 1000);  // the second is over: one line for the rest
    ASSERT_TRUE(AnsweredRead(1005, 0, 1));
    EXPECT_EQ(CountOf(s.RunLog(), RunPart("KOM 1", NoField, 1, NoField, "zahlceni, nezapsano=20\r\n")), 1);
    s.Stop();  // before the clock goes
}

TEST_F(ThreadRozhrani, ForeignShortAndCorruptDatagramsAreIgnored) {
    StartThread();
    QueueRequest(1005, 0);
    ASSERT_TRUE(s.gateway.Receive(3000));
    const std::string foreign = AnswerPacket(1006, 0, 1, 0, 0, 0);
    s.gateway.ReplyToSender(foreign);
    std::string shortValue = AnswerPacket(1005, 0, 1, 0, 0, 0, {}, "\r");  // 69 characters
    ASSERT_EQ(shortValue.size(), 69u);
    s.gateway.ReplyToSender(shortValue);
    std::string faulty = AnswerPacket(1005, 0, 1, 0, 0, 0);
    faulty[66] = faulty[66] == '0' ? '1' : '0';  // checksum no longer matches
    s.gateway.ReplyToSender(faulty);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(d.Kanaly[1005].Hotovo, 0);
    TBytes16 data;
    data.b[1] = 0x42;
    s.gateway.ReplyToSender(AnswerPacket(1005, 0, 1, 0, 0, 0, data, "\r\n"));
    ASSERT_TRUE(WaitDone(1005));
    EXPECT_EQ(d.Kanaly[1005].DataCteni[1], 0x42);
    EXPECT_EQ(d.Kanaly[1005].Status, 0);

    const std::string log = s.InterfaceLog(1);
    EXPECT_EQ(CountOf(log, Cp("] Ch=1005 - LAN neplatné ID=1006\r\n"_cp)), 1) << log;
    EXPECT_EQ(CountOf(log, Cp("] Ch=1005 - LAN neplatný paket, Err=3\r\n"_cp)), 1) << log;
    EXPECT_EQ(CountOf(log, "] Ch="), 2) << "the 69-character datagram leaves no line";
    const std::string err = s.ErrLog();
    EXPECT_EQ(CountOf(err, Cp("] Neplatná zpráva \""_cp) + foreign.substr(0, 68) + "\", Ch=1005\r\n"), 1) << err;
    EXPECT_EQ(CountOf(err, Cp("] Neplatná zpráva \""_cp) + faulty.substr(0, 68) + "\", Ch=1005\r\n"), 1) << err;
}

TEST_F(ThreadRozhrani, SerialErrorStatusLeavesTheInterfaceInOrder) {
    StartThread();
    ASSERT_TRUE(AnsweredRead(1005, 5));
    EXPECT_EQ(d.Kanaly[1005].Status, 5);
    EXPECT_EQ(d.Kanaly[1005].StavPozadavku.load(), TRequestState::Stored);
    EXPECT_EQ(d.Rozhrani[1].Status, 0);
    EXPECT_EQ(d.Rozhrani[1].Moduly[5].Status, 5);
    EXPECT_EQ(d.Rozhrani[1].StatusKanalu[1005], 5);
    EXPECT_EQ(d.PosledniChybnyKanal, 1005u);
    EXPECT_EQ(CountOf(s.InterfaceLog(1), "] Ch=1005 - Chyba ZR  - SP=5\r\n"), 1);

    ASSERT_TRUE(AnsweredRead(1005, 20));
    EXPECT_EQ(d.Kanaly[1005].Status, 20);
    EXPECT_EQ(d.Rozhrani[1].Status, 20);
    EXPECT_EQ(CountOf(s.InterfaceLog(1), "] Ch=1005 - Chyba ZR  - SP=20\r\n"), 1);
}

TEST_F(ThreadRozhrani, EmptyDatagramIsIgnoredLikeAShortOne) {
    StartThread();
    QueueRequest(1005, 0);
    ASSERT_TRUE(s.gateway.Receive(3000));
    s.gateway.ReplyToSender("");
    s.gateway.ReplyToSender(AnswerPacket(1005, 0, 1, 0, 0, 0));
    ASSERT_TRUE(WaitDone(1005));
    EXPECT_EQ(d.Kanaly[1005].Status, 0);
    EXPECT_EQ(d.InterfaceCounters[1].InvalidDatagrams, 1u);
}

TEST_F(ThreadRozhrani, ExceptionInTheStepEndsTheRequestWithStatus19) {
    TThrowingClock clock;
    d.Clock.store(&clock);
    StartThread();
    QueueRequest(1005, 0);
    ASSERT_TRUE(s.gateway.Receive(3000));  // sent: the thread waits for the answer
    clock.ThrowOnNextCall();
    ASSERT_TRUE(WaitDone(1005));
    EXPECT_TRUE(clock.Thrown());
    ExpectExceptionThenServesOn();
    s.Stop();  // before the clock goes
}

TEST_F(ThreadRozhrani, FailingSendEndsTheStepWithStatus19) {
    d.Rozhrani[1].UdpPort = 0;  // no datagram can go there
    StartThread();
    QueueRequest(1005, 0);
    ASSERT_TRUE(WaitDone(1005));
    EXPECT_EQ(d.Kanaly[1005].Status, 19);
    EXPECT_EQ(d.Rozhrani[1].Status, 19);
    EXPECT_EQ(CountOf(s.RunLog(), "KOM 2"), 0);
}

TEST_F(ThreadRozhrani, DemoModeCompletesWithoutSending) {
    d.Rozhrani[1].Demo = 1;
    TKanal& k = d.Kanaly[1005];
    k.DataCteni[3] = 9;
    k.StatusRegistr = 4;
    StartThread();
    QueueRequest(1005, 0);
    ASSERT_TRUE(WaitDone(1005));
    EXPECT_EQ(k.Status, 0);
    EXPECT_EQ(k.DataCteni[3], 0);
    EXPECT_EQ(k.StatusRegistr, 0);
    EXPECT_EQ(k.StavPozadavku.load(), TRequestState::Requested) << "left as the exports set it";
    EXPECT_EQ(s.gateway.CountWithin(100), 0);
    EXPECT_EQ(CountOf(s.RunLog(), RunPart("KOM 9", 1005, 1, 1, "F=0, DEMO\r\n")), 1);
}

TEST_F(ThreadRozhrani, UncommittedEntriesAreNeverRun) {
    StartThread();
    ZaradPozadavek(d, 1005, 0);
    EXPECT_EQ(s.gateway.CountWithin(150), 0);
    PotvrdFronty(d);
    EXPECT_TRUE(s.gateway.Receive(3000));
}

TEST_F(ThreadRozhrani, TickWrapDuringTheWaitRestartsIt) {
    s.Interface(1, 115200, 0, 0, 293, 0);  // LimitLan 300 ms of test time
    s.clock.Freeze(0xFFFFFF00u);
    StartThread();
    QueueRequest(1005, 0);
    ASSERT_TRUE(s.gateway.Receive(3000));
    const auto step = [&](uint32_t t) {
        s.clock.Freeze(t);
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    };
    step(0xFFFFFF64u);  // 100 ms into the wait
    step(5);            // wrapped: the wait starts again here
    step(255);          // 250 ms after the restart, 511 ms after the send
    EXPECT_EQ(d.Kanaly[1005].Hotovo, 0);
    EXPECT_EQ(CountOf(s.InterfaceLog(1), "LAN timeout"), 0);
    step(305);
    ASSERT_TRUE(WaitDone(1005));
    EXPECT_EQ(d.Kanaly[1005].Status, 21);
    EXPECT_EQ(CountOf(s.InterfaceLog(1), "] Ch=1005 - LAN timeout1=300\r\n"), 1);
}

TEST_F(ThreadRozhrani, StopInTheMiddleOfAWaitLeavesTheRequestUnfinished) {
    s.Interface(1, 9600, 200, 2, 5000, 3);
    TThreadRozhrani& v = StartThread();
    QueueRequest(1005, 0);
    ASSERT_TRUE(s.gateway.Receive(3000));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_LT(StopAndJoinMs(v), 200);
    EXPECT_EQ(d.VlaknoBezi[1], 0);
    EXPECT_EQ(d.Kanaly[1005].Hotovo, 0);
    EXPECT_EQ(d.Kanaly[1005].StavPozadavku.load(), TRequestState::Sent);
    EXPECT_EQ(CountOf(s.RunLog(), "KOM 9"), 0);
    const std::string log = s.InterfaceLog(1);
    EXPECT_EQ(CountOf(log, "] Start\r\n"), 1);
    EXPECT_EQ(CountOf(log, "] Stop\r\n"), 1);
}

TEST_F(ThreadRozhrani, FirstStepReportsTheQueueFill) {
    StartThread();
    ASSERT_TRUE(WaitFor([&] { return d.Fronty[1].HodinaMax != 25; }, 2000));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(CountOf(s.InterfaceLog(1), "] FIFOmax=0.0%\r\n"), 1);
}

// An idle thread sleeps; each of these reaches it long before its longest
// sleep would end (a thread that only polled would need 100 ms on average).
TEST_F(ThreadRozhrani, CommitWakesAnIdleThread) {
    StartThread();
    for (int round = 0; round < 3; ++round) {
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        const auto t = Clock::now();
        QueueRequest(1005, 0);
        ASSERT_TRUE(s.gateway.Receive(3000));
        EXPECT_LT(MsSince(t), 50) << round;
        s.gateway.ReplyToSender(AnswerPacket(1005, 0, 0, 0, 0, 0));
        ASSERT_TRUE(WaitDone(1005));
    }
}

TEST_F(ThreadRozhrani, SwitchRequestWakesAnIdleThread) {
    d.Cfg.LogRozhraniPovolen = 0;
    StartThread();
    for (int round = 0; round < 3; ++round) {
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        const auto t = Clock::now();
        d.Cfg.LogZapnout = 1;
        WakeAllInterfaces(d);
        ASSERT_TRUE(WaitFor([&] { return d.Cfg.LogRozhraniPovolen == 1; }, 2000));
        EXPECT_LT(MsSince(t), 50) << round;
        d.Cfg.LogVypnout = 1;
        WakeAllInterfaces(d);
        ASSERT_TRUE(WaitFor([&] { return d.Cfg.LogRozhraniPovolen == 0; }, 2000));
    }
}

TEST_F(ThreadRozhrani, StopWakesAnIdleThread) {
    TThreadRozhrani& v = StartThread();
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    EXPECT_LT(StopAndJoinMs(v), 50);
    EXPECT_EQ(d.VlaknoBezi[1], 0);
}

// The channels rung for the call-back thread, in the order it takes them.
std::vector<int> RungChannels(TData& d) {
    std::vector<int> c;
    d.CallBackWakes.Take([&](int k) { c.push_back(k); });
    return c;
}

// A host waiting for an outcome hears of it without waiting for the
// call-back thread's next scan: the thread rings for the channel.
TEST_F(ThreadRozhrani, FinishedMarkedRequestRingsTheCallBackThread) {
    StartThread();
    const uint32_t seen = d.CallBackAlarm.Generation();
    QueueRequest(1005, 0);
    d.Kanaly[1005].CekaCallBack = 1;  // marked by the host while on its way
    ASSERT_TRUE(s.gateway.Receive(3000));
    s.gateway.ReplyToSender(AnswerPacket(1005, 0, 0, 0, 0, 0));
    ASSERT_TRUE(WaitDone(1005));
    ASSERT_TRUE(WaitFor([&] { return d.CallBackAlarm.Generation() != seen; }, 2000));
    EXPECT_EQ(RungChannels(d), std::vector<int>{1005});
}

// Unmarked outcomes need no call-back; while entries wait, the outcomes are
// left to the call-back thread's scans, and only the one that empties the
// queue rings.
TEST_F(ThreadRozhrani, OnlyAMarkedOutcomeThatEmptiesTheQueueRings) {
    s.Channel(1006, 1, 5, 4);
    StartThread();
    ASSERT_TRUE(AnsweredRead(1005));

    ZaradPozadavek(d, 1005, 0);
    ZaradPozadavek(d, 1006, 0);
    d.Kanaly[1005].CekaCallBack = 1;
    d.Kanaly[1006].CekaCallBack = 1;
    PotvrdFronty(d);
    for (int c : {1005, 1006}) {
        ASSERT_TRUE(s.gateway.Receive(3000)) << c;
        s.gateway.ReplyToSender(AnswerPacket(static_cast<uint32_t>(c), 0, 0, 0, 0, 0));
        ASSERT_TRUE(WaitDone(c)) << c;
    }
    const uint32_t seen = d.CallBackAlarm.Generation();
    std::vector<int> rung;
    ASSERT_TRUE(WaitFor(
        [&] {
            for (int c : RungChannels(d)) rung.push_back(c);
            return !rung.empty() || d.CallBackAlarm.Generation() != seen;
        },
        2000));
    for (int c : RungChannels(d)) rung.push_back(c);
    EXPECT_EQ(rung, std::vector<int>{1006});
}

TEST_F(ThreadRozhrani, ExactlyOneThreadCarriesOutASwitchRequest) {
    d.Cfg.LogRozhraniPovolen = 0;
    s.Interface(2, 9600, 200, 2, 2000, 0);
    StartThread(1);
    StartThread(2);
    d.Cfg.LogZapnout = 1;
    WakeAllInterfaces(d);
    ASSERT_TRUE(WaitFor([&] { return d.Cfg.LogRozhraniPovolen == 1; }, 2000));
    d.Cfg.LogVypnout = 1;
    WakeAllInterfaces(d);
    ASSERT_TRUE(WaitFor([&] { return d.Cfg.LogRozhraniPovolen == 0; }, 2000));
    s.Stop();
    const std::string both = s.InterfaceLog(1) + s.InterfaceLog(2);
    EXPECT_EQ(CountOf(both, Cp("] Logování zapnuto\r\n"_cp)), 1) << both;
    EXPECT_EQ(CountOf(both, Cp("] Logování vypnuto\r\n"_cp)), 1) << both;
    EXPECT_EQ(d.Cfg.LogZapnout, 0);
    EXPECT_EQ(d.Cfg.LogVypnout, 0);
}

TEST_F(ThreadRozhrani, StopBeforeTheFirstStepNeverMarksTheThreadRunning) {
    TThreadRozhrani v(&d, 1);
    v.Stop();
    ASSERT_TRUE(v.Start());
    v.Join();
    EXPECT_EQ(d.VlaknoBezi[1], 0);
    EXPECT_EQ(s.gateway.CountWithin(20), 0);
}

}  // namespace
