#include "version/VersionText.h"

#include <gtest/gtest.h>

#include <string>

TEST(NewerVersionText, ComparesThreeNumericFieldsAndShowsTheTextAsWritten) {
    // A field beyond 32 bits is the largest number, never a small one.
    for (const char* newer : {"1.3.1", "1.4", "2", "1.10.0", " 1.4", "01.3.1", "1.3.1.0", "1.3.1\r", "+2",
                              "4294967296.0", "1.4294967296"}) {
        EXPECT_EQ(NewerVersionText(newer), newer) << newer;
    }
    for (const char* notNewer :
         {"1.3", "1.3.0", "1.3.0.9", "1.2.9", "", "v2.0", "1.-4", "-1", "-4294967298"}) {
        EXPECT_EQ(NewerVersionText(notNewer), "") << notNewer;
    }
}

TEST(ParseVersionFile, TheLastVersionKeyAtALineStartInTheSectionDecides) {
    const std::pair<std::string, std::string> cases[] = {
        {"[Datemark]\nVersion=2.0\nVersion=1.2\n", ""}, // the last one, though not newer
        {"[Datemark]\nVersion=1.2\nVersion=2.0", "2.0"},
        {"Version=2.0\n[Datemark]\n", ""},
        {"[Datemark]\n[Other]\nVersion=2.0\n", ""},
        {"[Datemark]\n[Other]\n[Datemark]\nVersion=2.0\n", "2.0"}, // reopened
        {"[Datemark]\nversion=2.0\n", ""},
        {"[Datemark]\n Version=2.0\n", ""},
        {"[datemark]\nVersion=2.0\n", ""},
        {"[Datemark] \nVersion=2.0\n", ""},
        {"[Datemark]\r\nVersion=2.0\r\n", "2.0"},                          // CR LF ends a line as LF does
        {"[Datemark]\r\r\nVersion=2.0\n", ""},                             // only one CR goes with the LF
        {"[Datemark]\n\n;Version=1.0\nVersion=2.0\r", "2.0\r"},            // no LF: the CR stays
        {std::string("[Datemark]\nVersion=1.2\n\0Version=9.9\n", 35), ""}, // the text ends at a NUL
        // 0x81 0x0A is no valid character, but the pair stays together: no line start after it.
        {"[Datemark]\nDate=\x81\nVersion=2.0\n", ""}};
    for (const auto& [file, version] : cases) {
        EXPECT_EQ(ParseVersionFile(file).version, version) << file;
    }
    EXPECT_EQ(ParseVersionFile("[Datemark]\nVersion=2.0\nDate=\x81\nx\r\n").date, "\x81\nx");
    EXPECT_EQ(ParseVersionFile("[Datemark]\nVersion=2.0\nDate=\x95").date, "\x95");
}
