// The channels rung for the call-back thread: taken once, in channel order.
#include <gtest/gtest.h>

#include <vector>

#include "base/Vyzvy.h"

namespace {

std::vector<int> Vezmi(TVyzvy& v, bool* nejaky = nullptr) {
    std::vector<int> c;
    const bool n = v.Vezmi([&](int k) { c.push_back(k); });
    if (nejaky != nullptr) *nejaky = n;
    return c;
}

TEST(Vyzvy, TakenInAscendingChannelOrder) {
    TVyzvy v;
    for (int c : {3000, 100, 6099, 1005, 99, 163, 162}) v.Pridej(c);
    bool nejaky = false;
    EXPECT_EQ(Vezmi(v, &nejaky), (std::vector<int>{99, 100, 162, 163, 1005, 3000, 6099}));
    EXPECT_TRUE(nejaky);
}

TEST(Vyzvy, EachRingIsTakenOnce) {
    TVyzvy v;
    v.Pridej(1005);
    v.Pridej(1005);
    EXPECT_EQ(Vezmi(v), std::vector<int>{1005});
    bool nejaky = true;
    EXPECT_TRUE(Vezmi(v, &nejaky).empty());
    EXPECT_FALSE(nejaky);
}

TEST(Vyzvy, ChannelsOutsideTheTableAreIgnored) {
    TVyzvy v;
    for (int c : {98, 6100, -1, 0, 1 << 20}) v.Pridej(c);
    bool nejaky = true;
    EXPECT_TRUE(Vezmi(v, &nejaky).empty());
    EXPECT_FALSE(nejaky);
}

}  // namespace
