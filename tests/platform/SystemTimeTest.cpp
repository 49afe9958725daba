#include "platform/SystemTime.h"

#include "platform/SystemTimeTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace systemtime_test;

TEST(SystemTime, RejectsRecordsThatAreNoCalendarTime) {
    for (const SYSTEMTIME& t :
         {Make(1600, 12, 31), Make(10000, 1, 1), Make(2001, 2, 29), Make(1900, 2, 29), Make(2024, 13, 1),
          Make(2024, 4, 31), Make(2024, 1, 0), Make(2024, 1, 1, 24), Make(2024, 1, 1, 0, 60),
          Make(2024, 1, 1, 0, 0, 60), Make(2024, 1, 1, 0, 0, 0, 1000)}) {
        EXPECT_FALSE(platform::IsValidSystemTime(t)) << ::testing::PrintToString(Fields(t));
        EXPECT_FALSE(platform::LocalToUtc(t).has_value());
    }
    EXPECT_TRUE(platform::IsValidSystemTime(Make(2000, 2, 29, 23, 59, 59, 999)));
}

TEST(SystemTime, FileTimeTicksCountFrom1601) {
    EXPECT_EQ(platform::ToFileTimeTicks({-11644473600, 0}), uint64_t{0});
    EXPECT_FALSE(platform::ToFileTimeTicks({-11644473601, 0}).has_value());
    EXPECT_EQ(platform::ToFileTimeTicks({0, 100}), uint64_t{116444736000000001});
    const platform::UtcTime t{1234567890, 987654300};
    EXPECT_EQ(platform::FromFileTimeTicks(*platform::ToFileTimeTicks(t)), t);
}

TEST(SystemTime, LocalTimesAwayFromAnyChangeComeBackAsTheyWere) {
    // Whatever the zone: midwinter and midsummer noon, from 1601 to 9999.
    for (const int year : {1601, 1900, 1970, 2000, 2024, 2100, 9999}) {
        for (const SYSTEMTIME& local : {Make(year, 1, 15, 12, 0, 0, 250), Make(year, 7, 15, 12, 30, 59)}) {
            const auto utc = platform::LocalToUtc(local);
            ASSERT_TRUE(utc.has_value()) << year;
            const auto back = platform::UtcToLocal(*utc);
            ASSERT_TRUE(back.has_value()) << year;
            EXPECT_EQ(Fields(*back), Fields(local)) << year;
            EXPECT_LT(std::abs(utc->seconds - platform::FieldsToUtc(local)->seconds), 16 * 3600) << year;
        }
    }
}
