#include "version/VersionText.h"

#include <gtest/gtest.h>

TEST(NewerVersionText, ComparesThreeNumericFields) {
    for (const char* newer : {"1.3.1", "1.4", "2", "1.10.0", " 1.4", "01.3.1", "1.3.1.0", "1.3.1\r", "+2"}) {
        EXPECT_EQ(NewerVersionText(newer), newer) << newer; // shown exactly as written
    }
    for (const char* notNewer :
         {"1.3", "1.3.0", "1.3.0.9", "1.2.9", "0.9.9", "", "v2.0", "x", "1.-4", "-1"}) {
        EXPECT_EQ(NewerVersionText(notNewer), "") << notNewer;
    }
    // A field beyond 32 bits is the largest number, never a small one.
    EXPECT_EQ(NewerVersionText("4294967296.0"), "4294967296.0");
    EXPECT_EQ(NewerVersionText("1.4294967296"), "1.4294967296");
    EXPECT_EQ(NewerVersionText("-4294967298"), "");
}

namespace {

VersionOutcome Parse(const std::string& text) {
    return ParseVersionFile(text);
}

} // namespace

TEST(ParseVersionFile, TheSectionsLastVersionDecides) {
    EXPECT_EQ(Parse("[Datemark]\nVersion=1.4.0\nDate=2005/12/01\n").version, "1.4.0");
    EXPECT_EQ(Parse("[Datemark]\nVersion=1.4.0\nDate=2005/12/01\n").date, "2005/12/01");
    EXPECT_EQ(Parse("[Datemark]\nVersion=2.0\nVersion=1.2\n").version, "");  // the last one, not newer
    EXPECT_EQ(Parse("[Datemark]\nVersion=1.2\nVersion=2.0").version, "2.0"); // no final newline
    EXPECT_EQ(Parse("[Datemark]\nVersion=\n").version, "");
}

TEST(ParseVersionFile, KeysCountOnlyInTheSectionAtTheStartOfALine) {
    EXPECT_EQ(Parse("Version=2.0\n[Datemark]\n").version, "");
    EXPECT_EQ(Parse("[Datemark]\n[Other]\nVersion=2.0\n").version, "");
    EXPECT_EQ(Parse("[Datemark]\n[Other]\n[Datemark]\nVersion=2.0\n").version, "2.0"); // reopened
    EXPECT_EQ(Parse("[Datemark]\nversion=2.0\n").version, "");
    EXPECT_EQ(Parse("[Datemark]\n Version=2.0\n").version, "");
    EXPECT_EQ(Parse("[datemark]\nVersion=2.0\n").version, "");
    EXPECT_EQ(Parse("[Datemark] \nVersion=2.0\n").version, "");
    EXPECT_EQ(Parse("[Datemark]\n\n\nVersion=2.0\n").version, "2.0"); // empty lines change nothing
    EXPECT_EQ(Parse("[Datemark]\n;Version=1.0\nVersion=2.0\n").version, "2.0");
}

TEST(ParseVersionFile, CarriageReturnsStayInTheLine) {
    // The header ends in CR and so is no header: no upgrade.
    EXPECT_EQ(Parse("[Datemark]\r\nVersion=2.0\r\n").version, "");
    // Inside a section a value keeps its CR.
    const VersionOutcome o = Parse("[Datemark]\nVersion=2.0\r\nDate=today\r\n");
    EXPECT_EQ(o.version, "2.0\r");
    EXPECT_EQ(o.date, "today\r");
}

TEST(ParseVersionFile, TheTextEndsAtItsFirstNul) {
    EXPECT_EQ(Parse(std::string("[Datemark]\nVersion=1.2\n\0Version=9.9\n", 35)).version, "");
}

TEST(ParseVersionFile, ALineFeedInsideADoubleByteCharacterIsNoLineEnd) {
    // 0x81 0x0A is no valid character, but the rule still keeps the pair together, so the
    // "Version=" after it is not at the start of a line.
    EXPECT_EQ(Parse("[Datemark]\nDate=\x81\nVersion=2.0\n").version, "");
    EXPECT_EQ(Parse("[Datemark]\nDate=\x81\nVersion=2.0\n").date, "\x81\nVersion=2.0");
    // A lead byte at the very end stays a byte of the last line.
    EXPECT_EQ(Parse("[Datemark]\nVersion=2.0\nDate=\x95").date, "\x95");
}

TEST(NewerVersionMessage, DateFirstThenVersion) {
    EXPECT_EQ(NewerVersionMessage({"1.4.0", "2005/12/01"}),
              "[2005/12/01] にﾊﾞｰｼﾞｮﾝ [1.4.0] がﾘﾘｰｽされています。");
    EXPECT_EQ(NewerVersionMessage({"1.4.0", ""}), "ﾊﾞｰｼﾞｮﾝ [1.4.0] がﾘﾘｰｽされています。");
    EXPECT_EQ(NewerVersionMessage({" 1.4", ""}), "ﾊﾞｰｼﾞｮﾝ [ 1.4] がﾘﾘｰｽされています。");
    // The server's texts are code page 932.
    EXPECT_EQ(NewerVersionMessage({"1.4", "\x82\xCD\x82\xE9"}),
              "[はる] にﾊﾞｰｼﾞｮﾝ [1.4] がﾘﾘｰｽされています。");
    EXPECT_EQ(NewerVersionMessage({"1.4", "<b>soon</b>"}),
              "[<b>soon</b>] にﾊﾞｰｼﾞｮﾝ [1.4] がﾘﾘｰｽされています。");
}
