// Service channels through the loaded library: the watched channel, the
// error summaries of the interfaces and their clearing.
#include "e2e/RunningDriver.h"

#ifdef RV_HAVE_SIMULATOR

namespace e2e {
namespace {

using Servis = TRunningDriver;

TEST_F(Servis, ReadableServiceChannelsNeedNoRequest) {
    for (uint32_t c : {1u, 2u, 3u, 4u, 5u, 11u, 19u, 26u}) {
        lib().InputRequest(d(), c);
        bool hotovo = false;
        EXPECT_EQ(o.StatusVstupu(c, &hotovo), 0) << c;
        EXPECT_TRUE(hotovo) << c;
    }
    lib().InputRequestCompleted(d());
    EXPECT_EQ(o.Run("IR  9").front(), "K=1,");
    EXPECT_EQ(o.Run("IF  9").front(), "K=1,    H=TRUE");
    EXPECT_EQ(o.Run("IF  9").back(), "K=26,   H=TRUE");
    EXPECT_EQ(o.CtiCele(1), 0);
    EXPECT_EQ(o.CtiCele(4), 15);  // channel 99 watched, never used
    EXPECT_EQ(o.CtiCele(12), 18) << "an undeclared interface keeps its initial status";
    EXPECT_EQ(o.Run("GI  9").front(), "K=1,    H=0");
    EXPECT_EQ(sim.RequestCount(), 0u);
    EXPECT_EQ(o.PocetVolani(), 0u);
}

TEST_F(Servis, WatchedChannelIsClamped) {
    o.Vystup(6, HodnotaCele(100));
    EXPECT_EQ(o.CtiCele(3), 5);  // channel 100 sits on module 5
    o.Vystup(6, HodnotaCele(50));
    o.Vystup(6, HodnotaCele(7000));
    o.Vystup(6, HodnotaCele(-5));
    o.Vystup(6, HodnotaCele(1007));
    EXPECT_EQ(o.CtiCele(3), 7);
    EXPECT_EQ(o.Run("OR  9"), (std::vector<std::string>{"K=6,    H=100", "K=6,    H=99", "K=6,    H=6099",
                                                        "K=6,    H=6099", "K=6,    H=1007"}));
    EXPECT_EQ(o.Run("OF  9").front(), "K=6,    H=TRUE");
    EXPECT_EQ(o.Run("GI  9").back(), "K=3,    H=7");
}

TEST_F(Servis, ErrorSummaryCountsChannelsModulesAndStatus) {
    sim.SetFault(8, TSimFault{.status = 21});
    sim.SetFault(9, TSimFault{.status = 21});
    lib().InputRequest(d(), 101);
    lib().InputRequest(d(), 102);
    lib().InputRequest(d(), 1010);
    lib().InputRequestCompleted(d());
    for (uint32_t c : {101u, 102u, 1010u}) {
        const TDokonceni v = o.DokonciVstup(c);
        EXPECT_TRUE(v.Hotovo) << c;
        EXPECT_EQ(v.Status, 0) << c;
    }
    EXPECT_EQ(o.CtiCele(11), 3 * 65536 + 2 * 256 + 21);  // 197141
    EXPECT_EQ(o.CtiCele(1), 1010);
    EXPECT_EQ(o.CtiCele(2), 9);
    o.Vystup(6, HodnotaCele(102));
    EXPECT_EQ(o.CtiCele(4), 21);
    EXPECT_EQ(o.Run("GI  9").front(), "K=11,   H=197141");

    // A good answer takes the channel off the last-faulty mark.
    sim.ClearFault(9);
    EXPECT_TRUE(o.Vstup(1010).Hotovo);
    EXPECT_EQ(o.CtiCele(1), 0);
    EXPECT_EQ(o.CtiCele(11), 2 * 65536 + 1 * 256 + 0);

    // An undeclared interface counts its refused requests too.
    lib().InputRequest(d(), 1500);
    EXPECT_EQ(o.CtiCele(12), 1 * 65536 + 1 * 256 + 18);
}

TEST_F(Servis, ClearingChannelsResetTheSummary) {
    sim.SetFault(8, TSimFault{.status = 30});
    EXPECT_TRUE(o.Vstup(101).Hotovo);
    lib().InputRequest(d(), 1500);
    EXPECT_EQ(o.CtiCele(11), 65536 + 256 + 30);
    ASSERT_NE(o.CtiCele(12), 0);

    const TDokonceni a = o.Vystup(51, HodnotaCele(12345));
    EXPECT_TRUE(a.Prvni);
    EXPECT_EQ(a.Status, 0);
    EXPECT_EQ(o.CtiCele(11), 0);
    EXPECT_NE(o.CtiCele(12), 0);
    o.Vystup(52, HodnotaCele(0));  // interface 2 is not declared: cleared all the same
    EXPECT_EQ(o.CtiCele(12), 0);
    EXPECT_EQ(o.Run("OR  9").front(), "K=51,   H=12345");
    EXPECT_EQ(o.Run("OF  9").front(), "K=51,   H=TRUE");
    EXPECT_EQ(sim.RequestCount(), 1u);
}

TEST_F(Servis, FinalizedAcceptsEveryServiceNumber) {
    std::vector<uint32_t> cisla{6};
    for (uint32_t c = 51; c <= 82; ++c) cisla.push_back(c);
    for (uint32_t c : cisla) {
        bool hotovo = false;
        EXPECT_EQ(o.StatusVystupu(c, &hotovo), 0) << c;
        EXPECT_TRUE(hotovo) << c;
    }
    EXPECT_EQ(o.Run("OF  9").size(), cisla.size());

    // 70 is not writable although OutputFinalized answers it.
    lib().OutputRequest(d(), 70, HodnotaCele(1));
    lib().OutputRequestCompleted(d());
    EXPECT_TRUE(ContainsLine(o.Hlavni(), std::string("OutputRequest - požadavek na neplatný kanál 70"_cp)));
    EXPECT_TRUE(o.Run("OR  9").empty());
    EXPECT_EQ(o.Run("OR  0"), std::vector<std::string>{"K=70,"});
}

}  // namespace
}  // namespace e2e

#endif
