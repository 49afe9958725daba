#include "filelist/FileEntry.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

TEST(FileEntry, PathSplitsIntoFolderAndNameAndJoinsBack) {
    for (const auto& [path, folder, name] : std::vector<std::array<std::string, 3>>{
             {"/data/report.txt", "/data/", "report.txt"},
             {"/", "/", ""},
#ifdef _WIN32
             // A backslash separates, except as the second byte of a code page 932 character.
             {"C:\\data\\a\\b \x95\\.txt", "C:\\data\\a\\", "b \x95\\.txt"},
#else
             // A backslash, even after a code page 932 lead byte, is part of the name.
             {"/data/a\\b \x95\\.txt", "/data/", "a\\b \x95\\.txt"},
#endif
         }) {
        FileEntry e;
        e.SetPath(path);
        EXPECT_EQ(e.GetFolder(), folder) << path;
        EXPECT_EQ(e.GetName(), name) << path;
        EXPECT_EQ(e.GetPath(), path);
    }
}

TEST(FileEntry, SizeTextCountsEveryStartedKilobyteBeyond32Bits) {
    const std::vector<int64_t> bytes = {
        0, 1, 1024, 1025, 1024 * 999, 1024 * 1000, int64_t{5} << 30, int64_t{1} << 50};
    const std::vector<std::string> texts = {"0 KB",   "1 KB",     "1 KB",         "2 KB",
                                            "999 KB", "1,000 KB", "5,242,880 KB", "1,099,511,627,776 KB"};
    for (size_t i = 0; i < bytes.size(); ++i) {
        FileEntry e;
        e.SetSize(bytes[i]);
        EXPECT_EQ(e.GetSizeText(), texts[i]) << bytes[i];
    }
}
