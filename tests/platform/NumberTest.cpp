#include "platform/Number.h"

#include <gtest/gtest.h>

using platform::Atoi;

TEST(Atoi, ReadsTheLeadingNumber) {
    EXPECT_EQ(Atoi("2005"), 2005);
    EXPECT_EQ(Atoi(" \t\n+12x"), 12);
    EXPECT_EQ(Atoi("-7.5"), -7);
    EXPECT_EQ(Atoi("0009"), 9);
    for (const char* none : {"", " ", "x1", "+", "-", "+-1", " - 1", "\xef\xbc\x91"}) { // last: full-width 1
        EXPECT_EQ(Atoi(none), 0) << none;
    }
}

TEST(Atoi, SaturatesAtTheLimits) {
    EXPECT_EQ(Atoi("2147483647"), 2147483647);
    EXPECT_EQ(Atoi("2147483648"), 2147483647);
    EXPECT_EQ(Atoi("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(Atoi("-2147483649"), -2147483647 - 1);
    EXPECT_EQ(Atoi("4294967298"), 2147483647); // wrapping would give 2
    EXPECT_EQ(Atoi(std::string(5000, '9') + "x"), 2147483647);
}
