// Empty texts reach the line builders as views without storage (a default
// std::string_view has a null pointer); appending one must not hand that
// pointer to memcpy. Caught by UndefinedBehaviorSanitizer in scripts/test.
#include <gtest/gtest.h>

#include <string_view>

#include "base/Text.h"

TEST(TextEmpty, EmptyViewWithoutStorageAddsNothing) {
    TLine r("F=", 3);
    r.Add(std::string_view());
    r.Add(std::string_view{}).Add(", T");
    EXPECT_EQ(r.sv(), "F=3, T");
    TText<4> full("ABCD");
    full.Add(std::string_view());
    full.Add("E");
    EXPECT_EQ(full.sv(), "ABCD");
}
