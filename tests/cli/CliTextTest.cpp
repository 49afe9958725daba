#include "cli/AttributeArgs.h"
#include "cli/JsonText.h"
#include "cli/TimeArgs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

constexpr platform::UtcTime kNow{1700000000, 123};

std::string MomentText(const TimeArg& t) {
    return t.moment ? std::to_string(t.moment->seconds) : "local";
}

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
        const std::string got = ok ? MomentText(t) : error;
        EXPECT_TRUE(ok ? got == c.moment : got.find(c.moment) != std::string::npos)
            << c.text << " gave " << got;
        if (ok && c.hour >= 0) {
            EXPECT_EQ(t.wall.wHour, c.hour) << c.text;
        }
    }
}

TEST(TimeArgsTest, DurationsAreExactSecondsWithTheirSign) {
    struct Case {
        const char* text;
        int64_t seconds; // 0: refused
    };
    const Case cases[] = {
        {"+1h", 3600},
        {"-2d3h", -(2 * 86400 + 3 * 3600)},
        {"+1w2d", 9 * 86400},
        {"+90s", 90},
        {"+1h30m", 5400},
        {"+00:30:00", 1800},
        {"-1:30", -5400},
        {"+123:00", 123 * 3600},
        {"1h", 0},
        {"+", 0},
        {"+1x", 0},
        {"+3h2d", 0},
        {"+1h1h", 0},
        {"+00:60", 0},
        {"+1:2", 0},
        {"+99999999999d", 0},
        {"+1h 30m", 0},
        {"-", 0},
    };
    for (const Case& c : cases) {
        int64_t seconds = 0;
        std::string error;
        const bool ok = ParseDuration(c.text, seconds, error);
        EXPECT_EQ(ok ? seconds : 0, c.seconds) << c.text;
        EXPECT_EQ(ok, error.empty()) << c.text;
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

TEST(AttributeArgsTest, ListsSetClearOrReplace) {
    using platform::attr::Archive;
    using platform::attr::Hidden;
    using platform::attr::ReadOnly;
    using platform::attr::Settable;
    struct Case {
        const char* text;
        uint32_t set, clear;
        const char* error = nullptr; // words of the refusal
    };
    const Case cases[] = {
        {"+r -h +a", ReadOnly | Archive, Hidden},
        {"+r-h", ReadOnly, Hidden},
        {"+R,-H", ReadOnly, Hidden},
        {"-rha", 0, ReadOnly | Hidden | Archive},
        {"=ra", ReadOnly | Archive, Settable & ~(ReadOnly | Archive)},
        {"=", 0, Settable},
        {"+r -r", 0, 0, "both set and cleared"},
        {"=r +h", 0, 0, "takes no + or -"},
        {"+x", 0, 0, "not an attribute list"},
        {"r", 0, 0, "not an attribute list"},
        {"+", 0, 0, "empty"},
        {"", 0, 0, "empty"},
    };
    for (const Case& c : cases) {
        ApplyRequest::AttributeChange change;
        std::string error;
        const bool ok = ParseAttributeList(c.text, change, error);
        if (c.error != nullptr) {
            EXPECT_FALSE(ok) << c.text;
            EXPECT_NE(error.find(c.error), std::string::npos) << c.text << ": " << error;
        } else {
            EXPECT_TRUE(ok) << c.text << ": " << error;
            EXPECT_EQ(change.set, c.set) << c.text;
            EXPECT_EQ(change.clear, c.clear) << c.text;
        }
    }
}

TEST(JsonTextTest, AnyBytesGiveAValidJsonString) {
    struct Case {
        std::string_view bytes;
        const char* json;
    };
    const Case cases[] = {
        {"plain/名前.txt", "\"plain/名前.txt\""},
        {"q\"b\\", "\"q\\\"b\\\\\""},
        {std::string_view("\n\x01\x1f\x7f", 4), "\"\\u000a\\u0001\\u001f\x7f\""},
        {"\xff\xc3(\xed\xa0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD(\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"\xe2\x80\xa8\xe2\x80\xa9", "\"\\u2028\\u2029\""},
    };
    for (const Case& c : cases) {
        std::string out;
        AppendJsonString(out, c.bytes);
        EXPECT_EQ(out, c.json);
    }
    EXPECT_EQ(Base64(""), "");
    EXPECT_EQ(Base64("f"), "Zg==");
    EXPECT_EQ(Base64("fo"), "Zm8=");
    EXPECT_EQ(Base64("foo\xff"), "Zm9v/w==");
}
