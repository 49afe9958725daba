#include "platform/SystemTime.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

SYSTEMTIME Make(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    SYSTEMTIME t{};
    t.wYear = static_cast<uint16_t>(y);
    t.wMonth = static_cast<uint16_t>(mo);
    t.wDay = static_cast<uint16_t>(d);
    t.wHour = static_cast<uint16_t>(h);
    t.wMinute = static_cast<uint16_t>(mi);
    t.wSecond = static_cast<uint16_t>(s);
    t.wMilliseconds = static_cast<uint16_t>(ms);
    return t;
}

void ExpectFields(const SYSTEMTIME& t, int y, int mo, int d, int h, int mi, int s) {
    EXPECT_EQ(t.wYear, y);
    EXPECT_EQ(t.wMonth, mo);
    EXPECT_EQ(t.wDay, d);
    EXPECT_EQ(t.wHour, h);
    EXPECT_EQ(t.wMinute, mi);
    EXPECT_EQ(t.wSecond, s);
}

int64_t Utc(const SYSTEMTIME& t) {
    const auto u = platform::CivilToUtc(t);
    EXPECT_TRUE(u.has_value());
    return u ? u->seconds : 0;
}

} // namespace

TEST(SystemTime, CivilConversionAtKnownMoments) {
    EXPECT_EQ(Utc(Make(1970, 1, 1)), 0);
    EXPECT_EQ(Utc(Make(2038, 1, 19, 3, 14, 8)), int64_t{1} << 31);
    EXPECT_EQ(Utc(Make(1601, 1, 1)), -11644473600);
    EXPECT_EQ(Utc(Make(1969, 12, 31, 23, 59, 59)), -1);
    EXPECT_EQ(Utc(Make(9999, 12, 31, 23, 59, 59)), 253402300799);
    EXPECT_EQ(Utc(Make(2000, 2, 29, 12)) - Utc(Make(2000, 2, 28, 12)), 86400);
}

TEST(SystemTime, CivilRoundTripKeepsEveryFieldAndTheWeekday) {
    for (const int64_t s : {int64_t{-11644473600}, int64_t{-1}, int64_t{0}, int64_t{951825600},
                            int64_t{4102444800}, int64_t{253402300799}}) {
        const auto t = platform::UtcToCivil({s, 123456789});
        ASSERT_TRUE(t.has_value()) << s;
        EXPECT_EQ(t->wMilliseconds, 123);
        const auto back = platform::CivilToUtc(*t);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->seconds, s);
    }
    // 2005-03-07 was a Monday, 1970-01-01 a Thursday, 1969-12-31 a Wednesday.
    EXPECT_EQ(platform::UtcToCivil({Utc(Make(2005, 3, 7)), 0})->wDayOfWeek, 1);
    EXPECT_EQ(platform::UtcToCivil({0, 0})->wDayOfWeek, 4);
    EXPECT_EQ(platform::UtcToCivil({-1, 0})->wDayOfWeek, 3);
}

TEST(SystemTime, RejectsRecordsThatAreNoCalendarTime) {
    EXPECT_FALSE(platform::IsValidSystemTime(Make(1600, 12, 31)));
    EXPECT_FALSE(platform::IsValidSystemTime(Make(10000, 1, 1)));
    EXPECT_FALSE(platform::IsValidSystemTime(Make(2001, 2, 29)));
    EXPECT_FALSE(platform::IsValidSystemTime(Make(1900, 2, 29)));
    EXPECT_FALSE(platform::IsValidSystemTime(Make(2024, 13, 1)));
    EXPECT_FALSE(platform::IsValidSystemTime(Make(2024, 4, 31)));
    EXPECT_FALSE(platform::IsValidSystemTime(Make(2024, 1, 0)));
    EXPECT_FALSE(platform::IsValidSystemTime(Make(2024, 1, 1, 24)));
    EXPECT_FALSE(platform::IsValidSystemTime(Make(2024, 1, 1, 0, 60)));
    EXPECT_FALSE(platform::IsValidSystemTime(Make(2024, 1, 1, 0, 0, 60)));
    EXPECT_FALSE(platform::IsValidSystemTime(Make(2024, 1, 1, 0, 0, 0, 1000)));
    EXPECT_TRUE(platform::IsValidSystemTime(Make(2000, 2, 29, 23, 59, 59, 999)));
    EXPECT_FALSE(platform::LocalToUtc(Make(2001, 2, 29)).has_value());
    EXPECT_FALSE(platform::CivilToUtc(Make(0, 0, 0)).has_value());
}

TEST(SystemTime, FileTimeTicksCountFrom1601) {
    EXPECT_EQ(platform::ToFileTimeTicks({-11644473600, 0}), uint64_t{0});
    EXPECT_FALSE(platform::ToFileTimeTicks({-11644473601, 0}).has_value());
    EXPECT_EQ(platform::ToFileTimeTicks({0, 100}), uint64_t{116444736000000001});
    const platform::UtcTime t{1234567890, 987654300};
    EXPECT_EQ(platform::FromFileTimeTicks(*platform::ToFileTimeTicks(t)), t);
}

TEST(SystemTime, LocalTimeUsesTheOffsetInForceAtThatDate) {
    const test::ScopedTimeZone tz("Europe/Berlin");
    // Summer and winter dates convert with their own offsets, whatever the date today.
    EXPECT_EQ(platform::LocalToUtc(Make(2024, 7, 1, 12))->seconds, Utc(Make(2024, 7, 1, 10)));
    EXPECT_EQ(platform::LocalToUtc(Make(2024, 1, 15, 12))->seconds, Utc(Make(2024, 1, 15, 11)));
    const auto summer = platform::UtcToLocal({Utc(Make(2024, 7, 1, 10)), 0});
    ASSERT_TRUE(summer.has_value());
    ExpectFields(*summer, 2024, 7, 1, 12, 0, 0);
    const auto winter = platform::UtcToLocal({Utc(Make(2024, 1, 15, 11)), 0});
    ExpectFields(*winter, 2024, 1, 15, 12, 0, 0);
}

TEST(SystemTime, LocalRoundTripAcrossDaylightSavingChangesAndCenturies) {
    const test::ScopedTimeZone tz("Europe/Berlin");
    const SYSTEMTIME samples[] = {
        Make(2021, 3, 28, 1, 59, 59),
        Make(2021, 3, 28, 3, 0, 0),
        Make(2021, 10, 31, 1, 30),
        Make(2021, 10, 31, 3, 30),
        Make(1969, 7, 20, 21, 17, 40),
        Make(1950, 6, 15, 12),
        Make(1900, 1, 1),
        Make(1601, 1, 1, 0, 0, 0),
        Make(2040, 2, 29, 12, 34, 56),
        Make(2100, 7, 1, 12),
        Make(9999, 12, 31, 23, 59, 59),
    };
    for (const SYSTEMTIME& local : samples) {
        const auto utc = platform::LocalToUtc(local);
        ASSERT_TRUE(utc.has_value()) << local.wYear;
        const auto back = platform::UtcToLocal(*utc);
        ASSERT_TRUE(back.has_value()) << local.wYear;
        ExpectFields(*back, local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond);
    }
    // Summer time rules go on after 2038.
    EXPECT_EQ(platform::LocalToUtc(Make(2100, 7, 1, 12))->seconds, Utc(Make(2100, 7, 1, 10)));
}

TEST(SystemTime, SkippedLocalTimeComesOutOneStepLater) {
    const test::ScopedTimeZone tz("Europe/Berlin");
    const auto utc = platform::LocalToUtc(Make(2024, 3, 31, 2, 30));
    ASSERT_TRUE(utc.has_value());
    ExpectFields(*platform::UtcToLocal(*utc), 2024, 3, 31, 3, 30, 0);
}

TEST(SystemTime, MillisecondsTravelAsNanoseconds) {
    const test::ScopedTimeZone tz("UTC");
    const auto utc = platform::LocalToUtc(Make(2024, 5, 6, 7, 8, 9, 250));
    ASSERT_TRUE(utc.has_value());
    EXPECT_EQ(utc->nanoseconds, 250000000U);
    EXPECT_EQ(platform::UtcToLocal({utc->seconds, 999999999})->wMilliseconds, 999);
}

TEST(SystemTime, ZoneWithoutDaylightSaving) {
    const test::ScopedTimeZone tz("Asia/Tokyo");
    EXPECT_EQ(platform::LocalToUtc(Make(2005, 10, 12, 14, 6, 42))->seconds,
              Utc(Make(2005, 10, 12, 5, 6, 42)));
    EXPECT_EQ(platform::LocalToUtc(Make(2005, 7, 1, 9))->seconds, Utc(Make(2005, 7, 1, 0)));
}
