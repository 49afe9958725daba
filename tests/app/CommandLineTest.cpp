#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

using Paths = std::vector<std::string>;

Paths PathsOf(const Paths& args) {
    const CommandLine line = ParseCommandLine(args, "/home/u");
    EXPECT_EQ(line.action, CommandLine::Action::Run) << line.error;
    return line.paths;
}

} // namespace

TEST(CommandLine, PathsBecomeFullPathsInTheOrderGiven) {
    EXPECT_EQ(PathsOf({}), Paths{});
    EXPECT_EQ(PathsOf({"/a/b.txt", "c d.txt", "./e", "sub/", ".", "/"}),
              (Paths{"/a/b.txt", "/home/u/c d.txt", "/home/u/e", "/home/u/sub", "/home/u", "/"}));
    // What a file manager hands over as URLs: the escapes give the name's bytes back.
    EXPECT_EQ(PathsOf({"file:///tmp/a%20b/%E6%97%A5%FF.txt", "file://localhost/x"}),
              (Paths{"/tmp/a b/\xE6\x97\xA5\xFF.txt", "/x"}));
    // After "--" a name may start with "-".
    EXPECT_EQ(PathsOf({"--", "-x", "--help"}), (Paths{"/home/u/-x", "/home/u/--help"}));
}

TEST(CommandLine, QuestionsAndMistakes) {
    EXPECT_EQ(ParseCommandLine({"a", "--help"}, "/").action, CommandLine::Action::ShowHelp);
    EXPECT_EQ(ParseCommandLine({"--version"}, "/").action, CommandLine::Action::ShowVersion);
    const std::pair<Paths, std::string> bad[] = {
        {{"a", "-x"}, "unknown option: -x"},
        {{"http://example.org/a"}, "not a local file: http://example.org/a"},
        {{"file://host/a"}, "not a local file: file://host/a"},
        {{""}, "an empty path"},
    };
    for (const auto& [args, error] : bad) {
        const CommandLine line = ParseCommandLine(args, "/");
        EXPECT_EQ(line.action, CommandLine::Action::Fail) << error;
        EXPECT_EQ(line.error, error);
        EXPECT_TRUE(line.paths.empty());
    }
}
