// Hostile input from the network: gateways that cannot be reached, answers
// from strangers, empty datagrams and floods of garbage at the driver's
// socket. The driver must keep serving with the statuses of the design.
// (Gateway names are tried in a network of the test's own: Names_test.cpp.)
#include <gtest/gtest.h>

#ifdef RV_HAVE_SIMULATOR

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/Cp1250.h"
#include "support/TempDir.h"
#include "support/Text.h"
#include "support/SmallHost.h"
#include "support/Library.h"
#include "support/LoopbackUdp.h"
#include "support/ProcessResources.h"
#include "tools/sim/SimPacket.h"
#include "tools/sim/Simulator.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The source port of the driver's requests, as the simulator saw them.
class TSourcePort {
public:
    void Note(const std::string& line) {
        const std::size_t i = line.find(" <- 127.0.0.1:");
        if (i == std::string::npos) return;
        port_.store(static_cast<uint16_t>(std::atoi(line.c_str() + i + 14)));
    }
    uint16_t Port() const { return port_.load(); }

private:
    std::atomic<uint16_t> port_{0};
};

std::string AnswerFor(uint32_t id, uint8_t data0) {
    zrsim::TAnswer a;
    a.id = id;
    a.data[0] = data0;
    return zrsim::BuildAnswer(a);
}

class HostileNetwork : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("RV_ZR6180_WINDOW", "none", 1);
        ASSERT_NE(lib.Init, nullptr);
        WarmUpThreads();
        fd0 = OpenDescriptors();
        threadsBefore = ThreadCount();
    }
    void TearDown() override {
        if (d != nullptr) {
            lib.Done(d);
            lib.DisposeDriver(d);
        }
        EXPECT_EQ(OpenDescriptors(), fd0);
        EXPECT_EQ(WaitForThreadCount(threadsBefore), threadsBefore);
    }
    void Start(const std::vector<TGatewayAt>& r, const std::vector<std::string>& channels, bool logs = false) {
        const std::string soubor = SmallParams(r, channels, logs).Write(dir.Path());
        d = lib.MakeDriver();
        ASSERT_NE(d, nullptr);
        char chyba[256] = {};
        ASSERT_TRUE(lib.Init(d, 0, soubor.c_str(), 255, chyba, 0, 0, 0, nullptr)) << chyba;
    }
    // The driver at `sim` (its port known once it runs) with every log on,
    // once channel 1000 has been read: by then the simulator has seen the
    // driver's source port.
    void StartWatched(TSimulator& sim, int udpTimeout, int udpRetries, const std::vector<std::string>& channels) {
        sim.SetTrace([this](const std::string& r) { source.Note(r); });
        ASSERT_TRUE(sim.Start());
        ASSERT_NO_FATAL_FAILURE(Start({{"127.0.0.1", sim.Port(), udpTimeout, udpRetries}}, channels, true));
        ASSERT_EQ(ReadChannel(lib, d, 1000), 0);
        ASSERT_NE(source.Port(), 0);
    }
    // Channel c's request, which the silent simulator leaves unanswered, is
    // still open after what was sent to the driver so far; the answer with
    // its identifier, from a stranger's socket, then completes it in order.
    void ExpectOpenUntilAnswered(TLoopbackUdp& foreign, uint32_t c, const char* why) {
        std::this_thread::sleep_for(50ms);
        int32_t st = -1;
        EXPECT_FALSE(lib.InputFinalized(d, c, &st)) << why;
        EXPECT_TRUE(foreign.SendTo(source.Port(), AnswerFor(c, 0x2A)));
        ASSERT_TRUE(WaitUntilFinalized(lib, d, c, 2000));
        EXPECT_EQ(ChannelStatus(lib, d, c), 0);
        THodnota h{};
        h.TypHodnoty = TypInt;
        lib.GetInput(d, c, &h);
        EXPECT_EQ(h.Hodnota.Cele, 0x2A);
    }

    TLibrary lib;
    TTempDir dir;
    PData d = nullptr;
    int fd0 = 0, threadsBefore = 0;
    TSourcePort source;
};


TEST_F(HostileNetwork, UnreachablePortTimesOutAndTheInterfaceRecoversWhenTheGatewayComes) {
    uint16_t port = 0;
    {
        TLoopbackUdp freePort;  // a free port, closed again: nothing listens there
        port = freePort.Port();
    }
    Start({{"127.0.0.1", port, 30, 1}}, {"100 1 1 0 0"});
    for (int i = 0; i < 3; ++i) {
        const int32_t s = ReadChannel(lib, d, 100);
        EXPECT_TRUE(s == 21 || s == 19) << "status " << s;
    }
    TSimGateway g;
    g.port = port;
    TSimulator sim(TSimPlant{{g}});
    sim.SetValue(1, 0, {42, 0, 0, 0});
    ASSERT_TRUE(sim.Start());
    EXPECT_EQ(ReadChannel(lib, d, 100), 0);
    THodnota h{};
    h.TypHodnoty = TypInt;
    lib.GetInput(d, 1000, &h);  // an undeclared channel reads zeros and does not disturb
    h.TypHodnoty = TypReal;
    lib.GetInput(d, 100, &h);
    const double x = h.Hodnota.Real;  // a copy: the packed member is misaligned for a reference
    EXPECT_NE(x, 0.0);
}

TEST_F(HostileNetwork, StrangersAnswersAreMatchedByIdentifierOnly) {
    TSimulator sim;
    ASSERT_NO_FATAL_FAILURE(StartWatched(sim, 400, 0, {"1000 1 1 0 0", "1001 1 1 1 0"}));
    sim.SetSilent(true);

    TLoopbackUdp foreign;
    lib.InputRequest(d, 1001);
    lib.InputRequestCompleted(d);
    ASSERT_TRUE(sim.WaitForRequests(2, 2000));
    // Valid-looking answers with foreign identifiers and garbage: ignored.
    for (uint32_t id : {1000u, 1002u, 99u, 6099u, 0u, 0xFFFFFFFFu}) EXPECT_TRUE(foreign.SendTo(source.Port(), AnswerFor(id, 9)));
    EXPECT_TRUE(foreign.SendTo(source.Port(), std::string(69, '[')));
    EXPECT_TRUE(foreign.SendTo(source.Port(), std::string(500, 'Z')));
    // The right identifier from any sender is the answer: datagrams are
    // matched by their identifier only.
    ASSERT_NO_FATAL_FAILURE(ExpectOpenUntilAnswered(foreign, 1001, "a foreign identifier completed the request"));
    sim.SetSilent(false);
    EXPECT_EQ(ReadChannel(lib, d, 1000), 0);
}

TEST_F(HostileNetwork, FloodOfLargeGarbageNeverStopsTheService) {
    TSimulator sim;
    sim.SetValue(1, 0, {7, 0, 0, 0});
    ASSERT_NO_FATAL_FAILURE(StartWatched(sim, 30, 1, {"1000 1 1 0 0", "1001 1 1 0 0", "4000 1 2 0 0"}));

    std::atomic<bool> tail{false};
    std::atomic<uint64_t> sent{0};
    std::thread flood([&] {
        TLoopbackUdp foreign;
        uint32_t x = 12345;
        std::string t(65000, '\0');
        while (!tail.load()) {
            // 8096 bytes fill the driver's receive buffer; larger ones are cut to it.
            const std::size_t n = (sent.load() % 3 == 0) ? 65000 : 8096;
            for (std::size_t i = 0; i < n; ++i) t[i] = static_cast<char>(x = x * 1103515245u + 12345u);
            if ((sent.load() & 7) == 0) t.replace(0, 8, "[VUZIV2]");
            if (foreign.SendTo(source.Port(), t.substr(0, n))) sent.fetch_add(1);
            if ((sent.load() & 15) == 0) std::this_thread::yield();
        }
    });
    int successes = 0;
    const auto konecZaplavy = Clock::now() + 3s;
    while (Clock::now() < konecZaplavy) {
        const int32_t s = ReadChannel(lib, d, 1001);
        ASSERT_TRUE(s == 0 || s == 21) << "status " << s << " under the flood";
        successes += s == 0;
        THodnota v{};
        v.TypHodnoty = TypInt;
        v.Hodnota.Cele = 77;
        lib.OutputRequest(d, 4000, v);
        lib.OutputRequestCompleted(d);
        ASSERT_TRUE(WaitUntilFinalized(lib, d, 4000, 3000));
        const int32_t w = ChannelStatus(lib, d, 4000);
        ASSERT_TRUE(w == 0 || w == 21) << "status " << w << " under the flood";
    }
    tail = true;
    flood.join();
    EXPECT_GT(sent.load(), 100u);
    std::printf("flood: %llu datagrams, %d reads answered during it\n", (unsigned long long)sent.load(), successes);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ReadChannel(lib, d, 1001), 0) << "the driver serves again after the flood";
}

// Two senders of valid-looking answers for a channel nobody asked for, as
// fast as loopback takes them, with every log on. The drain before a send
// is bounded and the lines about them are summarised, so requests are
// served within their limits and the logs grow by a few lines a second.
TEST_F(HostileNetwork, FloodOfSmallDatagramsFasterThanTheDrain) {
    TSimulator sim;
    ASSERT_NO_FATAL_FAILURE(StartWatched(sim, 30, 1, {"1000 1 1 0 0", "1001 1 1 0 0"}));
    std::atomic<bool> tail{false};
    std::atomic<uint64_t> sent{0};
    auto keepSending = [&] {
        TLoopbackUdp foreign;
        const std::string t = AnswerFor(2500, 1);
        while (!tail.load())
            if (foreign.SendTo(source.Port(), t)) sent.fetch_add(1);
    };
    std::thread a(keepSending), b(keepSending);
    std::map<int, int> statuses;
    const auto start = Clock::now();
    while (Clock::now() < start + 4s) ++statuses[ReadChannel(lib, d, 1001, 5000)];
    tail = true;
    a.join();
    b.join();
    const auto secondCount = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count() + 1;
    const std::string log = ReadInterfaceLogs(dir.Path(), 1);
    std::printf("small flood: %llu datagrams, interface log %zu bytes;", (unsigned long long)sent.load(), log.size());
    for (auto [s, n] : statuses) std::printf(" %d:%d", s, n);
    std::printf("\n");
    // 21 when the flood made the kernel drop the answers; never 26.
    for (auto [s, n] : statuses) EXPECT_TRUE(s == 0 || s == 21) << "status " << s << " (" << n << "x)";
    EXPECT_GT(statuses[0], 0);
    const int lineCount = CountMatchingLines(log, Cp("Ch=1001 - LAN neočekávaná zpráva, IDh=#"_cp)) +
                      CountMatchingLines(log, Cp("Ch=1001 - LAN neplatné ID=2500"_cp));
    // A count, not a speed: the driver's seconds may straddle the test's.
    EXPECT_LE(lineCount, 20 * (secondCount + 1)) << "at most 20 datagrams a second in full";
    EXPECT_GT(CountMatchingLines(log, Cp("LAN zahlcení - nezapsaných zpráv=#"_cp)), 0);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ReadChannel(lib, d, 1001), 0) << "the driver serves again after the flood";
}

// Anyone may send a datagram of zero bytes: before the send it is drained
// like any stale datagram, during the wait ignored like a short one, and
// the answer that follows is taken.
TEST_F(HostileNetwork, EmptyDatagramsAreIgnoredBeforeAndDuringAWait) {
    TSimulator sim;
    ASSERT_NO_FATAL_FAILURE(StartWatched(sim, 500, 0, {"1000 1 1 0 0"}));
    TLoopbackUdp foreign;
    EXPECT_TRUE(foreign.SendTo(source.Port(), std::string()));
    std::this_thread::sleep_for(20ms);  // waiting in the driver's socket before the next send
    EXPECT_EQ(ReadChannel(lib, d, 1000), 0);
    EXPECT_EQ(CountMatchingLines(ReadInterfaceLogs(dir.Path(), 1), Cp("Ch=1000 - LAN neočekávaná zpráva, IDh="_cp)), 1);

    sim.SetSilent(true);
    lib.InputRequest(d, 1000);
    lib.InputRequestCompleted(d);
    ASSERT_TRUE(sim.WaitForRequests(3, 2000));
    for (int i = 0; i < 100; ++i) EXPECT_TRUE(foreign.SendTo(source.Port(), std::string()));
    ExpectOpenUntilAnswered(foreign, 1000, "an empty datagram ended the request");
}

}  // namespace

#endif  // RV_HAVE_SIMULATOR
