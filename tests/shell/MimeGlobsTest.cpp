#include "shell/MimeGlobs.h"

#include <gtest/gtest.h>

TEST(MimeGlobsTest, LiteralsThenWeightThenTheLongestPattern) {
    const std::string home = "# more important\n"
                             "50:text/x-home:*.gz\n"
                             "50:application/x-dropped:__NOGLOBS__\n";
    const std::string system = "# weight:type:glob[:flags]\n"
                               "50:application/gzip:*.gz\n"
                               "50:application/x-compressed-tar:*.tar.gz\n"
                               "10:text/x-low:*.tar.gz\n"
                               "50:text/x-makefile:makefile\n"
                               "50:text/x-makefile:Makefile\n"
                               "50:text/x-nroff:*.[1-9]\n"
                               "60:text/x-cmake:CMakeLists.txt\n"
                               "50:text/x-c++src:*.C:cs\n"
                               "50:text/x-csrc:*.c\n"
                               "50:text/x-readme:readme*\n"
                               "50:application/x-dropped:*.drop\n"
                               "80:application/x-heavy:*.h??vy\n"
                               "50:application/x-light:*.heavy\n"
                               "broken line\n"
                               "x:text/x-bad-weight:*.bad\n";
    const MimeGlobs globs({home, system});
    const struct {
        const char* name;
        const char* type;
    } cases[] = {
        {"backup.2024.TAR.GZ", "application/x-compressed-tar"}, // longest pattern, any case
        {"a.gz", "text/x-home"},                                // the same weight: the first read
        {"MAKEFILE", "text/x-makefile"},
        {"CMakeLists.txt", "text/x-cmake"}, // a literal before "*.txt"-like patterns
        {"page.3", "text/x-nroff"},
        {"main.C", "text/x-c++src"},
        {"main.c", "text/x-csrc"},
        {"README.md", "text/x-readme"},
        {"x.heavy", "application/x-heavy"}, // the weight before the length
        {"x.drop", "application/octet-stream"},
        {"x.bad", "application/octet-stream"},
        {"noextension", "application/octet-stream"},
        {".gz", "text/x-home"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(globs.TypeOf(c.name), c.type) << c.name;
    }
}

TEST(MimeGlobsTest, ParseGlobLineReadsFlagsAndPatternsWithColons) {
    const auto line = ParseGlobLine("50:text/x-c++src:*.C:cs\r");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->pattern, "*.C");
    EXPECT_TRUE(line->caseSensitive);
    const auto colon = ParseGlobLine("50:text/x-patch:a:b:*.Patch");
    ASSERT_TRUE(colon);
    EXPECT_EQ(colon->pattern, "a:b:*.Patch");
    EXPECT_FALSE(colon->caseSensitive);
    EXPECT_FALSE(ParseGlobLine("#50:text/plain:*.txt"));
    EXPECT_FALSE(ParseGlobLine("50:text/plain"));
}
