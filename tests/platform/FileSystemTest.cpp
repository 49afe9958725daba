// What the layer does alike on every system: times, the attributes every store keeps, states put
// back, and the walk.
#include "platform/FileSystem.h"

#include "platform/ItemTestSupport.h"
#include "platform/TreeWalk.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using platform::ItemRef;
namespace attr = platform::attr;

namespace {

// Archive is kept apart: Wine shows it on every file whatever is asked.
constexpr uint32_t kAsked = attr::ReadOnly | attr::Hidden | attr::System;

class ItemTest : public ::testing::Test {
protected:
    void SetUp() override { test::WriteFile(file, "hello"); }

    test::TempDir dir;
    std::string file = dir / "file.txt";
};

TEST_F(ItemTest, LastWriteTimeIsExactAlsoOnAReadOnlyFileWhichStaysReadOnly) {
    ASSERT_FALSE(platform::SetAttributes(test::OpenItem(file), attr::ReadOnly | attr::Archive));
    // Whole seconds, 100 ns (what Windows keeps), and times far from now on both sides.
    for (const platform::UtcTime t :
         {platform::UtcTime{1700000000, 0}, platform::UtcTime{1128000000, 123456700},
          platform::UtcTime{-631152000, 0}, platform::UtcTime{4102444800, 0}}) {
        ASSERT_FALSE(platform::SetFileTimes(test::OpenItem(file), nullptr, &t)) << t.seconds;
        platform::FileInfo info;
        ASSERT_FALSE(platform::QueryFile(ItemRef::Path(file), info));
        EXPECT_EQ(info.updated, t) << t.seconds;
        EXPECT_EQ(*info.attributes & kAsked, attr::ReadOnly) << t.seconds;
        EXPECT_EQ(info.size, 5U);
        EXPECT_FALSE(info.isDirectory);
        EXPECT_EQ(info.id, test::OpenItem(file).Id());
        EXPECT_TRUE(!info.created || info.created->seconds != 0); // where one is kept, never 0
    }
    platform::FileInfo folder;
    ASSERT_FALSE(platform::QueryFile(ItemRef::Path(dir.Path()), folder));
    EXPECT_TRUE(folder.isDirectory);
    EXPECT_EQ(*folder.attributes & attr::Directory, attr::Directory);
}

TEST_F(ItemTest, HiddenSystemAndReadOnlyAreSetAndClearedAsAsked) {
    // Each step gives the whole word; what is not asked for is cleared.
    for (const uint32_t asked : {attr::Hidden, attr::Hidden | attr::System, attr::ReadOnly, attr::Normal,
                                 attr::System | attr::Archive, attr::ReadOnly | attr::Hidden}) {
        ASSERT_FALSE(platform::SetAttributes(test::OpenItem(file), asked | attr::Archive)) << asked;
        uint32_t read = 0;
        ASSERT_FALSE(platform::GetAttributes(test::OpenItem(file), read));
        EXPECT_EQ(read & kAsked, asked & kAsked) << asked;
        EXPECT_EQ(test::AttributesOf(file) & kAsked, asked & kAsked) << asked;
    }
}

TEST_F(ItemTest, TheStartOfAFileIsReadThroughItsHandleAndAMissingItemFailsWithTheSystemCode) {
    std::string bytes;
    ASSERT_FALSE(platform::ReadFileStart(test::OpenItem(file), 3, bytes));
    EXPECT_EQ(bytes, "hel");
    ASSERT_FALSE(platform::ReadFileStart(test::OpenItem(file), 100, bytes));
    EXPECT_EQ(bytes, "hello");
    EXPECT_EQ(platform::ReadFileStart(test::OpenItem(dir.Path()), 100, bytes), std::errc::is_a_directory);
    EXPECT_TRUE(bytes.empty());
    const std::string gone = dir / "gone";
    std::error_code error;
    platform::Item::Open(gone, platform::FollowLinks::Yes, error);
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);
    platform::FileInfo info;
    EXPECT_EQ(platform::QueryFile(ItemRef::Path(gone), info), std::errc::no_such_file_or_directory);
}

TEST_F(ItemTest, AStateReadBeforeAChangeIsPutBackExactly) {
    const std::string folder = dir / "folder";
    test::MakeFolder(folder);
    for (const std::string& path : {file, folder}) {
        const platform::UtcTime old{1000000000, 123456700};
        ASSERT_FALSE(platform::SetFileTimes(test::OpenItem(path), nullptr, &old));
        platform::ItemState before;
        ASSERT_FALSE(platform::ReadState(test::OpenItem(path), before)) << path;
        EXPECT_FALSE(platform::PredictChange(test::OpenItem(path), {true, false, true, std::nullopt}))
            << path;
        const platform::UtcTime updated{1128000000, 0};
        ASSERT_FALSE(platform::SetFileTimes(test::OpenItem(path), nullptr, &updated));
        // Hidden before read-only: Wine loses hidden when both come at once to a file without it.
        const uint32_t archive = path == file ? attr::Archive : 0;
        ASSERT_FALSE(platform::SetAttributes(test::OpenItem(path), attr::Hidden | archive)) << path;
        if (path == file) {
            ASSERT_FALSE(
                platform::SetAttributes(test::OpenItem(path), attr::Hidden | attr::ReadOnly | archive));
        }
        ASSERT_FALSE(platform::RestoreState(test::OpenItem(path), before)) << path;
        platform::ItemState after;
        ASSERT_FALSE(platform::ReadState(test::OpenItem(path), after));
        EXPECT_EQ(after.updated, before.updated) << path;
        EXPECT_EQ(after.attributes, before.attributes) << path;
    }
}

// Every path a walk hands out, below root, in the order it gives them; problems as "!path".
std::vector<std::string> Walk(const std::string& root,
                              platform::CrossMounts mounts = platform::CrossMounts::Yes) {
    std::vector<std::string> seen;
    const platform::Item item = test::OpenItem(root);
    platform::TreeWalk walk(item, root, mounts);
    for (auto step = walk.Next(); step != platform::TreeWalk::Step::End; step = walk.Next()) {
        const std::string relative = walk.Path().substr(root.size() + 1);
        seen.push_back(step == platform::TreeWalk::Step::Item ? relative : "!" + relative);
    }
    return seen;
}

TEST_F(ItemTest, TheWalkHandsOutEveryItemOnceEachFolderBeforeItsContents) {
    const std::string sep = (dir / "").substr(dir.Path().size());
    const std::string root = dir / "root";
    test::MakeFolder(root);
    std::vector<std::string> expected = {"a", "a/b", "a/b/c", "a/b/c/f3", "a/f2", "e", "f1"};
    for (std::string& path : expected) {
        std::replace(path.begin(), path.end(), '/', sep[0]);
        const std::string full = root + sep + path;
        path.find('f') == std::string::npos ? test::MakeFolder(full) : test::WriteFile(full, "x");
    }
    const std::vector<std::string> seen = Walk(root);
    std::vector<std::string> sorted = seen;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, expected);
    for (size_t i = 0; i < seen.size(); ++i) {
        // Its folder, or itself where it is at the top: never later.
        const auto parent = std::find(seen.begin(), seen.end(), seen[i].substr(0, seen[i].rfind(sep)));
        EXPECT_LE(parent - seen.begin(), static_cast<std::ptrdiff_t>(i)) << seen[i];
    }
    EXPECT_EQ(Walk(root, platform::CrossMounts::No), seen);
    EXPECT_TRUE(Walk(root + sep + "e").empty());
}

} // namespace
