#include "filelist/EntryCompare.h"

#include "filelist/FileEntry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using Names = std::vector<std::string>;

FileEntry Make(const char* name, bool folder = false, int64_t size = 0, const char* folderPath = "/data/") {
    FileEntry e;
    e.SetPath(std::string(folderPath) + name);
    e.SetFolder(folder ? 1 : 0);
    e.SetSize(size);
    return e;
}

// The paths in the order a stable sort with these flags gives.
Names Sorted(std::vector<FileEntry> entries, int flags) {
    std::stable_sort(entries.begin(), entries.end(),
                     [&](const FileEntry& a, const FileEntry& b) { return CompareEntries(a, b, flags) < 0; });
    Names names;
    for (const auto& e : entries) {
        names.push_back(e.GetFolder() == "/data/" ? e.GetName() : e.GetPath());
    }
    return names;
}

constexpr int Asc(int column) {
    return SORT_ASCENDING | SortKeyBit(column);
}

constexpr int Desc(int column) {
    return SORT_DESCENDING | SortKeyBit(column);
}

} // namespace

TEST(CompareEntries, FoldersFirstAscendingAndLastDescendingInEveryColumn) {
    const std::vector<FileEntry> rows = {Make("b.txt"), Make("zdir", true), Make("a.txt"),
                                         Make("adir", true)};
    for (int column = 0; column < kListColumns; ++column) {
        const Names up = Sorted(rows, Asc(column));
        const Names down = Sorted(rows, Desc(column));
        EXPECT_TRUE(up[0].ends_with("dir") && up[1].ends_with("dir")) << column;
        EXPECT_TRUE(down[2].ends_with("dir") && down[3].ends_with("dir")) << column;
    }
    EXPECT_EQ(Sorted(rows, Desc(0)), (Names{"b.txt", "a.txt", "zdir", "adir"}));
}

TEST(CompareEntries, SizeBeyond32BitsWithTiesByName) {
    const std::vector<FileEntry> rows = {Make("big", false, int64_t{5} << 30),
                                         Make("b", false, 10),
                                         Make("a", false, 10),
                                         Make("small", false, 1),
                                         Make("dir2", true, 999),
                                         Make("dir1", true, 0)};
    EXPECT_EQ(Sorted(rows, Asc(1)), (Names{"dir1", "dir2", "small", "a", "b", "big"}));
}

TEST(CompareEntries, TextsInCodePageOrderUpperCaseFirst) {
    EXPECT_EQ(Sorted({Make("ｱｲｳ"), Make("abc"), Make("Abc")}, Asc(0)), (Names{"Abc", "abc", "ｱｲｳ"}));
    EXPECT_EQ(Sorted({Make("漢字"), Make("ひらがな"), Make("ｶﾀｶﾅ"), Make("カタカナ"), Make("Latin")}, Asc(0)),
              (Names{"Latin", "ｶﾀｶﾅ", "ひらがな", "カタカナ", "漢字"}));
    FileEntry a = Make("a");
    FileEntry b = Make("b");
    FileEntry c = Make("c");
    a.SetTypeName("テキスト");
    b.SetTypeName("ﾃｷｽﾄ");
    c.SetTypeName("テキスト");
    a.SetAttrText("RHA");
    b.SetAttrText("A");
    EXPECT_EQ(Sorted({c, a, b}, Asc(2)), (Names{"b", "a", "c"}));
    EXPECT_EQ(Sorted({a, b, c}, Asc(5)), (Names{"c", "b", "a"}));
    // The folder column, then the name.
    EXPECT_EQ(
        Sorted({Make("same", false, 0, "/z/"), Make("same", false, 0, "/a/"), Make("other", false, 0, "/a/")},
               Asc(6)),
        (Names{"/a/other", "/a/same", "/z/same"}));
}

TEST(CompareEntries, TimesToTheSecondAMissingOneFirst) {
    FileEntry a = Make("a");
    FileEntry b = Make("b");
    FileEntry c = Make("c");
    const FileEntry none = Make("none");
    const SYSTEMTIME t1{2005, 3, 1, 7, 9, 5, 3, 900};
    const SYSTEMTIME t1ms{2005, 3, 1, 7, 9, 5, 3, 100}; // differs only in milliseconds: the name decides
    const SYSTEMTIME later{2005, 3, 1, 7, 9, 5, 4, 0};
    const SYSTEMTIME lastYear{2004, 12, 0, 31, 23, 59, 59, 999};
    b.SetUpdated(&t1);
    a.SetUpdated(&t1ms);
    c.SetUpdated(&later);
    EXPECT_EQ(Sorted({c, b, none, a}, Asc(4)), (Names{"none", "a", "b", "c"}));
    a.SetCreated(&later);
    b.SetCreated(&lastYear);
    EXPECT_EQ(Sorted({a, b, none}, Asc(3)), (Names{"none", "b", "a"}));
    EXPECT_EQ(Sorted({a, b, none}, Desc(3)), (Names{"a", "b", "none"}));
}

TEST(CompareEntries, NoKeyBitKeepsTheOrderAndTheFirstBitWins) {
    const std::vector<FileEntry> rows = {Make("b", false, 1), Make("a", false, 2)};
    EXPECT_EQ(Sorted(rows, SORT_ASCENDING), (Names{"b", "a"}));
    EXPECT_EQ(Sorted(rows, SORT_ASCENDING | SortKeyBit(0) | SortKeyBit(1)), (Names{"a", "b"}));
}
