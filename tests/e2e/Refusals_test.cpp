// Every request the driver refuses: the status the channel ends with, the
// RUN trace and the main-log line, through the loaded library.
#include <utility>

#include "e2e/RunningDriver.h"

#ifdef RV_HAVE_SIMULATOR

#include <cmath>
#include <limits>

namespace e2e {
namespace {

class Refusals : public TRunningDriver {
protected:
    bool InMainLog(std::string_view message, uint32_t c) {
        return ContainsLine(o.MainLog(), Cp(message) + std::to_string(c));
    }
};

TEST_F(Refusals, InputRequestOnNumbersThatAreNoInputs) {
    for (uint32_t c : {0u, 6u, 27u, 99u, 3000u}) {
        lib().InputRequest(d(), c);
        bool isDone = false;
        EXPECT_EQ(o.InputStatus(c, &isDone), 3) << c;
        EXPECT_TRUE(isDone) << c;
    }
    const auto ir = o.Run("IR  2");
    ASSERT_EQ(ir.size(), 5u);
    EXPECT_EQ(ir[0], "K=0,    " + Cp("InputRequest - požadavek na neplatný kanál"_cp));
    EXPECT_EQ(ir[4], "K=3000, " + Cp("InputRequest - požadavek na neplatný kanál"_cp));
    const auto f = o.Run("IF  2");
    ASSERT_EQ(f.size(), 5u);
    EXPECT_EQ(f[0], Cp("InputFinalized - požadavek na neplatný kanál"_cp));
    EXPECT_EQ(o.GetInt(1), 0) << "no status changed";
    EXPECT_EQ(WatchedStatus(99), 15);
}

TEST_F(Refusals, InputRequestOnAnUndeclaredChannel) {
    lib().InputRequest(d(), 150);
    EXPECT_EQ(o.Run("IR  3"),
              std::vector<std::string>{"K=150,  R=0,  " + Cp("InputRequest - požadavek na neplatné rozhraní kanálu"_cp)});
    bool isDone = false;
    EXPECT_EQ(o.InputStatus(150, &isDone), 3);
    EXPECT_TRUE(isDone);
    EXPECT_EQ(o.Run("IF  3"),
              std::vector<std::string>{"K=150,  R=0,  " + Cp("InputFinalized - požadavek na nedefinovaný kanál"_cp)});
    EXPECT_EQ(o.GetInt(1), 150);
    EXPECT_EQ(o.GetInt(2), 0);
    EXPECT_EQ(WatchedStatus(150), 17);
}

TEST_F(Refusals, InputRequestOnAnUndeclaredInterface) {
    lib().InputRequest(d(), 1500);
    EXPECT_EQ(o.Run("IR  5"), std::vector<std::string>{
                                  "K=1500, R=2,  " + Cp("InputRequest - požadavek na nedefinované rozhraní kanálu"_cp)});
    const TOutcome v = o.FinishRead(1500);
    EXPECT_TRUE(v.FirstFinalized);
    EXPECT_EQ(v.Status, 0);  // a declared channel: its Status tells the rest
    EXPECT_EQ(WatchedStatus(1500), 18);
    EXPECT_EQ(o.GetInt(1500), 0);
    EXPECT_EQ(o.GetInt(1), 1500);
    EXPECT_EQ(o.GetInt(2), 1);
}

TEST_F(Refusals, GetInputWithAWrongTypeOrNumberOnlyLogs) {
    THodnota h = RealValue(3.25);
    lib().GetInput(d(), 1500, &h);
    EXPECT_EQ(h.TypHodnoty, TypReal);
    const double r = h.Hodnota.Real;  // packed record: no reference to the field
    EXPECT_EQ(r, 3.25);
    THodnota s = BitValue(true);
    lib().GetInput(d(), 3, &s);
    EXPECT_EQ(s.Hodnota.Bajty[0], 1);
    THodnota n = IntValue(42);
    lib().GetInput(d(), 3000, &n);
    lib().GetInput(d(), 6, &n);
    EXPECT_EQ(n.Hodnota.Cele, 42);
    EXPECT_TRUE(InMainLog("GetInput - chybný datový typ kanálu "_cp, 1500));
    EXPECT_TRUE(InMainLog("GetInput - chybný datový typ kanálu "_cp, 3));
    EXPECT_TRUE(InMainLog("GetInput - požadavek na neplatný kanál "_cp, 3000));
    EXPECT_TRUE(InMainLog("GetInput - požadavek na neplatný kanál "_cp, 6));
    EXPECT_TRUE(o.Run("GI  9").empty());
    EXPECT_EQ(o.Run("GI  0").size(), 4u);
}

TEST_F(Refusals, OutputRequestRejections) {
    lib().OutputRequest(d(), 7, IntValue(1));
    lib().OutputRequest(d(), 2000, BitValue(true));
    lib().OutputRequest(d(), 6100, IntValue(1));
    lib().OutputRequest(d(), 3600, RealValue(1.0));                 // undeclared
    lib().OutputRequest(d(), 3500, RealValue(1.0));                 // interface 2 undeclared
    lib().OutputRequest(d(), 3005, RealValue(std::numeric_limits<double>::infinity()));
    lib().OutputRequest(d(), 6001, TextValue(nullptr));
    lib().OutputRequest(d(), 4010, RealValue(1.0));                 // wrong type
    lib().OutputRequest(d(), 6, RealValue(1.0));
    lib().OutputRequest(d(), 51, BitValue(true));
    lib().OutputRequest(d(), 99, RealValue(4100.0));
    lib().OutputRequest(d(), 99, IntValue(3600));                  // names an undeclared channel
    lib().OutputRequestCompleted(d());

    const std::pair<std::string_view, uint32_t> inMainLog[] = {
        {"OutputRequest - požadavek na neplatný kanál "_cp, 7},
        {"OutputRequest - požadavek na neplatný kanál "_cp, 2000},
        {"OutputRequest - požadavek na neplatný kanál "_cp, 6100},
        {"OutputRequest - požadavek na neplatné rozhraní kanálu "_cp, 3600},
        {"OutputRequest - požadavek na nedefinované rozhraní kanálu "_cp, 3500},
        {"OutputRequest - předána neplatná REAL hodnota kanálu "_cp, 3005},
        {"OutputRequest - předána neplatná STRING hodnota kanálu "_cp, 6001},
        {"OutputRequest - chybný datový typ kanálu "_cp, 4010},
        {"OutputRequest - chybný datový typ kanálu "_cp, 6},
        {"OutputRequest - chybný datový typ kanálu "_cp, 51},
        {"OutputRequest - chybný datový typ kanálu "_cp, 99},
        {"OutputRequest - požadavek na nedefinovaný kanál "_cp, 99},
    };
    for (const auto& [message, c] : inMainLog) EXPECT_TRUE(InMainLog(message, c)) << c;
    EXPECT_TRUE(o.Run("OR  9").empty()) << "nothing was queued";

    EXPECT_EQ(WatchedStatus(3600), 17);
    EXPECT_EQ(WatchedStatus(3500), 18);
    EXPECT_EQ(WatchedStatus(3005), 22);
    EXPECT_EQ(WatchedStatus(6001), 23);
    EXPECT_EQ(WatchedStatus(4010), 15) << "a wrong type changes nothing";
    EXPECT_EQ(WatchedStatus(99), 17);
    EXPECT_EQ(sim.RequestCount(), 0u);

    // Completed with an error: finalising says done at once.
    for (uint32_t c : {3500u, 3005u, 6001u}) {
        bool isDone = false;
        EXPECT_EQ(o.OutputStatus(c, &isDone), 0) << c;
        EXPECT_TRUE(isDone) << c;
    }
    // Never started, so no time limit ran out: the reason stays.
    EXPECT_EQ(WatchedStatus(3500), 18);
    EXPECT_EQ(WatchedStatus(3005), 22);
    EXPECT_EQ(WatchedStatus(6001), 23);
    EXPECT_TRUE(o.Run("OF  4").empty());
}

TEST_F(Refusals, NegativeInfinityAndNaN) {
    lib().OutputRequest(d(), 3005, RealValue(-std::numeric_limits<double>::infinity()));
    EXPECT_EQ(WatchedStatus(3005), 22);
    EXPECT_TRUE(o.Write(3005, RealValue(std::nan(""))).Finalized);  // NaN saturates instead
    EXPECT_EQ(sim.Value(6, 1), (zrsim::TBytes4{0xFF, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(WatchedStatus(3005), 0);
}

TEST_F(Refusals, OutputFinalizedOnInvalidAndUndeclaredNumbers) {
    for (uint32_t c : {7u, 98u, 100u, 2999u, 6100u}) {
        bool isDone = false;
        EXPECT_EQ(o.OutputStatus(c, &isDone), 3) << c;
        EXPECT_TRUE(isDone) << c;
        EXPECT_TRUE(InMainLog("OutputFinalized - požadavek na neplatný kanál "_cp, c)) << c;
    }
    bool isDone = false;
    EXPECT_EQ(o.OutputStatus(3600, &isDone), 3);
    EXPECT_TRUE(isDone);
    EXPECT_TRUE(InMainLog("OutputFinalized - požadavek na nedefinovaný kanál "_cp, 3600));
    const auto of2 = o.Run("OF  2");
    ASSERT_EQ(of2.size(), 5u);
    EXPECT_EQ(of2[0], "K=7,    " + Cp("OutputFinalized - požadavek na neplatný kanál"_cp));
    EXPECT_EQ(o.Run("OF  3"), std::vector<std::string>{"K=3600, " + Cp("OutputFinalized - požadavek na nedefinovaný kanál"_cp)});
    EXPECT_EQ(o.Run("OF  0").back(), "K=3600, R=0,");
}

TEST_F(Refusals, FullQueueRefusesTheThousandAndFirstRequest) {
    for (int i = 0; i < 1000; ++i) lib().InputRequest(d(), 1005);
    EXPECT_EQ(o.GetInt(1), 0);
    lib().InputRequest(d(), 1005);
    const auto ir = o.Run("IR  9");
    ASSERT_EQ(ir.size(), 1001u);
    EXPECT_EQ(ir[998], "K=1005, R=1,  S=1, F=999");
    EXPECT_EQ(ir[999], "K=1005, R=1,  S=1, F=1000");
    EXPECT_EQ(ir[1000], "K=1005, R=1,  S=1, F=1000");
    bool isDone = false;
    EXPECT_EQ(o.InputStatus(1005, &isDone), 0);
    EXPECT_TRUE(isDone) << "completed at once";
    EXPECT_EQ(o.GetInt(1), 1005);
    EXPECT_EQ(WatchedStatus(1005), 3);

    // Outputs share the queue of their interface.
    lib().OutputRequest(d(), 4010, IntValue(5));
    EXPECT_EQ(o.Run("OR  9").back(), "K=4010, R=1,  S=1, F=0, H=5");
    EXPECT_EQ(WatchedStatus(4010), 3);
    EXPECT_EQ(sim.RequestCount(), 0u) << "nothing committed";
}

}  // namespace
}  // namespace e2e

#endif
