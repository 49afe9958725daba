// Local time in named zones, which the tests set through TZ for the process.
#include "platform/SystemTime.h"
#include "platform/SystemTimeTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace systemtime_test;

namespace {

// Seconds since 1970 of a UTC calendar time.
int64_t Utc(const SYSTEMTIME& t) {
    std::tm tm{};
    tm.tm_year = t.wYear - 1900;
    tm.tm_mon = t.wMonth - 1;
    tm.tm_mday = t.wDay;
    tm.tm_hour = t.wHour;
    tm.tm_min = t.wMinute;
    tm.tm_sec = t.wSecond;
    return timegm(&tm);
}

} // namespace

TEST(SystemTime, LocalRoundTripAcrossDaylightSavingChangesAndCenturies) {
    const test::ScopedTimeZone tz("Europe/Berlin");
    for (const SYSTEMTIME& local :
         {Make(2021, 3, 28, 1, 59, 59), Make(2021, 3, 28, 3), Make(2021, 10, 31, 1, 30),
          Make(2021, 10, 31, 3, 30), Make(1969, 7, 20, 21, 17, 40), Make(1900, 1, 1), Make(1601, 1, 1),
          Make(2040, 2, 29, 12, 34, 56, 250), Make(9999, 12, 31, 23, 59, 59)}) {
        const auto utc = platform::LocalToUtc(local);
        ASSERT_TRUE(utc.has_value()) << local.wYear;
        const auto back = platform::UtcToLocal(*utc);
        ASSERT_TRUE(back.has_value()) << local.wYear;
        EXPECT_EQ(Fields(*back), Fields(local));
    }
    // Milliseconds travel as nanoseconds, and come back cut, not rounded.
    const auto utc = platform::LocalToUtc(Make(2005, 10, 12, 14, 6, 42, 250));
    EXPECT_EQ(utc->nanoseconds, 250000000U);
    EXPECT_EQ(platform::UtcToLocal({utc->seconds, 999999999})->wMilliseconds, 999);
}

TEST(SystemTime, LocalTimesAreResolvedFromTheZonesOwnChanges) {
    struct Case {
        const char* zone;
        SYSTEMTIME local;
        SYSTEMTIME utc;
    };
    const Case cases[] = {
        // Skipped by the clocks: one step later, whatever the zone's flags say.
        {"Europe/Dublin", Make(2024, 3, 31, 1, 30), Make(2024, 3, 31, 1, 30)},  // negative DST in winter
        {"Europe/Moscow", Make(2011, 3, 27, 2, 30), Make(2011, 3, 26, 23, 30)}, // to +4 for good
        {"Pacific/Apia", Make(2011, 12, 30, 12), Make(2011, 12, 30, 22)},       // a whole day skipped
        {"America/New_York", Make(2024, 3, 10, 2, 30), Make(2024, 3, 10, 7, 30)},
        // Shown twice: the earlier.
        {"America/New_York", Make(2024, 11, 3, 1, 30), Make(2024, 11, 3, 5, 30)},
        {"Europe/Dublin", Make(2024, 10, 27, 1, 30), Make(2024, 10, 27, 0, 30)},
        // Summer and winter at their own offsets whatever the date today, before the first change of
        // the zone, and long after the last one listed (beyond 2038).
        {"Europe/London", Make(2024, 7, 1, 12), Make(2024, 7, 1, 11)},
        {"Europe/Berlin", Make(2024, 1, 15, 12), Make(2024, 1, 15, 11)},
        {"Europe/London", Make(2100, 7, 1, 12), Make(2100, 7, 1, 11)},
        {"Asia/Tokyo", Make(2024, 1, 1), Make(2023, 12, 31, 15)},
        {"Asia/Tokyo", Make(1601, 1, 1), Make(1600, 12, 31, 14, 41, 1)}, // local mean time, +9:18:59
        {"Pacific/Apia", Make(2011, 12, 31, 12), Make(2011, 12, 30, 22)},
    };
    for (const Case& c : cases) {
        const test::ScopedTimeZone tz(c.zone);
        const auto utc = platform::LocalToUtc(c.local);
        ASSERT_TRUE(utc.has_value()) << c.zone;
        EXPECT_EQ(utc->seconds, Utc(c.utc)) << c.zone << " " << ::testing::PrintToString(Fields(c.local));
    }
}
