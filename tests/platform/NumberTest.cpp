#include "platform/Number.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

TEST(Atoi, ReadsTheLeadingNumberAndSaturatesAtTheLimits) {
    const std::vector<std::pair<std::string, int>> cases = {{" \t\n+12x", 12},
                                                            {"-7.5", -7},
                                                            {"0009", 9},
                                                            {"", 0},
                                                            {"x1", 0},
                                                            {"+-1", 0},
                                                            {" - 1", 0},
                                                            {"\xef\xbc\x91", 0}, // full-width 1
                                                            {"2147483647", INT_MAX},
                                                            {"2147483648", INT_MAX},
                                                            {"-2147483649", INT_MIN},
                                                            {"4294967298", INT_MAX}, // wrapping would give 2
                                                            {std::string(5000, '9') + "x", INT_MAX}};
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(platform::Atoi(text), value) << text;
    }
}
