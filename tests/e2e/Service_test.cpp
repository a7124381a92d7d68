// Service channels through the loaded library: the watched channel, the
// error summaries of the interfaces and their clearing.
#include "e2e/RunningDriver.h"

#ifdef RV_HAVE_SIMULATOR

namespace e2e {
namespace {

using Service = TRunningDriver;

TEST_F(Service, ReadableServiceChannelsNeedNoRequest) {
    for (uint32_t c : {1u, 2u, 3u, 4u, 5u, 11u, 19u, 26u}) {
        lib().InputRequest(d(), c);
        bool isDone = false;
        EXPECT_EQ(o.InputStatus(c, &isDone), 0) << c;
        EXPECT_TRUE(isDone) << c;
    }
    lib().InputRequestCompleted(d());
    EXPECT_EQ(o.Run("IR  9").front(), "K=1,");
    EXPECT_EQ(o.Run("IF  9").front(), "K=1,    H=TRUE");
    EXPECT_EQ(o.Run("IF  9").back(), "K=26,   H=TRUE");
    EXPECT_EQ(o.GetInt(1), 0);
    EXPECT_EQ(o.GetInt(4), 15);  // channel 99 watched, never used
    EXPECT_EQ(o.GetInt(12), 18) << "an undeclared interface keeps its initial status";
    EXPECT_EQ(o.Run("GI  9").front(), "K=1,    H=0");
    EXPECT_EQ(sim.RequestCount(), 0u);
    EXPECT_EQ(o.CallCount(), 0u);
}

TEST_F(Service, WatchedChannelIsClamped) {
    o.Write(6, IntValue(100));
    EXPECT_EQ(o.GetInt(3), 5);  // channel 100 sits on module 5
    o.Write(6, IntValue(50));
    o.Write(6, IntValue(7000));
    o.Write(6, IntValue(-5));
    o.Write(6, IntValue(1007));
    EXPECT_EQ(o.GetInt(3), 7);
    EXPECT_EQ(o.Run("OR  9"), (std::vector<std::string>{"K=6,    H=100", "K=6,    H=99", "K=6,    H=6099",
                                                        "K=6,    H=6099", "K=6,    H=1007"}));
    EXPECT_EQ(o.Run("OF  9").front(), "K=6,    H=TRUE");
    EXPECT_EQ(o.Run("GI  9").back(), "K=3,    H=7");
}

TEST_F(Service, ErrorSummaryCountsChannelsModulesAndStatus) {
    sim.SetFault(8, TSimFault{.status = 21});
    sim.SetFault(9, TSimFault{.status = 21});
    lib().InputRequest(d(), 101);
    lib().InputRequest(d(), 102);
    lib().InputRequest(d(), 1010);
    lib().InputRequestCompleted(d());
    for (uint32_t c : {101u, 102u, 1010u}) {
        const TOutcome v = o.FinishRead(c);
        EXPECT_TRUE(v.Finalized) << c;
        EXPECT_EQ(v.Status, 0) << c;
    }
    EXPECT_EQ(o.GetInt(11), 3 * 65536 + 2 * 256 + 21);  // 197141
    EXPECT_EQ(o.GetInt(1), 1010);
    EXPECT_EQ(o.GetInt(2), 9);
    o.Write(6, IntValue(102));
    EXPECT_EQ(o.GetInt(4), 21);
    EXPECT_EQ(o.Run("GI  9").front(), "K=11,   H=197141");

    // A good answer takes the channel off the last-faulty mark.
    sim.ClearFault(9);
    EXPECT_TRUE(o.Read(1010).Finalized);
    EXPECT_EQ(o.GetInt(1), 0);
    EXPECT_EQ(o.GetInt(11), 2 * 65536 + 1 * 256 + 0);

    // An undeclared interface counts its refused requests too.
    lib().InputRequest(d(), 1500);
    EXPECT_EQ(o.GetInt(12), 1 * 65536 + 1 * 256 + 18);
}

TEST_F(Service, ClearingChannelsResetTheSummary) {
    sim.SetFault(8, TSimFault{.status = 30});
    EXPECT_TRUE(o.Read(101).Finalized);
    lib().InputRequest(d(), 1500);
    EXPECT_EQ(o.GetInt(11), 65536 + 256 + 30);
    ASSERT_NE(o.GetInt(12), 0);

    const TOutcome a = o.Write(51, IntValue(12345));
    EXPECT_TRUE(a.FirstFinalized);
    EXPECT_EQ(a.Status, 0);
    EXPECT_EQ(o.GetInt(11), 0);
    EXPECT_NE(o.GetInt(12), 0);
    o.Write(52, IntValue(0));  // interface 2 is not declared: cleared all the same
    EXPECT_EQ(o.GetInt(12), 0);
    EXPECT_EQ(o.Run("OR  9").front(), "K=51,   H=12345");
    EXPECT_EQ(o.Run("OF  9").front(), "K=51,   H=TRUE");
    EXPECT_EQ(sim.RequestCount(), 1u);
}

TEST_F(Service, FinalizedAcceptsEveryServiceNumber) {
    std::vector<uint32_t> numbers{6};
    for (uint32_t c = 51; c <= 82; ++c) numbers.push_back(c);
    for (uint32_t c : numbers) {
        bool isDone = false;
        EXPECT_EQ(o.OutputStatus(c, &isDone), 0) << c;
        EXPECT_TRUE(isDone) << c;
    }
    EXPECT_EQ(o.Run("OF  9").size(), numbers.size());

    // 70 is not writable although OutputFinalized answers it.
    lib().OutputRequest(d(), 70, IntValue(1));
    lib().OutputRequestCompleted(d());
    EXPECT_TRUE(ContainsLine(o.MainLog(), std::string("OutputRequest - požadavek na neplatný kanál 70"_cp)));
    EXPECT_TRUE(o.Run("OR  9").empty());
    EXPECT_EQ(o.Run("OR  0"), std::vector<std::string>{"K=70,"});
}

}  // namespace
}  // namespace e2e

#endif
