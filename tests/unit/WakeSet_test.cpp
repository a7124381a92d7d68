// The channels rung for the call-back thread: taken once, in channel order.
#include <gtest/gtest.h>

#include <vector>

#include "base/WakeSet.h"

namespace {

std::vector<int> Vezmi(TWakeSet& v, bool* any = nullptr) {
    std::vector<int> c;
    const bool n = v.Take([&](int k) { c.push_back(k); });
    if (any != nullptr) *any = n;
    return c;
}

TEST(WakeSet, TakenInAscendingChannelOrder) {
    TWakeSet v;
    for (int c : {3000, 100, 6099, 1005, 99, 163, 162}) v.Add(c);
    bool any = false;
    EXPECT_EQ(Vezmi(v, &any), (std::vector<int>{99, 100, 162, 163, 1005, 3000, 6099}));
    EXPECT_TRUE(any);
}

TEST(WakeSet, EachRingIsTakenOnce) {
    TWakeSet v;
    v.Add(1005);
    v.Add(1005);
    EXPECT_EQ(Vezmi(v), std::vector<int>{1005});
    bool any = true;
    EXPECT_TRUE(Vezmi(v, &any).empty());
    EXPECT_FALSE(any);
}

TEST(WakeSet, ChannelsOutsideTheTableAreIgnored) {
    TWakeSet v;
    for (int c : {98, 6100, -1, 0, 1 << 20}) v.Add(c);
    bool any = true;
    EXPECT_TRUE(Vezmi(v, &any).empty());
    EXPECT_FALSE(any);
}

}  // namespace
