// Whole input and output cycles of every channel kind through the loaded
// library against the simulated gateway: the bytes on the wire, the
// call-back on the driver's thread, the values and the request-state traces.
#include "e2e/RunningDriver.h"

#ifdef RV_HAVE_SIMULATOR

#include <thread>

namespace e2e {
namespace {

using namespace std::chrono_literals;

// The request fields after the identifier for interface 1 (115200 Bd,
// serial timeout 0, no serial retries).
std::string Fields(const std::string& id, const std::string& adresa, const std::string& funkce,
                 const std::string& periphery, const std::string& data) {
    return id + "08" + "0000" + "00" + adresa + funkce + periphery + "00" + data;
}

std::string LastRequest(const TSimulator& sim) {
    const auto q = sim.Requests();
    return q.empty() ? std::string() : q.back().text;
}

using Cycles = TRunningDriver;

TEST_F(Cycles, RealInputCompletesThroughTheCallBackOnTheDriversThread) {
    sim.SetValue(5, 3, zrsim::EncodeReal(-123.45));
    sim.SetFault(5, TSimFault{.delayMs = 80});  // the first InputFinalized finds it running
    lib().InputRequest(d(), 100);
    lib().InputRequestCompleted(d());
    const TOutcome v = o.FinishRead(100);
    EXPECT_TRUE(CompletedThroughCallBack(v));

    const auto calls = o.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Context, o.Context);
    EXPECT_EQ(calls[0].Direction, 0);
    EXPECT_EQ(calls[0].Data, d());
    EXPECT_NE(calls[0].Thread, std::this_thread::get_id());

    EXPECT_DOUBLE_EQ(o.GetReal(100), -123.45);
    ASSERT_EQ(sim.RequestCount(), 1u);
    EXPECT_EQ(LastRequest(sim), PacketOf(Fields("64000000", "05", "00", "03", "00000000")));

    const auto finalized = o.Run("IF  9");
    ASSERT_EQ(finalized.size(), 2u);
    EXPECT_TRUE(Matches(finalized[0], "K=100,  R=1,  S=[12], F=[01], T=#, H=FALSE")) << finalized[0];
    EXPECT_TRUE(Matches(finalized[1], "K=100,  R=1,  S=[34], F=0, T=#, H=TRUE")) << finalized[1];
    EXPECT_EQ(o.Run("GI  9"), std::vector<std::string>{"K=100,  R=1,  S=0, F=0, H=-123.45, SP=0"});
    EXPECT_EQ(o.Run("GI  0"), std::vector<std::string>{"K=100,  R=1,"});
    EXPECT_EQ(o.Run("IR  0"), std::vector<std::string>{"K=100,  R=1,"});
    EXPECT_EQ(o.Run("IR  9"), std::vector<std::string>{"K=100,  R=1,  S=0, F=1"});
    EXPECT_EQ(o.Run("IRC 0"), std::vector<std::string>{"K=9999, R=99,"});
    EXPECT_EQ(o.Run("IRC 9"), std::vector<std::string>{"K=9999, R=99,"});
    ASSERT_TRUE(o.WaitForRun("CB  1", 1));
    EXPECT_TRUE(Matches(o.Run("CB  1")[0], "K=100,  R=1,  S=3, F=0, (#/#/#)")) << o.Run("CB  1")[0];
}

TEST_F(Cycles, IntegerInputStatesWithoutCallBack) {
    sim.SetValue(5, 4, {0xFF, 0xFF, 0xFF, 0xFF});
    lib().InputRequest(d(), 1005);
    lib().InputRequest(d(), 1005);  // queued twice: F one higher
    lib().InputRequestCompleted(d());
    ASSERT_TRUE(o.WaitForRun("KOM 9", 2));
    bool isDone = false;
    EXPECT_EQ(o.InputStatus(1005, &isDone), 0);
    EXPECT_TRUE(isDone);
    EXPECT_EQ(o.GetInt(1005), -1);
    lib().InputRequest(d(), 1005);  // fetched: the state went 4 -> 0, so it rises again

    EXPECT_EQ(o.Run("IR  9"),
              (std::vector<std::string>{"K=1005, R=1,  S=0, F=1", "K=1005, R=1,  S=1, F=2", "K=1005, R=1,  S=0, F=1"}));
    ASSERT_EQ(o.Run("IF  9").size(), 1u);
    EXPECT_TRUE(Matches(o.Run("IF  9")[0], "K=1005, R=1,  S=3, F=0, T=#, H=TRUE")) << o.Run("IF  9")[0];
    EXPECT_EQ(o.Run("GI  9"), std::vector<std::string>{"K=1005, R=1,  S=0, F=0, H=4294967295, SP=0"});
    EXPECT_EQ(sim.RequestCount(), 2u);
    EXPECT_EQ(LastRequest(sim), PacketOf(Fields("ED030000", "05", "00", "04", "00000000")));
    const auto comm = o.Run("KOM 2");
    ASSERT_EQ(comm.size(), 2u);
    EXPECT_EQ(comm[0], "K=1005, R=1,  S=2, F=1");
    EXPECT_EQ(o.CallCount(), 0u) << "nobody asked for a call-back";
}

TEST_F(Cycles, BitInputsOfOneBatch) {
    sim.SetValue(5, 5, {0x00, 0x02, 0x00, 0x00});
    lib().InputRequest(d(), 2100);
    lib().InputRequest(d(), 2140);
    lib().InputRequestCompleted(d());
    const TOutcome a = o.FinishRead(2100);
    const TOutcome b = o.FinishRead(2140);
    EXPECT_TRUE(a.Finalized && b.Finalized);
    EXPECT_EQ(a.Status, 0);
    EXPECT_EQ(b.Status, 0);
    EXPECT_EQ(o.GetBit(2100), 1);  // bit 9 = bit 1 of byte 1
    EXPECT_EQ(o.GetBit(2140), 0);  // bit 40 does not exist
    ASSERT_EQ(sim.RequestCount(), 2u);
    EXPECT_EQ(sim.Requests()[0].text, PacketOf(Fields("34080000", "05", "00", "05", "00000000")));
    EXPECT_EQ(sim.Requests()[1].text, PacketOf(Fields("5C080000", "05", "00", "05", "00000000")));
    const auto gi = o.Run("GI  9");
    ASSERT_EQ(gi.size(), 2u);
    EXPECT_EQ(gi[0], "K=2100, R=1,  S=0, F=0, H=1, SP=0");
    EXPECT_EQ(gi[1], "K=2140, R=1,  S=0, F=0, H=0, SP=0");
    for (const TCall& v : o.Calls()) {
        EXPECT_EQ(v.Direction, 0);
        EXPECT_NE(v.Thread, std::this_thread::get_id());
    }
}

TEST_F(Cycles, RealOutputSendsTheDecimalRealBytes) {
    sim.SetFault(6, TSimFault{.delayMs = 60});
    const TOutcome v = o.Write(3005, RealValue(21.5));
    EXPECT_TRUE(CompletedThroughCallBack(v));
    ASSERT_EQ(o.CallCount(), 1u);
    const TCall c = o.Calls()[0];
    EXPECT_EQ(c.Context, o.Context);
    EXPECT_EQ(c.Direction, 1);
    EXPECT_EQ(c.Data, d());
    EXPECT_NE(c.Thread, std::this_thread::get_id());

    EXPECT_EQ(zrsim::EncodeReal(21.5), (zrsim::TBytes4{0xD7, 0x00, 0x00, 0x81}));
    EXPECT_EQ(LastRequest(sim), PacketOf(Fields("BD0B0000", "06", "01", "01", "D7000081")));
    EXPECT_EQ(sim.Value(6, 1), zrsim::EncodeReal(21.5));
    EXPECT_EQ(o.Run("OR  0"), std::vector<std::string>{"K=3005, R=1,"});
    EXPECT_EQ(o.Run("OR  9"), std::vector<std::string>{"K=3005, R=1,  S=1, F=0, H=21.5"});
    EXPECT_EQ(o.Run("ORC 0"), std::vector<std::string>{"K=9999, R=99,"});
    const auto of = o.Run("OF  9");
    ASSERT_EQ(of.size(), 2u);
    EXPECT_TRUE(Matches(of[0], "K=3005, R=1,  S=[12], F=[01], H=FALSE")) << of[0];
    EXPECT_TRUE(Matches(of[1], "K=3005, R=1,  S=[03], F=0, H=TRUE, SP=0")) << of[1];
}

TEST_F(Cycles, IntegerOutputAndTheStateThatFinalizedLeavesAlone) {
    lib().OutputRequest(d(), 4010, IntValue(-2));
    lib().OutputRequestCompleted(d());
    ASSERT_TRUE(o.WaitForRun("KOM 9", 1));
    bool isDone = false;
    EXPECT_EQ(o.OutputStatus(4010, &isDone), 0);
    EXPECT_TRUE(isDone);
    lib().OutputRequest(d(), 4010, IntValue(7));  // state 3 stays: no call-back reset it
    EXPECT_EQ(LastRequest(sim), PacketOf(Fields("AA0F0000", "06", "01", "02", "FEFFFFFF")));
    EXPECT_EQ(sim.Value(6, 2), (zrsim::TBytes4{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(o.Run("OR  9"),
              (std::vector<std::string>{"K=4010, R=1,  S=1, F=0, H=4294967294", "K=4010, R=1,  S=3, F=0, H=7"}));
    EXPECT_EQ(o.Run("OF  9"), std::vector<std::string>{"K=4010, R=1,  S=3, F=0, H=TRUE, SP=0"});
    EXPECT_EQ(o.CallCount(), 0u);
}

TEST_F(Cycles, BitOutputsShareTheModulesWord) {
    EXPECT_TRUE(o.Write(5010, BitValue(true)).Finalized);
    EXPECT_EQ(LastRequest(sim), PacketOf(Fields("92130000", "03", "01", "00", "00020000")));
    EXPECT_TRUE(o.Write(5011, BitValue(true)).Finalized);
    EXPECT_EQ(LastRequest(sim), PacketOf(Fields("93130000", "03", "01", "00", "01020000")));
    EXPECT_TRUE(o.Write(5040, BitValue(false)).Finalized);  // bit 40: the word goes unchanged
    EXPECT_EQ(LastRequest(sim), PacketOf(Fields("B0130000", "03", "01", "00", "01020000")));
    EXPECT_TRUE(o.Write(5010, BitValue(false)).Finalized);
    EXPECT_EQ(LastRequest(sim), PacketOf(Fields("92130000", "03", "01", "00", "01000000")));
    EXPECT_EQ(sim.Value(3, 0), (zrsim::TBytes4{0x01, 0x00, 0x00, 0x00}));
    const auto or9 = o.Run("OR  9");
    ASSERT_EQ(or9.size(), 4u);
    EXPECT_TRUE(Contains(or9[0], ", H=1"));
    EXPECT_TRUE(Contains(or9[3], ", H=0"));
}

TEST_F(Cycles, TextOutputKeepsFourPrintableCharacters) {
    EXPECT_TRUE(o.Write(6001, TextValue("WX\x07Z")).Finalized);
    EXPECT_EQ(LastRequest(sim), PacketOf(Fields("71170000", "06", "01", "04", "5758205A")));
    EXPECT_TRUE(o.Write(6001, TextValue("AB")).Finalized);
    EXPECT_EQ(LastRequest(sim), PacketOf(Fields("71170000", "06", "01", "04", "4142205A")));
    EXPECT_TRUE(o.Write(6001, TextValue("ABCDEF")).Finalized);
    EXPECT_EQ(LastRequest(sim), PacketOf(Fields("71170000", "06", "01", "04", "41424344")));
    EXPECT_EQ(sim.Value(6, 4), zrsim::EncodeText("ABCD"));
    const auto or9 = o.Run("OR  9");
    ASSERT_EQ(or9.size(), 3u);
    EXPECT_TRUE(Contains(or9[1], ", H=\"AB\"")) << or9[1];
    EXPECT_TRUE(Contains(or9[2], ", H=\"ABCDEF\"")) << or9[2];
}

TEST_F(Cycles, HostAskingForTheCallBackAgainGetsExactlyTwo) {
    o.CallBackReturns = 1;
    sim.SetFault(5, TSimFault{.delayMs = 60});
    const TOutcome v = o.Read(1005);
    EXPECT_TRUE(v.CallBack);
    EXPECT_TRUE(v.Finalized);
    std::this_thread::sleep_for(30ms);  // room for a wrong third call
    EXPECT_EQ(o.CallCount(), 2u);
}

TEST_F(Cycles, StatusRegisterResetThroughChannel99) {
    sim.SetStatusRegister(7, 0x4C);
    EXPECT_TRUE(o.Read(1007).Finalized);
    EXPECT_TRUE(o.Write(6, IntValue(1007)).Finalized);
    EXPECT_EQ(o.GetInt(3), 7);     // address of the watched channel
    EXPECT_EQ(o.GetInt(4), 0);     // its status
    EXPECT_EQ(o.GetInt(5), 0x44);  // its status register without bit 3

    lib().OutputRequest(d(), 99, IntValue(4100));
    lib().OutputRequestCompleted(d());
    ASSERT_TRUE(o.WaitForRun("KOM 9", 2));
    EXPECT_EQ(LastRequest(sim), PacketOf(Fields("63000000", "07", "65", "00", "04100000")));
    EXPECT_EQ(sim.StatusRegister(7), 0);
    EXPECT_EQ(o.GetInt(5), 0x44) << "the answer alone does not touch the module's channels";

    bool isDone = false;
    EXPECT_EQ(o.OutputStatus(99, &isDone), 0);
    EXPECT_TRUE(isDone);
    EXPECT_EQ(o.GetInt(5), 0) << "finalising the reset clears the module's status registers";
    EXPECT_EQ(o.Run("OR  9").back(), "K=99,   R=1,  S=1, H=4100");
    EXPECT_EQ(o.Run("OF  0").back(), "K=99,");
    EXPECT_EQ(o.Run("OF  9").back(), "K=99,   R=1,  S=3, F=0, H=TRUE, SP=0");
}

TEST_F(Cycles, RefusedResetFinalizesWithoutAnInterface) {
    lib().OutputRequest(d(), 99, IntValue(99));
    EXPECT_EQ(o.GetInt(1), 99);   // the last faulty channel
    EXPECT_EQ(o.GetInt(4), 17);   // channel 99 is watched from the start
    bool isDone = false;
    EXPECT_EQ(o.OutputStatus(99, &isDone), 0);
    EXPECT_TRUE(isDone);
    EXPECT_TRUE(ContainsLine(o.MainLog(), std::string("OutputRequest - požadavek na nedefinovaný kanál 99"_cp)));
    EXPECT_TRUE(Matches(o.Run("OF  9").back(), "K=99,   R=0,  S=0, F=0, H=TRUE, SP=17")) << o.Run("OF  9").back();
    EXPECT_EQ(sim.RequestCount(), 0u);
}

TEST_F(Cycles, ResetOfAChannelWhoseModuleAlsoHasInputs) {
    // 4100 and 1007 share module 7: a reset named by either clears both.
    sim.SetStatusRegister(7, 0x10);
    EXPECT_TRUE(o.Read(1007).Finalized);
    o.Write(6, IntValue(1007));
    EXPECT_EQ(o.GetInt(5), 0x10);
    const std::size_t before = o.CallCount();
    const TOutcome v = o.Write(99, IntValue(1007));
    EXPECT_TRUE(v.Finalized);
    EXPECT_EQ(v.Status, 0);
    if (!v.FirstFinalized) {
        ASSERT_EQ(o.CallCount(), before + 1);
        EXPECT_EQ(o.Calls().back().Direction, 1);  // channel 99 reports as an output
    }
    EXPECT_EQ(LastRequest(sim), PacketOf(Fields("63000000", "07", "65", "00", "EF030000")));
    EXPECT_EQ(o.GetInt(5), 0);
}

}  // namespace
}  // namespace e2e

#endif
