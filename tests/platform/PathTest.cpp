#include "platform/Path.h"

#include <gtest/gtest.h>

using platform::PathStyle;

namespace {

void ExpectSplit(std::string_view path, PathStyle style, std::string_view folder, std::string_view name) {
    const auto split = platform::SplitPath(path, style);
    EXPECT_EQ(split.folder, folder) << path;
    EXPECT_EQ(split.name, name) << path;
    EXPECT_EQ(split.folder + split.name, path);
}

} // namespace

TEST(SplitPath, PosixSeparatesOnSlashOnly) {
    ExpectSplit("/data/report.txt", PathStyle::Posix, "/data/", "report.txt");
    ExpectSplit("/", PathStyle::Posix, "/", "");
    ExpectSplit("/data/old/", PathStyle::Posix, "/data/old/", "");
    ExpectSplit("name", PathStyle::Posix, "", "name");
    ExpectSplit("", PathStyle::Posix, "", "");
    ExpectSplit("/a//b", PathStyle::Posix, "/a//", "b");
    // A backslash and a drive-like prefix are ordinary characters of a name.
    ExpectSplit("/tmp/C:\\data\\x.txt", PathStyle::Posix, "/tmp/", "C:\\data\\x.txt");
}

TEST(SplitPath, WindowsKnowsDrivesBothSeparatorsAndShares) {
    ExpectSplit("C:\\data\\report.txt", PathStyle::Windows, "C:\\data\\", "report.txt");
    ExpectSplit("C:\\", PathStyle::Windows, "C:\\", "");
    ExpectSplit("C:name.txt", PathStyle::Windows, "C:", "name.txt");
    ExpectSplit("C:/data\\mixed/x", PathStyle::Windows, "C:/data\\mixed/", "x");
    ExpectSplit("\\\\server\\share\\dir\\tool.exe", PathStyle::Windows, "\\\\server\\share\\dir\\",
                "tool.exe");
}

TEST(SplitPath, WindowsNeverSplitsInsideADoubleByteCharacter) {
    // 表 is 0x95 0x5C and ソ is 0x83 0x5C in code page 932: their trail byte is a backslash.
    ExpectSplit("C:\\dir\\\x95\x5C.txt", PathStyle::Windows, "C:\\dir\\", "\x95\x5C.txt");
    ExpectSplit("C:\\\x83\x5C\x83\x5C\\a.txt", PathStyle::Windows, "C:\\\x83\x5C\x83\x5C\\", "a.txt");
    ExpectSplit("C:\\\x95\x5C", PathStyle::Windows, "C:\\", "\x95\x5C");
    // A lead byte with nothing after it stays a byte of the name; one before a byte that is no
    // trail byte does not swallow it.
    ExpectSplit("C:\\a\\\x95", PathStyle::Windows, "C:\\a\\", "\x95");
    ExpectSplit("C:\\a\x95/b", PathStyle::Windows, "C:\\a\x95/", "b");
}

TEST(JoinPath, AddsOneSeparatorOnlyWhereNeeded) {
    EXPECT_EQ(platform::JoinPath("/data", "x", PathStyle::Posix), "/data/x");
    EXPECT_EQ(platform::JoinPath("/", "x", PathStyle::Posix), "/x");
    EXPECT_EQ(platform::JoinPath("", "x", PathStyle::Posix), "x");
    EXPECT_EQ(platform::JoinPath("/data\\", "x", PathStyle::Posix), "/data\\/x");
    EXPECT_EQ(platform::JoinPath("C:\\data", "x", PathStyle::Windows), "C:\\data\\x");
    EXPECT_EQ(platform::JoinPath("C:", "x", PathStyle::Windows), "C:x");
    EXPECT_EQ(platform::JoinPath("C:\\\x95\x5C", "x", PathStyle::Windows), "C:\\\x95\x5C\\x");
}

TEST(FullPath, TakesRelativePathsFromTheCurrentFolderAndLeavesWholeOnesAlone) {
    struct Case {
        const char* path;
        PathStyle style;
        const char* full;
    };
    const Case cases[] = {
        {"/etc/x", PathStyle::Posix, "/etc/x"},
        {"x/y", PathStyle::Posix, "/home/u/x/y"},
        {"./x", PathStyle::Posix, "/home/u/x"},
        {".//./x", PathStyle::Posix, "/home/u/x"},
        {".", PathStyle::Posix, "/home/u"},
        {"./", PathStyle::Posix, "/home/u"},
        {"", PathStyle::Posix, "/home/u"},
        {"../x", PathStyle::Posix, "/home/u/../x"}, // a link's ".." is not the folder above
        {".hidden", PathStyle::Posix, "/home/u/.hidden"},
        {"..x", PathStyle::Posix, "/home/u/..x"},
        {"a\\b", PathStyle::Posix, "/home/u/a\\b"},
        {"C:\\data\\x", PathStyle::Windows, "C:\\data\\x"},
        {"\\\\server\\share\\x", PathStyle::Windows, "\\\\server\\share\\x"},
        {"\\data\\x", PathStyle::Windows, "D:\\data\\x"},
        {"x\\y", PathStyle::Windows, "D:\\work\\x\\y"},
        {".\\x", PathStyle::Windows, "D:\\work\\x"},
        {"./x", PathStyle::Windows, "D:\\work\\x"},
    };
    for (const Case& c : cases) {
        const char* current = c.style == PathStyle::Posix ? "/home/u" : "D:\\work";
        EXPECT_EQ(platform::FullPath(c.path, current, c.style), c.full) << c.path;
    }
}
