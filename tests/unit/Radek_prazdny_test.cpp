// Empty texts reach the line builders as views without storage (a default
// std::string_view has a null pointer); appending one must not hand that
// pointer to memcpy. Caught by UndefinedBehaviorSanitizer in scripts/test.
#include <gtest/gtest.h>

#include <string_view>

#include "base/Radek.h"

TEST(RadekPrazdny, EmptyViewWithoutStorageAddsNothing) {
    TRadek r("F=", 3);
    r.Pridej(std::string_view());
    r.Pridej(std::string_view{}).Pridej(", T");
    EXPECT_EQ(r.sv(), "F=3, T");
    TText<4> plny("ABCD");
    plny.Pridej(std::string_view());
    plny.Pridej("E");
    EXPECT_EQ(plny.sv(), "ABCD");
}
