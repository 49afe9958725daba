#include "cli/TimeArgs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

// Times read and written in named zones: the zone is set for the process, which Wine takes only
// when it starts.

namespace {

constexpr platform::UtcTime kNow{1700000000, 123};

} // namespace

TEST(TimeArgsTest, TimesAreReadAsWrittenAndRefusedWithTheReason) {
    const test::ScopedTimeZone tz("Asia/Tokyo");
    struct Case {
        const char* text;
        const char* moment; // seconds since 1970 UTC, "local" for a wall time, or the error's words
        int hour = -1;      // of the wall time, where it is read
    };
    const Case cases[] = {
        {"2005-10-12T14:06:42", "local", 14},
        {"2005-10-12 14:06", "local", 14},
        {"2005-10-12", "local", 0},
        {"2005-10-12T14:06:42Z", "1129126002", 14},
        {"2005-10-12T14:06:42+09:00", "1129093602"},
        {"2005-10-12T14:06:42-0130", "1129131402"},
        {"2005-10-12T14:06:42+09", "1129093602"},
        {"now", "1700000000"},
        {"1601-01-01T00:00:00Z", "-11644473600"},
        {"9999-12-31T23:59:59Z", "253402300799"},
        {"1601-01-01T08:59:59+09:00", "outside the years"},
        // Local times too, at Tokyo's local mean time then (+09:18:59).
        {"1601-01-01T09:18:58", "outside the years"},
        {"1601-01-01T09:18:59", "local", 9},
        {"9999-12-31T23:59:59", "local", 23},
        {"2005-10-12T14:06:42.5", "fractions of a second"},
        {"2005-02-29", "no date and time of the calendar"},
        {"2005-10-12T24:00:00", "no date and time of the calendar"},
        {"1600-12-31", "no date and time of the calendar"},
        {"2005-10-12T14:06:42+24:00", "is not a time"},
        {"2005-10-12T14:6:42", "is not a time"},
        {"12.10.2005", "is not a time"},
        {"", "is not a time"},
        {"2005-10-12T14:06:42 ", "is not a time"},
    };
    for (const Case& c : cases) {
        TimeArg t;
        std::string error;
        const bool ok = ParseTime(c.text, kNow, t, error);
        const std::string got = !ok ? error : t.moment ? std::to_string(t.moment->seconds) : "local";
        EXPECT_TRUE(ok ? got == c.moment : got.find(c.moment) != std::string::npos)
            << c.text << " gave " << got;
        if (ok && c.hour >= 0) {
            EXPECT_EQ(t.wall.wHour, c.hour) << c.text;
        }
    }
}

TEST(TimeArgsTest, TimesAreWrittenWithTheOffsetOfTheirDayOrInUtc) {
    struct Case {
        const char* tz;
        int64_t seconds;
        const char* text;
    };
    const Case cases[] = {
        {"Asia/Tokyo", 1129093602, "2005-10-12T14:06:42+09:00"},
        {"America/New_York", 1636263000, "2021-11-07T01:30:00-04:00"}, // the first 01:30
        {"America/New_York", 1636266600, "2021-11-07T01:30:00-05:00"}, // the second
        {"Asia/Kolkata", 0, "1970-01-01T05:30:00+05:30"},
        {"UTC", -11644473600, "1601-01-01T00:00:00+00:00"},
        // Local mean time of Tokyo was +09:18:59: no ISO offset can say it.
        {"Asia/Tokyo", -2587712401, "1887-12-31T14:59:59Z"},
        {"UTC", 253402300800 * 4, ""},
    };
    for (const Case& c : cases) {
        const test::ScopedTimeZone tz(c.tz);
        EXPECT_EQ(FormatTime({c.seconds, 999999999}), c.text) << c.tz << " " << c.seconds;
    }
}
