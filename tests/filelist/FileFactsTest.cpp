#include "filelist/FileFacts.h"

#include "support/LoopMount.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

FileEntry EntryFor(const std::string& path) {
    FileEntry e;
    e.SetPath(path);
    return e;
}

class FileFactsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::ScopedTimeZone tz{"Europe/Berlin"};
    std::string file = dir / "f.txt";
};

} // namespace

TEST(FileFactsFormat, SortTimeIsFixedWidthAndAttributeLettersAreROrHOrA) {
    EXPECT_EQ(FormatListTime(SYSTEMTIME{2024, 12, 2, 31, 23, 59, 59, 0}), "2024/12/31 23:59:59");
    EXPECT_EQ(FormatSortTime(SYSTEMTIME{2005, 3, 1, 7, 9, 5, 3, 999}), "2005/03/07 09:05:03");
    EXPECT_LT(FormatSortTime(SYSTEMTIME{999, 12, 0, 31, 0, 0, 0, 0}),
              FormatSortTime(SYSTEMTIME{1601, 1, 0, 1, 0, 0, 0, 0}));
    // Only R, H and A show, in this order.
    EXPECT_EQ(AttributeLetters(0x20 | 0x2 | 0x1), "RHA");
    EXPECT_EQ(AttributeLetters(0x2 | 0x20), "HA");
    EXPECT_EQ(AttributeLetters(0x4 | 0x80), ""); // system and normal show nothing
    EXPECT_EQ(AttributeLetters(0x10 | 0x1), "R");
}

TEST_F(FileFactsTest, SizeBeyond32BitsAndTimesInLocalTimeAtTheirOwnDate) {
    test::WriteFile(file, "");
    std::filesystem::resize_file(file, uintmax_t{5} << 30); // sparse: 5 GiB of nothing
    // 2005-07-01 10:00 UTC: summer time applies to a summer date, whatever the date today.
    test::SetMtime(file, 1120212000, 500000000);
    FileEntry e = EntryFor(file);
    EXPECT_TRUE(ReadRowFacts(e, FactsRead::Insert));
    EXPECT_EQ(e.GetSize(), int64_t{5} << 30);
    ASSERT_NE(e.GetUpdated(), nullptr);
    EXPECT_EQ(FormatListTime(*e.GetUpdated()), "2005/7/1 12:0:0");
    EXPECT_EQ(e.GetUpdated()->wMilliseconds, 500);
    EXPECT_FALSE(e.IsLink());
    // A link shows what it points to, and is known to be a link.
    ::symlink(file.c_str(), (file + ".link").c_str());
    FileEntry link = EntryFor(file + ".link");
    EXPECT_TRUE(ReadRowFacts(link, FactsRead::Insert));
    EXPECT_TRUE(link.IsLink());
    EXPECT_EQ(link.GetSize(), int64_t{5} << 30);
}

TEST_F(FileFactsTest, InsertSetsTheFolderFlagRefreshKeepsItAndAVanishedPathKeepsOnlyItsSize) {
    test::MakeFolder(file);
    FileEntry folder = EntryFor(file);
    EXPECT_FALSE(ReadRowFacts(folder, FactsRead::Insert)); // a folder shows no size
    EXPECT_EQ(folder.IsFolder(), 1);
    EXPECT_NE(folder.GetUpdated(), nullptr);
    // The folder becomes a file: a refresh keeps treating the row as a folder.
    ::rmdir(file.c_str());
    test::WriteFile(file, std::string(2048, 'x'));
    ASSERT_EQ(::setxattr(file.c_str(), "user.DOSATTRIB", "0x22", 4, 0), 0);
    ::chmod(file.c_str(), 0444);
    EXPECT_FALSE(ReadRowFacts(folder, FactsRead::Refresh));
    EXPECT_EQ(folder.IsFolder(), 1);
    FileEntry e = EntryFor(file);
    EXPECT_TRUE(ReadRowFacts(e, FactsRead::Refresh));
    EXPECT_EQ(e.IsFolder(), 0);
    EXPECT_EQ(e.GetAttrText(), "RHA");
    ::unlink(file.c_str());
    EXPECT_FALSE(ReadRowFacts(e, FactsRead::Refresh));
    EXPECT_EQ(e.GetAttrText(), "");
    EXPECT_EQ(e.GetUpdated(), nullptr);
    EXPECT_EQ(e.GetCreated(), nullptr);
    EXPECT_EQ(e.GetSize(), 2048);
}

TEST(FileFactsAsOwner, LockedItemsShowTheirKindDatesAndSizeAndTheOwnerSeesTheirAttributes) {
    const test::ScopedTimeZone tz("Europe/Berlin");
    const auto asRoot = [](const std::string& disk) {
        test::WriteFile(disk + "/others", "xyz"); // root's, mode 0600: stat only
        ::chmod((disk + "/others").c_str(), 0600);
    };
    test::OnOwnDisk(
        [](const std::string& disk) {
            const std::string file = disk + "/file";
            ::mkdir((disk + "/locked").c_str(), 0);
            test::WriteFile(file, "12345");
            ::setxattr(file.c_str(), "user.DOSATTRIB", "0x22", 4, 0);
            ::chmod(file.c_str(), 0);
            FileEntry folder = EntryFor(disk + "/locked");
            FileEntry mine = EntryFor(file);
            FileEntry theirs = EntryFor(disk + "/others");
            const bool folderOk = !ReadRowFacts(folder, FactsRead::Insert) && folder.IsFolder() == 1 &&
                                  folder.GetUpdated() != nullptr && folder.GetAttrText().empty();
            const bool mineOk = ReadRowFacts(mine, FactsRead::Insert) && mine.GetAttrText() == "RHA" &&
                                mine.GetSize() == 5 && (test::StatOf(file).st_mode & 07777) == 0;
            const bool theirsOk = ReadRowFacts(theirs, FactsRead::Insert) && theirs.GetAttrText().empty() &&
                                  theirs.GetSize() == 3 && theirs.GetUpdated() != nullptr;
            return test::Check(folderOk, "locked folder") + test::Check(mineOk, "own file") +
                   test::Check(theirsOk, "root's file");
        },
        {}, asRoot);
}
