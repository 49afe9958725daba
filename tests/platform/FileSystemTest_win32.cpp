// What only Windows keeps: creation times, archive, read-only folders, \\?\ paths beyond MAX_PATH
// and names in code page 932. Wine keeps some of them otherwise; those skip there and run on
// Windows.
#include "platform/Error.h"
#include "platform/FileIO.h"
#include "platform/FileSystem.h"
#include "platform/ItemTestSupport.h"
#include "platform/TreeWalk.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using platform::ItemRef;
namespace attr = platform::attr;

namespace {

void Create(const std::string& path) {
    ASSERT_FALSE(platform::UpdateFile(path, 100, platform::CreateFolders::Yes,
                                      [](const std::optional<std::string>&) { return std::string("x"); }))
        << path;
}

class WindowsItemTest : public ::testing::Test {
protected:
    void SetUp() override { test::WriteFile(file, "hello"); }

    test::TempDir dir;
    std::string file = dir / "file.txt";
};

TEST_F(WindowsItemTest, TimesBefore1601AreRefusedAndNothingIsWritten) {
    const platform::UtcTime kept{1000000000, 0};
    ASSERT_FALSE(platform::SetFileTimes(test::OpenItem(file), nullptr, &kept));
    const platform::UtcTime early{-11644473601, 0}; // one second before 1601
    EXPECT_EQ(platform::SetFileTimes(test::OpenItem(file), nullptr, &early), platform::Errc::time_not_stored);
    EXPECT_EQ(platform::SetFileTimes(test::OpenItem(file), &early, &kept), platform::Errc::time_not_stored);
    EXPECT_EQ(test::Query(file).updated, kept);
}

TEST_F(WindowsItemTest, PathsBeyondMaxPathAndCodePage932NamesWork) {
    // 表 is 0x95 0x5C: its trail byte is a backslash, which must stay part of the name.
    const std::string name = "\x95\x5C.txt";
    std::string deep = dir.Path();
    while (deep.size() < 300) {
        deep += "\\" + std::string(40, 'd');
    }
    const std::string path = deep + "\\" + name;
    Create(path);
    const platform::UtcTime t{1500000000, 0};
    ASSERT_FALSE(platform::SetFileTimes(test::OpenItem(path), nullptr, &t));
    EXPECT_EQ(test::Query(path).updated, t);
    std::vector<std::string> names;
    ASSERT_FALSE(platform::ListFolder(deep, names));
    EXPECT_EQ(names, std::vector<std::string>{name});

    const platform::Item root = test::OpenItem(dir.Path());
    platform::TreeWalk walk(root, dir.Path());
    bool found = false;
    for (auto step = walk.Next(); step != platform::TreeWalk::Step::End; step = walk.Next()) {
        EXPECT_EQ(step, platform::TreeWalk::Step::Item) << walk.Path();
        found = found || walk.Path() == path;
    }
    EXPECT_TRUE(found);
    EXPECT_FALSE(platform::RemoveFile(path));
}

TEST_F(WindowsItemTest, CreationTimeIsWrittenAndReadBack) {
    SKIP_UNDER_WINE("keeps no creation times: it shows the last-write time");
    const platform::UtcTime created{946684800, 0};
    const platform::UtcTime updated{1128000000, 500};
    ASSERT_FALSE(platform::SetFileTimes(test::OpenItem(file), &created, &updated));
    EXPECT_EQ(test::Query(file).created, created);
    EXPECT_EQ(test::Query(file).updated, updated);
    std::optional<platform::UtcTime> readCreated;
    platform::UtcTime readUpdated;
    ASSERT_FALSE(platform::GetFileTimes(test::OpenItem(file), readCreated, readUpdated));
    EXPECT_EQ(readCreated, created);
}

TEST_F(WindowsItemTest, ArchiveIsClearedAndNormalClearsEverything) {
    SKIP_UNDER_WINE("shows archive on every file and cannot clear it");
    ASSERT_FALSE(platform::SetAttributes(test::OpenItem(file), attr::Hidden));
    EXPECT_EQ(test::Query(file).attributes, attr::Hidden);
    ASSERT_FALSE(platform::SetAttributes(test::OpenItem(file), attr::Normal));
    EXPECT_EQ(test::Query(file).attributes, attr::Normal);
}

TEST_F(WindowsItemTest, AFolderTakesReadOnlyAndItsTimesStillChange) {
    SKIP_UNDER_WINE("ignores read-only on folders");
    const std::string folder = dir / "folder";
    test::MakeFolder(folder);
    ASSERT_FALSE(platform::SetAttributes(test::OpenItem(folder), attr::ReadOnly));
    EXPECT_EQ(*test::Query(folder).attributes & ~attr::Archive, attr::Directory | attr::ReadOnly);
    const platform::UtcTime t{1200000000, 0};
    ASSERT_FALSE(platform::SetFileTimes(test::OpenItem(folder), &t, &t));
    EXPECT_EQ(test::Query(folder).updated, t);
    EXPECT_EQ(*test::Query(folder).attributes & attr::ReadOnly, attr::ReadOnly);
}

TEST_F(WindowsItemTest, HiddenAndReadOnlyTogetherOnAPlainFile) {
    SKIP_UNDER_WINE("loses hidden when read-only comes with it to a file that had no hidden record");
    ASSERT_FALSE(
        platform::SetAttributes(test::OpenItem(file), attr::Hidden | attr::ReadOnly | attr::Archive));
    EXPECT_EQ(test::Query(file).attributes, attr::Hidden | attr::ReadOnly | attr::Archive);
}

} // namespace
