// The gateway simulator, in-process and as the zr6180-sim process: packets on
// loopback, the plant, and every fault kind as the driver would see it.
#ifdef RV_HAVE_SIMULATOR

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/LoopbackUdp.h"
#include "support/SimulatorProcess.h"
#include "support/TempDir.h"
#include "tools/sim/PlantFile.h"
#include "tools/sim/Simulator.h"

namespace {

using namespace std::chrono_literals;
using zrsim::TAnswer;
using zrsim::TRequest;

// Channel 1005, baud 9600, timeout 200, retries 2, address 5, function 0, periphery 3.
const std::string kWorkedRequest = "[VUZIV2]" "ED030000" "04" "C800" "02" "05" "00" "03" "00" "00000000" "AB\r\n";

TRequest Request(uint32_t id, uint8_t address, uint8_t function, uint8_t periphery, zrsim::TBytes4 data = {}) {
    TRequest q;
    q.id = id;
    q.baudCode = 4;
    q.serialTimeout = 200;
    q.serialRetries = 2;
    q.address = address;
    q.function = function;
    q.periphery = periphery;
    q.data = data;
    return q;
}

TAnswer Decode(const std::string& text) {
    TAnswer a;
    EXPECT_EQ(zrsim::ParseAnswer(text, a), "") << text;
    return a;
}

class Simulator : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim.Start()); }
    std::string Ask(const TRequest& q) { return client.Exchange(sim.Port(), zrsim::BuildRequest(q)); }

    TSimulator sim;
    TLoopbackUdp client;
};

// --- packets and values ----------------------------------------------------------

TEST(SimulatorPacket, BuildsTheWorkedRequestAndAnswer) {
    EXPECT_EQ(zrsim::BuildRequest(Request(1005, 5, 0, 3)), kWorkedRequest);
    TAnswer a;
    a.id = 1005;
    a.serialTime = 55;
    a.timeStamp = 0x12345678;
    a.data[0] = 0x2A;
    EXPECT_EQ(zrsim::BuildAnswer(a),
              "[VUZIV2]ED0300000037000078563412002A000000000000000000000000000000B3\r\n");
}

TEST(SimulatorPacket, RequestsAreCheckedStrictly) {
    TRequest q;
    EXPECT_EQ(zrsim::ParseRequest(kWorkedRequest, q), "");
    EXPECT_EQ(q.id, 1005u);
    EXPECT_EQ(q.serialTimeout, 200);
    EXPECT_EQ(zrsim::ParseRequest(kWorkedRequest.substr(0, 43), q), "length 43");
    std::string lower = kWorkedRequest;
    lower[9] = 'd';  // lower-case digit: the driver never sends one
    EXPECT_EQ(zrsim::ParseRequest(lower, q), "hex");
    std::string wrong = kWorkedRequest;
    wrong[41] = 'C';
    EXPECT_EQ(zrsim::ParseRequest(wrong, q), "checksum");
}

TEST(SimulatorValues, EncodeTheDecimalRealIndependently) {
    using B = zrsim::TBytes4;
    EXPECT_EQ(zrsim::EncodeReal(1234.5678), (B{0x87, 0xD6, 0x12, 0x83}));
    EXPECT_EQ(zrsim::EncodeReal(0.5), (B{0x05, 0x00, 0x00, 0x81}));
    EXPECT_EQ(zrsim::EncodeReal(-2.5), (B{0x19, 0x00, 0x80, 0x81}));
    EXPECT_EQ(zrsim::EncodeReal(8388607), (B{0xFF, 0xFF, 0x7F, 0x80}));
    EXPECT_EQ(zrsim::EncodeReal(8388608), (B{0xFF, 0xFF, 0x7F, 0x00}));
    EXPECT_EQ(zrsim::EncodeReal(0.000009), (B{0, 0, 0, 0}));
    EXPECT_DOUBLE_EQ(zrsim::DecodeReal(B{0x39, 0x30, 0x80, 0x82}), -123.45);
    B b{};
    ASSERT_TRUE(zrsim::ParseRealText("-21.50", b));
    EXPECT_EQ(b, (B{0x66, 0x08, 0x80, 0x82}));
    EXPECT_FALSE(zrsim::ParseRealText("8388608", b));
    EXPECT_FALSE(zrsim::ParseRealText("1.2.3", b));
}

// --- the gateway -------------------------------------------------------------------

TEST_F(Simulator, AnswersTheWorkedRequestWithTheExactLayout) {
    sim.SetValue(5, 3, {0x2A, 0, 0, 0});
    const std::string t = client.Exchange(sim.Port(), kWorkedRequest);
    ASSERT_EQ(t.size(), 70u);
    EXPECT_EQ(t.substr(0, 24), "[VUZIV2]ED030000001E0000");  // status 0, serial time 30 ms for code 4
    EXPECT_EQ(t.substr(32, 34), "002A000000000000000000000000000000");
    EXPECT_EQ(t.substr(68), "\r\n");
    unsigned sum = 0;
    for (size_t i = 8; i < 66; ++i) sum += static_cast<unsigned char>(t[i]);
    EXPECT_EQ((sum + std::stoul(t.substr(66, 2), nullptr, 16)) % 256, 0u) << "checksum completes the sum to zero";
    EXPECT_EQ(sim.AnswersSent(), 1u);
    ASSERT_EQ(sim.RequestCount(), 1u);
    EXPECT_EQ(sim.Requests()[0].text, kWorkedRequest);
    EXPECT_TRUE(sim.Requests()[0].valid);
}

TEST_F(Simulator, AnswerGoesToTheRequestersPort) {
    TLoopbackUdp other;
    other.SendTo(sim.Port(), kWorkedRequest);
    EXPECT_TRUE(other.Receive().has_value());
    EXPECT_FALSE(client.Receive(50).has_value());
}

TEST_F(Simulator, WriteThenReadEchoesTheBytes) {
    const zrsim::TBytes4 v = zrsim::EncodeReal(1234.5678);
    const TAnswer w = Decode(Ask(Request(3001, 2, zrsim::kWrite, 6, v)));
    EXPECT_EQ(w.status, 0);
    const TAnswer r = Decode(Ask(Request(101, 2, zrsim::kRead, 6)));
    EXPECT_EQ(r.id, 101u);
    EXPECT_EQ((zrsim::TBytes4{r.data[0], r.data[1], r.data[2], r.data[3]}), v);
    EXPECT_EQ(sim.Value(2, 6), v);
    EXPECT_EQ(Decode(Ask(Request(101, 2, zrsim::kRead, 7))).data[0], 0) << "other peripheries untouched";
}

TEST_F(Simulator, Function101ClearsTheStatusRegister) {
    sim.SetStatusRegister(5, 0x44);
    EXPECT_EQ(Decode(Ask(Request(1005, 5, zrsim::kRead, 3))).statusRegister, 0x44);
    const TAnswer a = Decode(Ask(Request(99, 5, zrsim::kResetStatus, 0, {0xED, 0x03, 0, 0})));
    EXPECT_EQ(a.id, 99u);
    EXPECT_EQ(a.statusRegister, 0);
    EXPECT_EQ(sim.StatusRegister(5), 0);
}

TEST_F(Simulator, BadRequestsAreIgnoredAndCounted) {
    std::string wrong = kWorkedRequest;
    wrong[41] = 'C';
    client.SendTo(sim.Port(), wrong);
    client.SendTo(sim.Port(), kWorkedRequest.substr(0, 42));
    EXPECT_FALSE(client.Receive(100).has_value());
    ASSERT_TRUE(sim.WaitForRequests(2, 1000));
    EXPECT_EQ(sim.Ignored(), 2u);
    EXPECT_EQ(sim.AnswersSent(), 0u);
    EXPECT_EQ(sim.Requests()[0].reason, "checksum");
    EXPECT_EQ(sim.Requests()[1].reason, "length 42");
}

TEST_F(Simulator, GatewayStatusesForBadBaudAbsentModuleAndUnknownFunction) {
    TRequest q = Request(100, 1, 0, 0);
    q.baudCode = 9;
    EXPECT_EQ(Decode(Ask(q)).status, zrsim::kStatusBadBaud);
    sim.SetAbsentStatus(4);
    sim.SetValue(1, 0, {1, 2, 3, 4});
    EXPECT_EQ(Decode(Ask(Request(100, 1, 0, 0))).status, 0);
    const TAnswer absent = Decode(Ask(Request(100, 2, 0, 0)));
    EXPECT_EQ(absent.status, 4);
    EXPECT_EQ(absent.serialTime, 200);
    EXPECT_EQ(Decode(Ask(Request(100, 1, 7, 0))).status, zrsim::kStatusBadFunction);
}

TEST_F(Simulator, SilentGatewayRecordsButNeitherAnswersNorActs) {
    sim.SetSilent(true);
    client.SendTo(sim.Port(), zrsim::BuildRequest(Request(3000, 1, zrsim::kWrite, 0, {9, 9, 9, 9})));
    ASSERT_TRUE(sim.WaitForRequests(1, 1000));
    EXPECT_FALSE(client.Receive(100).has_value());
    EXPECT_EQ(sim.Value(1, 0), (zrsim::TBytes4{0, 0, 0, 0}));
    sim.SetSilent(false);
    EXPECT_EQ(Decode(Ask(Request(100, 1, 0, 0))).id, 100u);
}

TEST_F(Simulator, SendsAnyDatagramToTheLastRequester) {
    EXPECT_FALSE(sim.SendToLastRequester("nobody yet"));
    Ask(Request(100, 1, 0, 0));
    ASSERT_TRUE(sim.SendToLastRequester("stale"));
    EXPECT_EQ(client.Receive().value_or(""), "stale");
}

// --- faults --------------------------------------------------------------------------

TEST_F(Simulator, DropSendsNothingButTheWriteStillActs) {
    sim.SetFault(1, TSimFault{.drop = true});
    client.SendTo(sim.Port(), zrsim::BuildRequest(Request(3000, 1, zrsim::kWrite, 0, {1, 2, 3, 4})));
    ASSERT_TRUE(sim.WaitForRequests(1, 1000));
    EXPECT_FALSE(client.Receive(100).has_value());
    EXPECT_EQ(sim.AnswersSent(), 0u);
    EXPECT_EQ(sim.Value(1, 0), (zrsim::TBytes4{1, 2, 3, 4}));
    EXPECT_EQ(Decode(Ask(Request(100, 2, 0, 0))).id, 100u) << "other addresses answer";
}

TEST_F(Simulator, DelayHoldsTheAnswerBack) {
    sim.SetFault(1, TSimFault{.delayMs = 120});
    const auto start = std::chrono::steady_clock::now();
    client.SendTo(sim.Port(), zrsim::BuildRequest(Request(100, 1, 0, 0)));
    EXPECT_FALSE(client.Receive(60).has_value());
    EXPECT_TRUE(client.Receive().has_value());
    EXPECT_GE(std::chrono::steady_clock::now() - start, 120ms);
}

TEST_F(Simulator, WrongIdEchoesAnotherChannel) {
    sim.SetFault(1, TSimFault{.wrongId = true});
    EXPECT_EQ(Decode(Ask(Request(100, 1, 0, 0))).id, 101u);
    sim.SetFault(1, TSimFault{.wrongId = true, .foreignId = 2500});
    EXPECT_EQ(Decode(Ask(Request(100, 1, 0, 0))).id, 2500u);
}

TEST_F(Simulator, BadChecksumIsTheOnlyFlaw) {
    sim.SetFault(1, TSimFault{.badChecksum = true});
    const std::string t = Ask(Request(100, 1, 0, 0));
    TAnswer a;
    EXPECT_EQ(zrsim::ParseAnswer(t, a), "checksum");
    std::string fixed = t;
    fixed.replace(66, 2, zrsim::HexByte(zrsim::Checksum(t.substr(8, 58))));
    EXPECT_EQ(zrsim::ParseAnswer(fixed, a), "");
}

TEST_F(Simulator, ShortAnswerIsCut) {
    sim.SetFault(1, TSimFault{.shortLength = 69});
    const std::string t = Ask(Request(100, 1, 0, 0));
    EXPECT_EQ(t.size(), 69u);
    EXPECT_EQ(t.substr(0, 16), "[VUZIV2]64000000");
}

TEST_F(Simulator, StatusFaultReplacesTheStatusByte) {
    sim.SetValue(1, 0, {7, 0, 0, 0});
    sim.SetFault(1, TSimFault{.status = 5});
    const TAnswer a = Decode(Ask(Request(100, 1, 0, 0)));
    EXPECT_EQ(a.status, 5);
    EXPECT_EQ(a.data[0], 7);
}

TEST_F(Simulator, StaleAnswersComeBeforeOrAfterTheRealOne) {
    sim.SetFault(1, TSimFault{.staleBefore = true});
    client.SendTo(sim.Port(), zrsim::BuildRequest(Request(100, 1, 0, 0)));
    const TAnswer first = Decode(client.Receive().value_or(""));
    const TAnswer second = Decode(client.Receive().value_or(""));
    EXPECT_EQ(first.id, 101u);
    EXPECT_EQ(second.id, 100u);
    EXPECT_EQ(second.timeStamp - first.timeStamp, 1000u) << "the stale one is older";

    sim.SetFault(1, TSimFault{.staleAfter = true, .staleId = 2000});
    client.SendTo(sim.Port(), zrsim::BuildRequest(Request(100, 1, 0, 0)));
    EXPECT_EQ(Decode(client.Receive().value_or("")).id, 100u);
    EXPECT_EQ(Decode(client.Receive().value_or("")).id, 2000u);
    EXPECT_EQ(sim.AnswersSent(), 4u);
}

TEST_F(Simulator, DuplicateSendsTheAnswerTwice) {
    sim.SetFault(1, TSimFault{.duplicate = true});
    client.SendTo(sim.Port(), zrsim::BuildRequest(Request(100, 1, 0, 0)));
    const auto a = client.Receive();
    const auto b = client.Receive();
    ASSERT_TRUE(a && b);
    EXPECT_EQ(*a, *b);
    EXPECT_FALSE(client.Receive(50).has_value());
}

TEST_F(Simulator, FaultWithTimesHealsAfterwards) {
    sim.SetFault(1, TSimFault{.drop = true, .times = 2});
    client.SendTo(sim.Port(), zrsim::BuildRequest(Request(100, 1, 0, 0)));
    client.SendTo(sim.Port(), zrsim::BuildRequest(Request(100, 1, 0, 0)));
    EXPECT_FALSE(client.Receive(100).has_value());
    EXPECT_EQ(Decode(Ask(Request(100, 1, 0, 0))).id, 100u);
}

// Which of n requests get an answer, under random drops. A last request to a
// module whose own fault is harmless marks the end: answers keep their order.
std::vector<bool> AnsweredPattern(uint64_t seed, uint32_t n) {
    TSimulator s;
    s.SetRandomFaults(TSimRandomFaults{0.5, seed, {TSimFault{.drop = true}}});
    s.SetFault(200, TSimFault{.status = 0});
    EXPECT_TRUE(s.Start());
    TLoopbackUdp k;
    for (uint32_t i = 0; i < n; ++i) k.SendTo(s.Port(), zrsim::BuildRequest(Request(100 + i, 1, 0, 0)));
    k.SendTo(s.Port(), zrsim::BuildRequest(Request(999, 200, 0, 0)));
    std::vector<bool> answered(n, false);
    for (std::optional<std::string> t; (t = k.Receive());) {
        const TAnswer a = Decode(*t);
        if (a.id == 999) break;
        if (a.id >= 100 && a.id < 100 + n) answered[a.id - 100] = true;
    }
    return answered;
}

TEST(SimulatorRandom, SameSeedSameFaults) {
    const std::vector<bool> a = AnsweredPattern(42, 24);
    EXPECT_EQ(AnsweredPattern(42, 24), a);
    const auto answered = std::count(a.begin(), a.end(), true);
    EXPECT_GT(answered, 3);
    EXPECT_LT(answered, 21);
}

// --- the plant --------------------------------------------------------------------------

TEST(SimulatorPlant, ReadsTheExamplePlant) {
    TSimPlant p;
    std::string error;
    ASSERT_TRUE(zrsim::ReadPlant(std::string(RV_ZR6180_SOURCE_DIR) + "/examples/rostlina.txt", p, error)) << error;
    ASSERT_EQ(p.gateways.size(), 2u);
    EXPECT_EQ(p.gateways[0].port, 47101);
    EXPECT_EQ(p.gateways[1].port, 47102);
    const TSimModule& faulty = p.gateways[1].modules.at(9);
    ASSERT_TRUE(faulty.fault.has_value());
    EXPECT_EQ(faulty.fault->status, 5);
    for (int a : {1, 2, 3, 4}) EXPECT_EQ(p.gateways[0].modules.count(uint8_t(a)), 1u) << a;
}

TEST(SimulatorPlant, EveryKindOfStatement) {
    TSimPlant p;
    std::string error;
    ASSERT_TRUE(zrsim::ParsePlant("gateway 0 absent=4\n"
                                  "random 0.25 7 drop | delay=5 duplicate\n"
                                  "module 0x10 register=0x81 answer=3  # comment\n"
                                  "  periphery 0 real -0.125\n"
                                  "  periphery 1 int -2\n"
                                  "  periphery 2 bits 0x80000001\n"
                                  "  periphery 3 bit 31 1\n"
                                  "  periphery 3 bit 0 1\n"
                                  "  periphery 4 text \"A #\"\n"
                                  "  periphery 5 bytes 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10\n"
                                  "  fault wrong-id=7 short times=3\n",
                                  p, error))
        << error;
    const TSimGateway& g = p.gateways.at(0);
    EXPECT_EQ(g.absentStatus, 4);
    ASSERT_EQ(g.random.kinds.size(), 2u);
    EXPECT_TRUE(g.random.kinds[1].duplicate);
    EXPECT_EQ(g.random.kinds[1].delayMs, 5u);
    const TSimModule& m = g.modules.at(16);
    EXPECT_EQ(m.statusRegister, 0x81);
    EXPECT_EQ(m.answerByte, 3);
    const auto four = [&](uint8_t n) {
        const TSimPeriphery& d = m.peripheries.at(n);
        return zrsim::TBytes4{d[0], d[1], d[2], d[3]};
    };
    EXPECT_DOUBLE_EQ(zrsim::DecodeReal(four(0)), -0.125);
    EXPECT_EQ(zrsim::DecodeInt(four(1)), -2);
    EXPECT_EQ(four(2), four(3));
    EXPECT_EQ(zrsim::DecodeText(four(4)), "A # ");
    EXPECT_EQ(m.peripheries.at(5)[15], 0x10);
    ASSERT_TRUE(m.fault.has_value());
    EXPECT_EQ(m.fault->Text(), "wrong-id=7 short=69 times=3");
}

TEST(SimulatorPlant, ErrorsNameTheLine) {
    TSimPlant p;
    std::string error;
    EXPECT_FALSE(zrsim::ParsePlant("gateway 1\nmodule 256\n", p, error));
    EXPECT_EQ(error, "line 2: bad address: 256");
    EXPECT_FALSE(zrsim::ParsePlant("module 1\n", p, error));
    EXPECT_EQ(error, "line 1: module before any gateway");
    EXPECT_FALSE(zrsim::ParsePlant("gateway 1\nmodule 1\nfault explode\n", p, error));
    EXPECT_EQ(error, "line 3: unknown fault: explode");
    EXPECT_FALSE(zrsim::ParsePlant("gateway 1\nmodule 1\nperiphery 0 real 9999999\n", p, error));
    EXPECT_FALSE(zrsim::ParsePlant("# nothing\n", p, error));
}

TEST(SimulatorPlant, ExamplePlantServesInProcess) {
    TSimPlant p;
    std::string error;
    ASSERT_TRUE(zrsim::ReadPlant(std::string(RV_ZR6180_SOURCE_DIR) + "/examples/rostlina.txt", p, error)) << error;
    TSimulator sim(p);
    ASSERT_TRUE(sim.Start(true));
    ASSERT_EQ(sim.Gateways(), 2u);
    TLoopbackUdp k;
    const TAnswer healthy = Decode(k.Exchange(sim.Port(0), zrsim::BuildRequest(Request(100, 1, 0, 0))));
    EXPECT_EQ(healthy.status, 0);
    EXPECT_DOUBLE_EQ(zrsim::DecodeReal({healthy.data[0], healthy.data[1], healthy.data[2], healthy.data[3]}), 21.5);
    EXPECT_EQ(Decode(k.Exchange(sim.Port(0), zrsim::BuildRequest(Request(100, 3, 0, 0)))).statusRegister, 0x04);
    EXPECT_EQ(Decode(k.Exchange(sim.Port(1), zrsim::BuildRequest(Request(140, 9, 0, 0)))).status, 5);
    EXPECT_EQ(Decode(k.Exchange(sim.Port(1), zrsim::BuildRequest(Request(140, 7, 0, 0)))).status, 4);
}

// --- the tool as its own process ------------------------------------------------------

uint16_t PortOf(const std::string& listening) {
    return uint16_t(std::stoi(listening.substr(listening.rfind(':') + 1)));
}

TEST(SimulatorTool, ServesTheExamplePlantAsAProcess) {
    TTempDir dir;
    TSimulatorProcess sim;
    ASSERT_TRUE(sim.Start(dir, {"--plant", std::string(RV_ZR6180_SOURCE_DIR) + "/examples/rostlina.txt", "--verbose", "0", "0"}));
    const std::string l1 = sim.Line();
    const std::string l2 = sim.Line();
    ASSERT_EQ(l1.rfind("gateway 1 listening on 127.0.0.1:", 0), 0u) << l1;
    ASSERT_EQ(l2.rfind("gateway 2 listening on 127.0.0.1:", 0), 0u) << l2;
    TLoopbackUdp k;
    EXPECT_EQ(Decode(k.Exchange(PortOf(l1), zrsim::BuildRequest(Request(1000, 2, 0, 3)))).data[0], 42);
    EXPECT_EQ(Decode(k.Exchange(PortOf(l2), zrsim::BuildRequest(Request(100, 9, 0, 0)))).status, 5);
    EXPECT_NE(sim.Line().find("id=1000 fn=0 adr=2 per=3"), std::string::npos);
    EXPECT_NE(sim.Line().find("fault: status=5"), std::string::npos);
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(SimulatorTool, RejectsABadCommandLine) {
    TTempDir dir;
    TSimulatorProcess sim;
    ASSERT_TRUE(sim.Start(dir, {"--fault", "1:2:explode", "0"}));
    EXPECT_EQ(sim.Line(2000), "");  // nothing served
    EXPECT_EQ(sim.Stop(), 2);
}

}  // namespace

#endif  // RV_HAVE_SIMULATOR
