#include "filelist/FileFacts.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

void SetMtime(const std::string& path, int64_t seconds, long nanoseconds = 0) {
    const struct timespec t[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), t, 0), 0);
}

void SetDos(const std::string& path, const char* value) {
    ASSERT_EQ(::setxattr(path.c_str(), "user.DOSATTRIB", value, std::strlen(value), 0), 0);
}

FileEntry EntryFor(const std::string& path) {
    FileEntry e;
    e.SetPath(path);
    return e;
}

class FileFactsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::ScopedTimeZone tz{"Europe/Berlin"};
};

} // namespace

TEST(FileFactsFormat, ListTimeHasNoLeadingZeros) {
    EXPECT_EQ(FormatListTime(SYSTEMTIME{2005, 3, 1, 7, 9, 5, 3, 999}), "2005/3/7 9:5:3");
    EXPECT_EQ(FormatListTime(SYSTEMTIME{2024, 12, 2, 31, 23, 59, 59, 0}), "2024/12/31 23:59:59");
    EXPECT_EQ(FormatListTime(SYSTEMTIME{1601, 1, 1, 1, 0, 0, 0, 0}), "1601/1/1 0:0:0");
}

TEST(FileFactsFormat, SortTimeIsFixedWidthAndIgnoresMilliseconds) {
    EXPECT_EQ(FormatSortTime(SYSTEMTIME{2005, 3, 1, 7, 9, 5, 3, 999}), "2005/03/07 09:05:03");
    EXPECT_EQ(FormatSortTime(SYSTEMTIME{2005, 3, 1, 7, 9, 5, 3, 0}), "2005/03/07 09:05:03");
    EXPECT_LT(FormatSortTime(SYSTEMTIME{999, 12, 0, 31, 0, 0, 0, 0}),
              FormatSortTime(SYSTEMTIME{1601, 1, 0, 1, 0, 0, 0, 0}));
}

TEST(FileFactsFormat, AttributeLettersInFixedOrder) {
    EXPECT_EQ(AttributeLetters(0x1 | 0x2 | 0x20), "RHA");
    EXPECT_EQ(AttributeLetters(0x20), "A");
    EXPECT_EQ(AttributeLetters(0x2 | 0x20), "HA");
    EXPECT_EQ(AttributeLetters(0x4), "");  // system alone shows nothing
    EXPECT_EQ(AttributeLetters(0x80), ""); // normal
    EXPECT_EQ(AttributeLetters(0x10 | 0x1), "R");
}

TEST_F(FileFactsTest, AttributesTextAndFolderFlag) {
    const std::string file = dir / "a.txt";
    test::WriteFile(file, "x");
    SetDos(file, "0x22");
    ::chmod(file.c_str(), 0444);
    FileEntry e = EntryFor(file);
    std::string text = "stale";
    EXPECT_EQ(ReadAttributes(file, text, e), 1);
    EXPECT_EQ(text, "RHA");
    EXPECT_EQ(e.IsFolder(), 0);

    FileEntry folder = EntryFor(dir.Path());
    EXPECT_EQ(ReadAttributes(dir.Path(), text, folder), 1);
    EXPECT_EQ(text, "");
    EXPECT_EQ(folder.IsFolder(), 1);

    const std::string gone = dir / "gone";
    FileEntry missing = EntryFor(gone);
    text = "stale";
    EXPECT_EQ(ReadAttributes(gone, text, missing), 0);
    EXPECT_EQ(text, "");
    EXPECT_EQ(missing.IsFolder(), 0);
}

TEST_F(FileFactsTest, SizeOfFilesAndFolders) {
    const std::string file = dir / "big.bin";
    const int fd = ::open(file.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, int64_t{5} << 30), 0); // sparse: 5 GiB of nothing
    ::close(fd);
    FileEntry e = EntryFor(file);
    std::string text;
    EXPECT_EQ(ReadSize(file, text, e), 1);
    EXPECT_EQ(text, "5,242,880 KB");
    EXPECT_EQ(e.GetSize(), int64_t{5} << 30);

    FileEntry folder = EntryFor(dir.Path());
    folder.SetFolder(1);
    text = "stale";
    EXPECT_EQ(ReadSize(dir.Path(), text, folder), 1);
    EXPECT_EQ(text, "");

    const std::string gone = dir / "gone";
    FileEntry missing = EntryFor(gone);
    missing.SetSize(77);
    EXPECT_EQ(ReadSize(gone, text, missing), 0);
    EXPECT_EQ(text, "");
    EXPECT_EQ(missing.GetSize(), 77);
}

TEST_F(FileFactsTest, TimesShowInLocalTimeAtTheirOwnDate) {
    const std::string file = dir / "t.txt";
    test::WriteFile(file, "");
    // 2005-03-07 09:05:03 in Berlin is 08:05:03 UTC (winter time).
    SetMtime(file, 1110182703, 500000000);
    FileEntry e = EntryFor(file);
    TimeTexts texts;
    EXPECT_EQ(ReadTimes(file, texts, e), 1);
    EXPECT_EQ(texts.updated, "2005/3/7 9:5:3");
    ASSERT_NE(e.GetUpdated(), nullptr);
    EXPECT_EQ(e.GetUpdated()->wMilliseconds, 500);
    // Summer time applies to a summer date even in winter.
    SetMtime(file, 1120212000); // 2005-07-01 10:00 UTC
    EXPECT_EQ(ReadTimes(file, texts, e), 1);
    EXPECT_EQ(texts.updated, "2005/7/1 12:0:0");
    // Where the file system keeps a creation time it shows too.
    if (e.GetCreated() != nullptr) {
        EXPECT_FALSE(texts.created.empty());
    } else {
        EXPECT_TRUE(texts.created.empty());
    }
}

TEST_F(FileFactsTest, TimesOfAMissingPathAreCleared) {
    const std::string file = dir / "t.txt";
    test::WriteFile(file, "");
    FileEntry e = EntryFor(file);
    TimeTexts texts;
    ASSERT_EQ(ReadTimes(file, texts, e), 1);
    ASSERT_NE(e.GetUpdated(), nullptr);
    ::unlink(file.c_str());
    EXPECT_EQ(ReadTimes(file, texts, e), 0);
    EXPECT_EQ(texts.created, "");
    EXPECT_EQ(texts.updated, "");
    EXPECT_EQ(e.GetCreated(), nullptr);
    EXPECT_EQ(e.GetUpdated(), nullptr);
}

TEST_F(FileFactsTest, RowFactsOnInsertSetTheFolderFlagAndRefreshDoesNot) {
    const std::string sub = dir / "sub";
    test::MakeFolder(sub);
    FileEntry folder = EntryFor(sub);
    RowFacts texts;
    ReadRowFacts(folder, FactsRead::Insert, texts);
    EXPECT_EQ(folder.IsFolder(), 1);
    EXPECT_EQ(texts.size, "");
    EXPECT_FALSE(texts.updated.empty());

    // The folder becomes a file: a refresh keeps treating the row as a folder.
    ::rmdir(sub.c_str());
    test::WriteFile(sub, std::string(3000, 'x'));
    ReadRowFacts(folder, FactsRead::Refresh, texts);
    EXPECT_EQ(folder.IsFolder(), 1);
    EXPECT_EQ(texts.size, "");

    FileEntry file = EntryFor(sub);
    ReadRowFacts(file, FactsRead::Refresh, texts);
    EXPECT_EQ(file.IsFolder(), 0);
    EXPECT_EQ(texts.size, "3 KB");
    EXPECT_EQ(file.GetAttrText(), texts.attributes);
}

TEST_F(FileFactsTest, RowFactsOfAVanishedPathEmptyTheColumnsButKeepTheSize) {
    const std::string file = dir / "f";
    test::WriteFile(file, std::string(2048, 'x'));
    SetDos(file, "0x20");
    FileEntry e = EntryFor(file);
    RowFacts texts;
    ReadRowFacts(e, FactsRead::Insert, texts);
    EXPECT_EQ(texts.attributes, "A");
    EXPECT_EQ(texts.size, "2 KB");
    ::unlink(file.c_str());
    ReadRowFacts(e, FactsRead::Refresh, texts);
    EXPECT_EQ(texts.attributes, "");
    EXPECT_EQ(texts.size, "");
    EXPECT_EQ(texts.created, "");
    EXPECT_EQ(texts.updated, "");
    EXPECT_EQ(e.GetAttrText(), "");
    EXPECT_EQ(e.GetUpdated(), nullptr);
    EXPECT_EQ(e.GetSize(), 2048);
}
