// The request queues, the start and error completion of a request, the
// hourly fill report and the channel-99 reset, without threads.
#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <ctime>
#include <fstream>
#include <mutex>
#include <thread>

#include "comm/Fronta.h"
#include "comm/TimeLimits.h"
#include "comm/StatusReset.h"
#include "base/Cp1250.h"
#include "tests/unit/ThreadSupport.h"

namespace {

using namespace thread_support;

// Whether a thread of this process sleeps (on the lock it waits for).
bool ThreadSleeps(pid_t tid) {
    std::ifstream f("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const std::size_t i = stat.rfind(')');
    return i != std::string::npos && i + 2 < stat.size() && stat[i + 2] == 'S';
}

class Queue : public ::testing::Test {
protected:
    TDriverState s;
    TData& d = *s.d;
    TFronta& f = d.Fronty[1];
};

TEST_F(Queue, LimitPozadavkuFollowsTheInterfaceParameters) {
    TRozhrani& r = d.Rozhrani[2];
    r.Baud = 600;
    r.Timeout = 1000;
    r.Opakovani = 2;
    r.UdpTimeout = 500;
    EXPECT_EQ(LimitPozadavku(r), 14145);
    r.Baud = 9600;
    r.Timeout = 200;
    r.UdpTimeout = 100;
    EXPECT_EQ(LimitPozadavku(r), 2370);
    EXPECT_EQ(LimitLanRozhrani(115200, 0, 0, 50), 57u);
}

TEST_F(Queue, ZaradPozadavekStartsTheRequestAsANewEntry) {
    s.clock.Freeze(123456);
    TKanal& k = d.Kanaly[1005];
    k.Hotovo = 1;
    k.CekaCallBack = 1;
    k.PocetVolani = 7;
    ZaradPozadavek(d, 1005, 0);
    EXPECT_EQ(k.Hotovo, 0);
    EXPECT_EQ(k.CekaCallBack, 0);
    EXPECT_EQ(k.PocetVolani, 8u);
    EXPECT_EQ(k.CasPozadavku, 123456u);
    EXPECT_EQ(k.Funkce, 0);
    EXPECT_EQ(k.LimitPozadavku, ((30 + 200) * 3 + 2000) * 3);
    EXPECT_EQ(f.Polozky[1], 1005);
    EXPECT_EQ(f.IndexZapisu, 2);
    EXPECT_EQ(f.PocetNepotvrzenych, 1);
    EXPECT_EQ(f.PocetPotvrzenych, 0);
    EXPECT_EQ(NextInQueue(d, 1), 0) << "an uncommitted entry is not visible";
}

TEST_F(Queue, CommitMakesAllNewEntriesVisibleInOrder) {
    for (int c : {100, 1005, 100}) {
        s.Channel(c, 1, 1, 0);
        ZaradPozadavek(d, c, 0);
    }
    EXPECT_EQ(NextInQueue(d, 1), 0);
    PotvrdFronty(d);
    EXPECT_EQ(f.PocetPotvrzenych, 3);
    EXPECT_EQ(f.PocetNepotvrzenych, 0);
    EXPECT_DOUBLE_EQ(f.Zaplneni, 0.3);
    EXPECT_DOUBLE_EQ(f.ZaplneniMax, 0.3);
    for (int c : {100, 1005, 100}) {
        EXPECT_EQ(NextInQueue(d, 1), c);
        RemoveFromQueue(d, 1);
    }
    EXPECT_EQ(NextInQueue(d, 1), 0);
    EXPECT_EQ(f.PocetPotvrzenych, 0);
    EXPECT_DOUBLE_EQ(f.Zaplneni, 0.0);
    EXPECT_DOUBLE_EQ(f.ZaplneniPredchozi, 0.1);
    EXPECT_DOUBLE_EQ(f.ZaplneniMax, 0.3);
    EXPECT_EQ(f.IndexCteni, 4);
}

// A second host thread adds an entry while a commit waits for the lock:
// the commit must count it, or it stays uncommitted behind the read index
// and every later entry of the queue runs one place late.
TEST_F(Queue, CommitCountsAnEntryAddedWhileItWaitedForTheLock) {
    s.Channel(100, 1, 1, 0);
    ZaradPozadavek(d, 100, 0);
    std::atomic<pid_t> tid{0};
    std::thread commits;
    {
        std::lock_guard<std::mutex> g(d.WindowLock);
        commits = std::thread([&] {
            tid = static_cast<pid_t>(syscall(SYS_gettid));
            PotvrdFronty(d);
        });
        ASSERT_TRUE(WaitFor([&] { return tid != 0 && ThreadSleeps(tid); }, 5000));
        // What VlozDoFronty of the other thread leaves under the lock.
        f.Polozky[f.IndexZapisu] = 100;
        f.IndexZapisu = f.IndexZapisu + 1;
        f.PocetNepotvrzenych.Add(1);
    }
    commits.join();
    EXPECT_EQ(f.PocetPotvrzenych, 2);
    EXPECT_EQ(f.PocetNepotvrzenych, 0);
}

TEST_F(Queue, FullQueueCompletesTheRequestWithStatus3) {
    for (int i = 0; i < 500; ++i) ZaradPozadavek(d, 1005, 0);
    PotvrdFronty(d);
    for (int i = 0; i < 499; ++i) ZaradPozadavek(d, 1005, 0);
    s.Channel(100, 1, 9, 0);
    ZaradPozadavek(d, 100, 0);  // the 1000th entry still fits
    EXPECT_EQ(d.Kanaly[100].Hotovo, 0);
    EXPECT_EQ(f.PocetNepotvrzenych, 500);

    s.Channel(200, 1, 9, 0);
    ZaradPozadavek(d, 200, 0);
    const TKanal& k = d.Kanaly[200];
    EXPECT_EQ(k.Hotovo, 1);
    EXPECT_EQ(k.Status, 3);
    EXPECT_EQ(k.StatusPosledni, 3);
    EXPECT_EQ(f.PocetPotvrzenych, 500);
    EXPECT_EQ(f.PocetNepotvrzenych, 500);
    EXPECT_EQ(f.IndexZapisu, 1);
    EXPECT_EQ(f.Polozky[1000], 100);
    EXPECT_EQ(f.Polozky[1], 1005) << "the queue is unchanged";
    EXPECT_EQ(VlozDoFronty(d, 200), TQueued::Full);
}

TEST_F(Queue, IndexesWrapAfterAThousandEntries) {
    for (int round = 0; round < 4; ++round) {
        for (int i = 0; i < 250; ++i) ZaradPozadavek(d, 1005, 0);
        PotvrdFronty(d);
        while (NextInQueue(d, 1) != 0) RemoveFromQueue(d, 1);
    }
    EXPECT_EQ(f.IndexZapisu, 1);
    EXPECT_EQ(f.IndexCteni, 1);
    EXPECT_EQ(f.PocetPotvrzenych, 0);
}

TEST_F(Queue, ChannelWithoutAnInterfaceIsNotQueued) {
    s.Channel(300, 0, 1, 0);
    ZaradPozadavek(d, 300, 0);
    EXPECT_EQ(d.Kanaly[300].Hotovo, 1);
    EXPECT_EQ(d.Kanaly[300].Status, 3);
    for (const TFronta& q : d.Fronty) EXPECT_EQ(q.PocetNepotvrzenych, 0);
}

TEST_F(Queue, UkonciSChybouStoresTheStatusAndHotovoLast) {
    TKanal& k = d.Kanaly[1005];
    k.CasPozadavku = 1000;
    k.CasOdeslani = 1500;
    k.DobaRS = 9;
    k.DataCteni[15] = 7;
    k.StatusRegistr = 4;
    k.StavPozadavku = TRequestState::Sent;
    s.clock.Freeze(2000);
    UkonciSChybou(d, 1005, 26);
    EXPECT_EQ(k.DobaRS, 0u);
    EXPECT_EQ(k.DobaLAN, 500u);
    EXPECT_EQ(k.DobaCelkem, 1000u);
    EXPECT_EQ(k.StatusPosledni, 26);
    EXPECT_EQ(k.Status, 26);
    EXPECT_EQ(k.DataCteni[15], 0);
    EXPECT_EQ(k.StatusRegistr, 0);
    EXPECT_EQ(k.Hotovo, 1);
    EXPECT_EQ(k.StavPozadavku.load(), TRequestState::Sent) << "the request state is not this function's";
    EXPECT_EQ(d.Rozhrani[1].Status, 26);
    EXPECT_EQ(d.Rozhrani[1].Moduly[5].Status, 1);
    EXPECT_EQ(d.Rozhrani[1].StatusKanalu[1005], 1);
    EXPECT_EQ(d.PosledniChybnyKanal, 1005u);
}

TEST_F(Queue, UkonciSChybouIgnoresChannelsOutsideTheTable) {
    UkonciSChybou(d, 98, 17);
    UkonciSChybou(d, 6100, 17);
    EXPECT_EQ(d.PosledniChybnyKanal, 0u);
    EXPECT_EQ(d.Rozhrani[1].Status, 0);
}

// Wall-clock ms of a local time today.
int64_t LocalMs(int hour, int minute) {
    time_t t = time(nullptr);
    tm r{};
    localtime_r(&t, &r);
    r.tm_hour = hour;
    r.tm_min = minute;
    r.tm_sec = 0;
    r.tm_isdst = -1;
    return static_cast<int64_t>(mktime(&r)) * 1000;
}

TEST_F(Queue, HourlyReportWritesTheMaximumAndResetsIt) {
    d.Regional.DecimalSeparator = ',';
    s.clock.SetRealMs(LocalMs(10, 59) + 30000);
    TQueueHour h;
    EXPECT_EQ(ReportQueueFill(d, 1, h), 30000) << "ms left to the next hour";
    EXPECT_EQ(f.HodinaMax, 10);
    EXPECT_EQ(CountOf(s.InterfaceLog(1), "] FIFOmax=0,0%\r\n"), 1) << "the initial hour 25 reports at once";

    for (int i = 0; i < 1000; ++i) ZaradPozadavek(d, 1005, 0);
    PotvrdFronty(d);
    EXPECT_DOUBLE_EQ(f.Zaplneni, 100.0);
    ReportQueueFill(d, 1, h);
    EXPECT_EQ(CountOf(s.InterfaceLog(1), "FIFOmax="), 1) << "same hour";

    s.clock.SetRealMs(LocalMs(11, 0) + 5);
    ReportQueueFill(d, 1, h);
    EXPECT_EQ(CountOf(s.InterfaceLog(1), "] FIFOmax=100,0%\r\n"), 1);
    EXPECT_EQ(f.HodinaMax, 11);
    EXPECT_DOUBLE_EQ(f.ZaplneniMax, 0.0);

    s.clock.SetRealMs(LocalMs(10, 20));  // the clock was set back
    ReportQueueFill(d, 1, h);
    EXPECT_EQ(f.HodinaMax, 10);
}

TEST_F(Queue, HourlyReportIsSilentWithInterfaceLoggingOff) {
    d.Cfg.LogRozhraniPovolen = 0;
    TQueueHour h;
    ReportQueueFill(d, 1, h);
    EXPECT_NE(f.HodinaMax, 25);
    EXPECT_EQ(s.InterfaceLog(1), "");
}

TEST_F(Queue, PripravNulovaniAimsChannel99AtTheTargetsModule) {
    PripravNulovani(d, 1005);
    const TKanal& k = d.Kanaly[99];
    EXPECT_EQ(k.Adresa, 5);
    EXPECT_EQ(k.Rozhrani, 1);
    EXPECT_EQ(k.Funkce, 101);
    EXPECT_EQ(k.Periferie, 0);
    EXPECT_EQ(k.DataZapis[0], 0xED);
    EXPECT_EQ(k.DataZapis[1], 0x03);
    EXPECT_EQ(k.DataZapis[2], 0);
    EXPECT_EQ(k.DataZapis[3], 0);

    s.Channel(6099, 2, 7, 0);
    for (uint32_t target : {99u, 6100u}) {
        PripravNulovani(d, target);
        EXPECT_EQ(k.Adresa, 5) << target;
    }
}

TEST_F(Queue, PoNulovaniClearsTheModuleAndItsChannelsOnly) {
    s.Channel(100, 1, 5, 0).StatusRegistr = 8;
    s.Channel(3000, 1, 5, 1).StatusRegistr = 8;
    s.Channel(3001, 1, 6, 1).StatusRegistr = 8;
    s.Channel(3002, 2, 5, 1).StatusRegistr = 8;
    d.Rozhrani[1].Moduly[5].StatusRegistr = 8;
    d.Rozhrani[1].Moduly[6].StatusRegistr = 8;
    PripravNulovani(d, 1005);
    PoNulovani(d);
    EXPECT_EQ(d.Rozhrani[1].Moduly[5].StatusRegistr, 0);
    EXPECT_EQ(d.Kanaly[100].StatusRegistr, 0);
    EXPECT_EQ(d.Kanaly[3000].StatusRegistr, 0);
    EXPECT_EQ(d.Rozhrani[1].Moduly[6].StatusRegistr, 8);
    EXPECT_EQ(d.Kanaly[3001].StatusRegistr, 8);
    EXPECT_EQ(d.Kanaly[3002].StatusRegistr, 8);
}

TEST_F(Queue, PoNulovaniWithoutATargetChangesNothing) {
    d.Rozhrani[1].Moduly[0].StatusRegistr = 8;
    d.Kanaly[99].Rozhrani = 0;
    PoNulovani(d);
    d.Kanaly[99].Rozhrani = 17;
    PoNulovani(d);
    EXPECT_EQ(d.Rozhrani[1].Moduly[0].StatusRegistr, 8);
}

}  // namespace
