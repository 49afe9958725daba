#include "cli/AttributeArgs.h"
#include "cli/JsonText.h"
#include "cli/TimeArgs.h"

#include <gtest/gtest.h>

TEST(TimeArgsTest, DurationsAreExactSecondsWithTheirSign) {
    struct Case {
        const char* text;
        int64_t seconds; // 0: refused
    };
    const Case cases[] = {
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
    };
    for (const Case& c : cases) {
        int64_t seconds = 0;
        std::string error;
        const bool ok = ParseDuration(c.text, seconds, error);
        EXPECT_EQ(ok ? seconds : 0, c.seconds) << c.text;
        EXPECT_EQ(ok, error.empty()) << c.text;
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
