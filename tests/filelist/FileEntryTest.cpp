#include "filelist/FileEntry.h"

#include <gtest/gtest.h>

TEST(FileEntry, PathSplitsIntoFolderAndNameAndJoinsBack) {
    FileEntry e;
    e.SetPath("/data/report.txt");
    EXPECT_EQ(e.GetFolder(), "/data/");
    EXPECT_EQ(e.GetName(), "report.txt");
    EXPECT_EQ(e.GetPath(), "/data/report.txt");
    e.SetPath("/data/old");
    EXPECT_EQ(e.GetFolder(), "/data/");
    EXPECT_EQ(e.GetName(), "old");
    e.SetPath("/");
    EXPECT_EQ(e.GetFolder(), "/");
    EXPECT_EQ(e.GetName(), "");
    EXPECT_EQ(e.GetPath(), "/");
    // On Linux a backslash, even after a code page 932 lead byte, is part of the name.
    e.SetPath("/data/a\\b \xe8\xa1\xa8.txt");
    EXPECT_EQ(e.GetName(), "a\\b \xe8\xa1\xa8.txt");
}

TEST(FileEntry, StartsEmptyAsAFileWithoutTimes) {
    const FileEntry e;
    EXPECT_EQ(e.IsFolder(), 0);
    EXPECT_EQ(e.GetCreated(), nullptr);
    EXPECT_EQ(e.GetUpdated(), nullptr);
    EXPECT_EQ(e.GetSize(), 0);
    EXPECT_EQ(e.GetPath(), "");
}

TEST(FileEntry, TimesAreCopiesAndNullClearsThem) {
    FileEntry e;
    SYSTEMTIME t{2005, 3, 1, 7, 9, 5, 3, 250};
    e.SetCreated(&t);
    ASSERT_NE(e.GetCreated(), nullptr);
    EXPECT_EQ(e.GetCreated()->wMilliseconds, 250);
    t.wYear = 1999; // a copy is held, not the caller's record
    EXPECT_EQ(e.GetCreated()->wYear, 2005);
    e.SetCreated(nullptr);
    EXPECT_EQ(e.GetCreated(), nullptr);
    e.SetUpdated(&t);
    e.SetUpdated(nullptr);
    EXPECT_EQ(e.GetUpdated(), nullptr);
}

TEST(FileEntry, SizeTextCountsEveryStartedKilobyte) {
    const std::pair<int64_t, const char*> cases[] = {
        {0, "0 KB"},
        {1, "1 KB"},
        {1023, "1 KB"},
        {1024, "1 KB"},
        {1025, "2 KB"},
        {1024 * 999, "999 KB"},
        {1024 * 1000, "1,000 KB"},
        {1048576, "1,024 KB"},
        {1073741823, "1,048,576 KB"},
        {int64_t{2147483647}, "2,097,152 KB"},
        {int64_t{5} << 30, "5,242,880 KB"}, // 5 GiB: kept whole, not its low 32 bits
        {int64_t{1} << 50, "1,099,511,627,776 KB"},
    };
    for (const auto& [bytes, text] : cases) {
        FileEntry e;
        e.SetSize(bytes);
        EXPECT_EQ(e.GetSizeText(), text) << bytes;
    }
}

TEST(FileEntry, SortKeysFollowTheTexts) {
    FileEntry a;
    FileEntry b;
    a.SetPath("/x/Zebra");
    b.SetPath("/x/apple");
    EXPECT_LT(a.NameKey(), b.NameKey()); // code order: upper case first
    a.SetTypeName("テキスト");
    b.SetTypeName("ﾃｷｽﾄ");
    EXPECT_LT(b.TypeKey(), a.TypeKey()); // single-byte katakana before double-byte
    a.SetPath("/b/x");
    b.SetPath("/a/x");
    EXPECT_LT(b.FolderKey(), a.FolderKey());
}
