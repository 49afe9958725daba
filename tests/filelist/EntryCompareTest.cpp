#include "filelist/EntryCompare.h"

#include "filelist/FileEntry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

FileEntry Make(const char* name, bool folder = false, int64_t size = 0) {
    FileEntry e;
    e.SetPath(std::string("/data/") + name);
    e.SetFolder(folder ? 1 : 0);
    e.SetSize(size);
    return e;
}

// The names in the order a stable sort with these flags gives.
std::vector<std::string> Sorted(std::vector<FileEntry> entries, int flags) {
    std::stable_sort(entries.begin(), entries.end(),
                     [&](const FileEntry& a, const FileEntry& b) { return CompareEntries(a, b, flags) < 0; });
    std::vector<std::string> names;
    for (const auto& e : entries) {
        names.push_back(e.GetName());
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

TEST(CompareEntries, FoldersFirstAscendingAndLastDescending) {
    const std::vector<FileEntry> rows = {Make("b.txt"), Make("zdir", true), Make("a.txt"),
                                         Make("adir", true)};
    for (int column = 0; column < kListColumns; ++column) {
        const auto up = Sorted(rows, Asc(column));
        EXPECT_TRUE((up[0] == "adir" || up[0] == "zdir") && (up[1] == "adir" || up[1] == "zdir")) << column;
        const auto down = Sorted(rows, Desc(column));
        EXPECT_TRUE((down[2] == "adir" || down[2] == "zdir") && (down[3] == "adir" || down[3] == "zdir"))
            << column;
    }
    EXPECT_EQ(Sorted(rows, Asc(0)), (std::vector<std::string>{"adir", "zdir", "a.txt", "b.txt"}));
    EXPECT_EQ(Sorted(rows, Desc(0)), (std::vector<std::string>{"b.txt", "a.txt", "zdir", "adir"}));
}

TEST(CompareEntries, SizeWithTiesByNameAndFoldersByName) {
    const std::vector<FileEntry> rows = {Make("big", false, int64_t{5} << 30),
                                         Make("b", false, 10),
                                         Make("a", false, 10),
                                         Make("small", false, 1),
                                         Make("dir2", true, 999),
                                         Make("dir1", true, 0)};
    EXPECT_EQ(Sorted(rows, Asc(1)), (std::vector<std::string>{"dir1", "dir2", "small", "a", "b", "big"}));
    EXPECT_EQ(Sorted(rows, Desc(1)), (std::vector<std::string>{"big", "b", "a", "small", "dir2", "dir1"}));
}

TEST(CompareEntries, UpperCaseBeforeLowerCaseAndCodePageOrder) {
    const std::vector<FileEntry> rows = {Make("あいう"), Make("abc"), Make("ｱｲｳ"),
                                         Make("Abc"),    Make("亜"),  Make("ABC")};
    // Code order: ASCII, half-width katakana, hiragana, kanji.
    EXPECT_EQ(Sorted(rows, Asc(0)), (std::vector<std::string>{"ABC", "Abc", "abc", "ｱｲｳ", "あいう", "亜"}));
}

TEST(CompareEntries, TimesToTheSecondThenName) {
    FileEntry a = Make("a");
    FileEntry b = Make("b");
    FileEntry c = Make("c");
    FileEntry none = Make("none");
    const SYSTEMTIME t1{2005, 3, 1, 7, 9, 5, 3, 900};
    const SYSTEMTIME t1ms{2005, 3, 1, 7, 9, 5, 3, 100};
    const SYSTEMTIME t2{2005, 3, 1, 7, 9, 5, 4, 0};
    b.SetUpdated(&t1);
    a.SetUpdated(&t1ms); // differs only in milliseconds: equal, so the name decides
    c.SetUpdated(&t2);
    EXPECT_EQ(Sorted({c, b, none, a}, Asc(4)), (std::vector<std::string>{"none", "a", "b", "c"}));
    a.SetCreated(&t2);
    b.SetCreated(&t1);
    EXPECT_EQ(Sorted({a, b, none}, Asc(3)), (std::vector<std::string>{"none", "b", "a"}));
    EXPECT_EQ(Sorted({a, b, none}, Desc(3)), (std::vector<std::string>{"a", "b", "none"}));
    // Year before month before day.
    FileEntry x = Make("x");
    FileEntry y = Make("y");
    const SYSTEMTIME dec2004{2004, 12, 0, 31, 23, 59, 59, 0};
    const SYSTEMTIME jan2005{2005, 1, 0, 1, 0, 0, 0, 0};
    x.SetUpdated(&jan2005);
    y.SetUpdated(&dec2004);
    EXPECT_EQ(Sorted({x, y}, Asc(4)), (std::vector<std::string>{"y", "x"}));
}

TEST(CompareEntries, TypeAttributesAndFolderColumns) {
    FileEntry a = Make("a");
    FileEntry b = Make("b");
    FileEntry c = Make("c");
    a.SetTypeName("テキスト");
    b.SetTypeName("ﾃｷｽﾄ");
    c.SetTypeName("テキスト");
    EXPECT_EQ(Sorted({c, a, b}, Asc(2)), (std::vector<std::string>{"b", "a", "c"}));
    a.SetAttrText("RHA");
    b.SetAttrText("A");
    c.SetAttrText("");
    EXPECT_EQ(Sorted({a, b, c}, Asc(5)), (std::vector<std::string>{"c", "b", "a"}));
    FileEntry p;
    p.SetPath("/z/same");
    FileEntry q;
    q.SetPath("/a/same");
    FileEntry r;
    r.SetPath("/a/other");
    // Folder, then name.
    std::vector<FileEntry> byFolder = {p, q, r};
    std::stable_sort(byFolder.begin(), byFolder.end(),
                     [](const FileEntry& x, const FileEntry& y) { return CompareEntries(x, y, Asc(6)) < 0; });
    EXPECT_EQ(byFolder[0].GetPath(), "/a/other");
    EXPECT_EQ(byFolder[1].GetPath(), "/a/same");
    EXPECT_EQ(byFolder[2].GetPath(), "/z/same");
}

TEST(CompareEntries, NoKeyBitKeepsTheOrderAndTheFirstBitWins) {
    const std::vector<FileEntry> rows = {Make("b", false, 1), Make("a", false, 2)};
    EXPECT_EQ(Sorted(rows, SORT_ASCENDING), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(CompareEntries(rows[0], rows[1], 0), 0);
    // Name and size both set: the name decides.
    EXPECT_EQ(Sorted(rows, SORT_ASCENDING | 0x01 | 0x02), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(SortKeyColumn(0x02 | 0x40), 1);
    EXPECT_EQ(SortKeyColumn(SORT_ASCENDING), -1);
}

TEST(NextSortState, SameColumnFlipsAnotherStartsAscending) {
    SortState s;
    EXPECT_EQ(s, (SortState{0, 0x81}));
    s = NextSortState(s, 0);
    EXPECT_EQ(s, (SortState{0, 0x101}));
    s = NextSortState(s, 0);
    EXPECT_EQ(s, (SortState{0, 0x81}));
    s = NextSortState(NextSortState(s, 0), 1);
    EXPECT_EQ(s, (SortState{1, 0x82}));
    // From descending by size, every click ends ascending: the same column flips, another starts so.
    for (int column = 0; column < kListColumns; ++column) {
        const SortState next = NextSortState({1, 0x102}, column);
        EXPECT_EQ(next.flags & (SORT_ASCENDING | SORT_DESCENDING), SORT_ASCENDING) << column;
        EXPECT_EQ(next.flags & 0x7F, SortKeyBit(column)) << column;
    }
    EXPECT_EQ(NextSortState({6, 0x140}, 6), (SortState{6, 0xC0}));
}
