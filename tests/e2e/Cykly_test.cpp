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
std::string Pole(const std::string& id, const std::string& adresa, const std::string& funkce,
                 const std::string& periferie, const std::string& data) {
    return id + "08" + "0000" + "00" + adresa + funkce + periferie + "00" + data;
}

std::string PosledniDotaz(const TSimulator& sim) {
    const auto q = sim.Requests();
    return q.empty() ? std::string() : q.back().text;
}

using Cykly = TRunningDriver;

TEST_F(Cykly, RealInputCompletesThroughTheCallBackOnTheDriversThread) {
    sim.SetValue(5, 3, zrsim::EncodeReal(-123.45));
    sim.SetFault(5, TSimFault{.delayMs = 80});  // the first InputFinalized finds it running
    lib().InputRequest(d(), 100);
    lib().InputRequestCompleted(d());
    const TDokonceni v = o.DokonciVstup(100);
    EXPECT_TRUE(CompletedThroughCallBack(v));

    const auto volani = o.Volani();
    ASSERT_EQ(volani.size(), 1u);
    EXPECT_EQ(volani[0].Kontext, o.Kontext);
    EXPECT_EQ(volani[0].Smer, 0);
    EXPECT_EQ(volani[0].Data, d());
    EXPECT_NE(volani[0].Vlakno, std::this_thread::get_id());

    EXPECT_DOUBLE_EQ(o.CtiReal(100), -123.45);
    ASSERT_EQ(sim.RequestCount(), 1u);
    EXPECT_EQ(PosledniDotaz(sim), Paket(Pole("64000000", "05", "00", "03", "00000000")));

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
    ASSERT_TRUE(o.CekejNaRun("CB  1", 1));
    EXPECT_TRUE(Matches(o.Run("CB  1")[0], "K=100,  R=1,  S=3, F=0, (#/#/#)")) << o.Run("CB  1")[0];
}

TEST_F(Cykly, IntegerInputStatesWithoutCallBack) {
    sim.SetValue(5, 4, {0xFF, 0xFF, 0xFF, 0xFF});
    lib().InputRequest(d(), 1005);
    lib().InputRequest(d(), 1005);  // queued twice: F one higher
    lib().InputRequestCompleted(d());
    ASSERT_TRUE(o.CekejNaRun("KOM 9", 2));
    bool hotovo = false;
    EXPECT_EQ(o.StatusVstupu(1005, &hotovo), 0);
    EXPECT_TRUE(hotovo);
    EXPECT_EQ(o.CtiCele(1005), -1);
    lib().InputRequest(d(), 1005);  // fetched: the state went 4 -> 0, so it rises again

    EXPECT_EQ(o.Run("IR  9"),
              (std::vector<std::string>{"K=1005, R=1,  S=0, F=1", "K=1005, R=1,  S=1, F=2", "K=1005, R=1,  S=0, F=1"}));
    ASSERT_EQ(o.Run("IF  9").size(), 1u);
    EXPECT_TRUE(Matches(o.Run("IF  9")[0], "K=1005, R=1,  S=3, F=0, T=#, H=TRUE")) << o.Run("IF  9")[0];
    EXPECT_EQ(o.Run("GI  9"), std::vector<std::string>{"K=1005, R=1,  S=0, F=0, H=4294967295, SP=0"});
    EXPECT_EQ(sim.RequestCount(), 2u);
    EXPECT_EQ(PosledniDotaz(sim), Paket(Pole("ED030000", "05", "00", "04", "00000000")));
    const auto kom = o.Run("KOM 2");
    ASSERT_EQ(kom.size(), 2u);
    EXPECT_EQ(kom[0], "K=1005, R=1,  S=2, F=1");
    EXPECT_EQ(o.PocetVolani(), 0u) << "nobody asked for a call-back";
}

TEST_F(Cykly, BitInputsOfOneBatch) {
    sim.SetValue(5, 5, {0x00, 0x02, 0x00, 0x00});
    lib().InputRequest(d(), 2100);
    lib().InputRequest(d(), 2140);
    lib().InputRequestCompleted(d());
    const TDokonceni a = o.DokonciVstup(2100);
    const TDokonceni b = o.DokonciVstup(2140);
    EXPECT_TRUE(a.Hotovo && b.Hotovo);
    EXPECT_EQ(a.Status, 0);
    EXPECT_EQ(b.Status, 0);
    EXPECT_EQ(o.CtiBit(2100), 1);  // bit 9 = bit 1 of byte 1
    EXPECT_EQ(o.CtiBit(2140), 0);  // bit 40 does not exist
    ASSERT_EQ(sim.RequestCount(), 2u);
    EXPECT_EQ(sim.Requests()[0].text, Paket(Pole("34080000", "05", "00", "05", "00000000")));
    EXPECT_EQ(sim.Requests()[1].text, Paket(Pole("5C080000", "05", "00", "05", "00000000")));
    const auto gi = o.Run("GI  9");
    ASSERT_EQ(gi.size(), 2u);
    EXPECT_EQ(gi[0], "K=2100, R=1,  S=0, F=0, H=1, SP=0");
    EXPECT_EQ(gi[1], "K=2140, R=1,  S=0, F=0, H=0, SP=0");
    for (const TVolani& v : o.Volani()) {
        EXPECT_EQ(v.Smer, 0);
        EXPECT_NE(v.Vlakno, std::this_thread::get_id());
    }
}

TEST_F(Cykly, RealOutputSendsTheDecimalRealBytes) {
    sim.SetFault(6, TSimFault{.delayMs = 60});
    const TDokonceni v = o.Vystup(3005, HodnotaReal(21.5));
    EXPECT_TRUE(CompletedThroughCallBack(v));
    ASSERT_EQ(o.PocetVolani(), 1u);
    const TVolani c = o.Volani()[0];
    EXPECT_EQ(c.Kontext, o.Kontext);
    EXPECT_EQ(c.Smer, 1);
    EXPECT_EQ(c.Data, d());
    EXPECT_NE(c.Vlakno, std::this_thread::get_id());

    EXPECT_EQ(zrsim::EncodeReal(21.5), (zrsim::TBytes4{0xD7, 0x00, 0x00, 0x81}));
    EXPECT_EQ(PosledniDotaz(sim), Paket(Pole("BD0B0000", "06", "01", "01", "D7000081")));
    EXPECT_EQ(sim.Value(6, 1), zrsim::EncodeReal(21.5));
    EXPECT_EQ(o.Run("OR  0"), std::vector<std::string>{"K=3005, R=1,"});
    EXPECT_EQ(o.Run("OR  9"), std::vector<std::string>{"K=3005, R=1,  S=1, F=0, H=21.5"});
    EXPECT_EQ(o.Run("ORC 0"), std::vector<std::string>{"K=9999, R=99,"});
    const auto of = o.Run("OF  9");
    ASSERT_EQ(of.size(), 2u);
    EXPECT_TRUE(Matches(of[0], "K=3005, R=1,  S=[12], F=[01], H=FALSE")) << of[0];
    EXPECT_TRUE(Matches(of[1], "K=3005, R=1,  S=[03], F=0, H=TRUE, SP=0")) << of[1];
}

TEST_F(Cykly, IntegerOutputAndTheStateThatFinalizedLeavesAlone) {
    lib().OutputRequest(d(), 4010, HodnotaCele(-2));
    lib().OutputRequestCompleted(d());
    ASSERT_TRUE(o.CekejNaRun("KOM 9", 1));
    bool hotovo = false;
    EXPECT_EQ(o.StatusVystupu(4010, &hotovo), 0);
    EXPECT_TRUE(hotovo);
    lib().OutputRequest(d(), 4010, HodnotaCele(7));  // state 3 stays: no call-back reset it
    EXPECT_EQ(PosledniDotaz(sim), Paket(Pole("AA0F0000", "06", "01", "02", "FEFFFFFF")));
    EXPECT_EQ(sim.Value(6, 2), (zrsim::TBytes4{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(o.Run("OR  9"),
              (std::vector<std::string>{"K=4010, R=1,  S=1, F=0, H=4294967294", "K=4010, R=1,  S=3, F=0, H=7"}));
    EXPECT_EQ(o.Run("OF  9"), std::vector<std::string>{"K=4010, R=1,  S=3, F=0, H=TRUE, SP=0"});
    EXPECT_EQ(o.PocetVolani(), 0u);
}

TEST_F(Cykly, BitOutputsShareTheModulesWord) {
    EXPECT_TRUE(o.Vystup(5010, HodnotaBit(true)).Hotovo);
    EXPECT_EQ(PosledniDotaz(sim), Paket(Pole("92130000", "03", "01", "00", "00020000")));
    EXPECT_TRUE(o.Vystup(5011, HodnotaBit(true)).Hotovo);
    EXPECT_EQ(PosledniDotaz(sim), Paket(Pole("93130000", "03", "01", "00", "01020000")));
    EXPECT_TRUE(o.Vystup(5040, HodnotaBit(false)).Hotovo);  // bit 40: the word goes unchanged
    EXPECT_EQ(PosledniDotaz(sim), Paket(Pole("B0130000", "03", "01", "00", "01020000")));
    EXPECT_TRUE(o.Vystup(5010, HodnotaBit(false)).Hotovo);
    EXPECT_EQ(PosledniDotaz(sim), Paket(Pole("92130000", "03", "01", "00", "01000000")));
    EXPECT_EQ(sim.Value(3, 0), (zrsim::TBytes4{0x01, 0x00, 0x00, 0x00}));
    const auto or9 = o.Run("OR  9");
    ASSERT_EQ(or9.size(), 4u);
    EXPECT_TRUE(Contains(or9[0], ", H=1"));
    EXPECT_TRUE(Contains(or9[3], ", H=0"));
}

TEST_F(Cykly, TextOutputKeepsFourPrintableCharacters) {
    EXPECT_TRUE(o.Vystup(6001, HodnotaText("WX\x07Z")).Hotovo);
    EXPECT_EQ(PosledniDotaz(sim), Paket(Pole("71170000", "06", "01", "04", "5758205A")));
    EXPECT_TRUE(o.Vystup(6001, HodnotaText("AB")).Hotovo);
    EXPECT_EQ(PosledniDotaz(sim), Paket(Pole("71170000", "06", "01", "04", "4142205A")));
    EXPECT_TRUE(o.Vystup(6001, HodnotaText("ABCDEF")).Hotovo);
    EXPECT_EQ(PosledniDotaz(sim), Paket(Pole("71170000", "06", "01", "04", "41424344")));
    EXPECT_EQ(sim.Value(6, 4), zrsim::EncodeText("ABCD"));
    const auto or9 = o.Run("OR  9");
    ASSERT_EQ(or9.size(), 3u);
    EXPECT_TRUE(Contains(or9[1], ", H=\"AB\"")) << or9[1];
    EXPECT_TRUE(Contains(or9[2], ", H=\"ABCDEF\"")) << or9[2];
}

TEST_F(Cykly, HostAskingForTheCallBackAgainGetsExactlyTwo) {
    o.NavratCallBack = 1;
    sim.SetFault(5, TSimFault{.delayMs = 60});
    const TDokonceni v = o.Vstup(1005);
    EXPECT_TRUE(v.CallBack);
    EXPECT_TRUE(v.Hotovo);
    std::this_thread::sleep_for(30ms);  // room for a wrong third call
    EXPECT_EQ(o.PocetVolani(), 2u);
}

TEST_F(Cykly, StatusRegisterResetThroughChannel99) {
    sim.SetStatusRegister(7, 0x4C);
    EXPECT_TRUE(o.Vstup(1007).Hotovo);
    EXPECT_TRUE(o.Vystup(6, HodnotaCele(1007)).Hotovo);
    EXPECT_EQ(o.CtiCele(3), 7);     // address of the watched channel
    EXPECT_EQ(o.CtiCele(4), 0);     // its status
    EXPECT_EQ(o.CtiCele(5), 0x44);  // its status register without bit 3

    lib().OutputRequest(d(), 99, HodnotaCele(4100));
    lib().OutputRequestCompleted(d());
    ASSERT_TRUE(o.CekejNaRun("KOM 9", 2));
    EXPECT_EQ(PosledniDotaz(sim), Paket(Pole("63000000", "07", "65", "00", "04100000")));
    EXPECT_EQ(sim.StatusRegister(7), 0);
    EXPECT_EQ(o.CtiCele(5), 0x44) << "the answer alone does not touch the module's channels";

    bool hotovo = false;
    EXPECT_EQ(o.StatusVystupu(99, &hotovo), 0);
    EXPECT_TRUE(hotovo);
    EXPECT_EQ(o.CtiCele(5), 0) << "finalising the reset clears the module's status registers";
    EXPECT_EQ(o.Run("OR  9").back(), "K=99,   R=1,  S=1, H=4100");
    EXPECT_EQ(o.Run("OF  0").back(), "K=99,");
    EXPECT_EQ(o.Run("OF  9").back(), "K=99,   R=1,  S=3, F=0, H=TRUE, SP=0");
}

TEST_F(Cykly, RefusedResetFinalizesWithoutAnInterface) {
    lib().OutputRequest(d(), 99, HodnotaCele(99));
    EXPECT_EQ(o.CtiCele(1), 99);   // the last faulty channel
    EXPECT_EQ(o.CtiCele(4), 17);   // channel 99 is watched from the start
    bool hotovo = false;
    EXPECT_EQ(o.StatusVystupu(99, &hotovo), 0);
    EXPECT_TRUE(hotovo);
    EXPECT_TRUE(ContainsLine(o.Hlavni(), std::string("OutputRequest - požadavek na nedefinovaný kanál 99"_cp)));
    EXPECT_TRUE(Matches(o.Run("OF  9").back(), "K=99,   R=0,  S=0, F=0, H=TRUE, SP=17")) << o.Run("OF  9").back();
    EXPECT_EQ(sim.RequestCount(), 0u);
}

TEST_F(Cykly, ResetOfAChannelWhoseModuleAlsoHasInputs) {
    // 4100 and 1007 share module 7: a reset named by either clears both.
    sim.SetStatusRegister(7, 0x10);
    EXPECT_TRUE(o.Vstup(1007).Hotovo);
    o.Vystup(6, HodnotaCele(1007));
    EXPECT_EQ(o.CtiCele(5), 0x10);
    const std::size_t pred = o.PocetVolani();
    const TDokonceni v = o.Vystup(99, HodnotaCele(1007));
    EXPECT_TRUE(v.Hotovo);
    EXPECT_EQ(v.Status, 0);
    if (!v.Prvni) {
        ASSERT_EQ(o.PocetVolani(), pred + 1);
        EXPECT_EQ(o.Volani().back().Smer, 1);  // channel 99 reports as an output
    }
    EXPECT_EQ(PosledniDotaz(sim), Paket(Pole("63000000", "07", "65", "00", "EF030000")));
    EXPECT_EQ(o.CtiCele(5), 0);
}

}  // namespace
}  // namespace e2e

#endif
