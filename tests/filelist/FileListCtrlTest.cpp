#include "filelist/FileListCtrl.h"

#include "filelist/FileListModel.h"
#include "filelist/SortHeaderView.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTest>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>

using test::SetMtime;

namespace {

// Counts how many entries the list deleted.
int g_deleted = 0;

class CountedEntry : public FileEntry {
public:
    ~CountedEntry() override { ++g_deleted; }
};

class FileListCtrlTest : public ::testing::Test {
protected:
    void Add(const std::vector<std::string>& names) {
        std::vector<std::unique_ptr<FileEntry>> entries;
        for (const std::string& name : names) {
            entries.push_back(std::make_unique<FileEntry>());
            entries.back()->SetPath(dir / name);
        }
        list.InsertEntries(std::move(entries));
        list.SortItems();
    }

    // A click of the mouse on a column's title, where the person sees it; twice in quick
    // succession, the second comes as a double click.
    void ClickHeader(int column, bool twice = false) {
        if (!list.isVisible()) {
            test::ShowAndSettle(list);
        }
        QHeaderView* header = list.header();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        if (twice) {
            QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, at);
        }
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int row = 0; row < list.GetItemCount(); ++row) {
            names.push_back(list.GetItemText(row, 0));
        }
        return names;
    }

    test::TempDir dir;
    test::ScopedTimeZone tz{"Europe/Berlin"};
    CFileListCtrl list;
};

} // namespace

TEST_F(FileListCtrlTest, ColumnsShowWhatTheRowsHoldAndAMissingPathStillGetsItsRow) {
    test::WriteFile(dir / "report.txt", std::string(1025, 'x'));
    ::setxattr((dir / "report.txt").c_str(), "user.DOSATTRIB", "0x22", 4, 0);
    ::chmod((dir / "report.txt").c_str(), 0444);
    SetMtime(dir / "report.txt", 1110182703); // 2005-03-07 09:05:03 in Berlin
    test::MakeFolder(dir / "sub");
    Add({"report.txt", "sub", "gone.txt"});
    ASSERT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(list.GetItemText(0, 0), "sub"); // a folder, first; the missing path a file
    EXPECT_EQ(list.GetItemText(0, 1), "");    // a folder has no size
    EXPECT_EQ(list.GetItemText(0, 6), dir.Path() + "/");
    EXPECT_EQ(list.GetItemText(2, 0), "report.txt");
    EXPECT_EQ(list.GetItemText(2, 1), "2 KB");
    EXPECT_EQ(list.GetItemText(2, 4), "2005/3/7 9:5:3");
    EXPECT_EQ(list.GetItemText(2, 5), "RHA");
    EXPECT_FALSE(list.GetItemText(2, 2).empty());
    EXPECT_NE(list.GetItemText(0, 2), list.GetItemText(2, 2)); // folder and text file differ
    for (const int column : {1, 3, 4, 5}) {
        EXPECT_EQ(list.GetItemText(1, column), "") << column; // gone.txt
    }
    const QModelIndex name = list.model()->index(2, 0);
    EXPECT_FALSE(qvariant_cast<QIcon>(list.model()->data(name, Qt::DecorationRole)).isNull());
    EXPECT_EQ(list.model()->data(list.model()->index(2, 1), Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
              int(Qt::AlignRight));
    EXPECT_EQ(list.model()->headerData(0, Qt::Horizontal).toString(), "名前");
    EXPECT_EQ(list.model()->headerData(6, Qt::Horizontal).toString(), "フォルダ");
}

TEST_F(FileListCtrlTest, RefreshRereadsFactsButNotNameTypeOrFolderFlag) {
    test::WriteFile(dir / "a.txt", "1");
    SetMtime(dir / "a.txt", 1000000000);
    Add({"a.txt"});
    const std::string type = list.GetItemText(0, 2);
    test::WriteFile(dir / "a.txt", std::string(3000, 'x'));
    SetMtime(dir / "a.txt", 1100000000);
    ::setxattr((dir / "a.txt").c_str(), "user.DOSATTRIB", "0x20", 4, 0);
    list.RefreshRow(0);
    EXPECT_EQ(list.GetItemText(0, 1), "3 KB");
    EXPECT_EQ(list.GetItemText(0, 4), "2004/11/9 12:33:20");
    EXPECT_EQ(list.GetItemText(0, 5), "A");
    EXPECT_EQ(list.GetItemText(0, 2), type);
    ::unlink((dir / "a.txt").c_str());
    list.RefreshRow(0);
    EXPECT_EQ(list.GetItemText(0, 1), "");
    EXPECT_EQ(list.GetItemText(0, 4), "");
    EXPECT_EQ(list.GetItemText(0, 0), "a.txt");
}

TEST_F(FileListCtrlTest, HeaderClicksSortEachColumnBothWaysAndTheSelectionFollowsItsRows) {
    test::WriteFile(dir / "b.txt", "x");
    test::WriteFile(dir / "A.txt", std::string(5000, 'x'));
    test::WriteFile(dir / "a.png", std::string(3000, 'x'));
    test::MakeFolder(dir / "zdir");
    test::MakeFolder(dir / "adir");
    SetMtime(dir / "b.txt", 3000, 999000000);
    SetMtime(dir / "A.txt", 3000, 1000000); // the same second as b.txt: the name decides
    SetMtime(dir / "a.png", 1000);
    Add({"b.txt", "A.txt", "a.png", "zdir", "adir"});
    EXPECT_EQ(Names(), (std::vector<std::string>{"adir", "zdir", "A.txt", "a.png", "b.txt"}));
    list.selectionModel()->select(list.model()->index(3, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ClickHeader(0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"b.txt", "a.png", "A.txt", "zdir", "adir"}));
    EXPECT_EQ(list.GetSelectedRows(), (std::vector<int>{1})); // the selection follows its row
    EXPECT_FALSE(list.Header()->ArrowAscending());
    ClickHeader(0);
    EXPECT_EQ(Names().front(), "adir");
    EXPECT_TRUE(list.Header()->ArrowAscending());
    ClickHeader(0, /*twice=*/true); // two quick clicks flip twice
    EXPECT_EQ(Names().front(), "adir");
    EXPECT_TRUE(list.Header()->ArrowAscending());

    ClickHeader(1); // size: folders first, then by size
    EXPECT_EQ(Names(), (std::vector<std::string>{"adir", "zdir", "b.txt", "a.png", "A.txt"}));
    EXPECT_EQ(list.Header()->ArrowColumn(), 1);
    ClickHeader(1);
    ClickHeader(4); // a new column always starts ascending, also after a descending one
    EXPECT_TRUE(list.Header()->ArrowAscending());
    const auto byTime = Names();
    EXPECT_EQ(std::vector<std::string>(byTime.begin() + 2, byTime.end()),
              (std::vector<std::string>{"a.png", "A.txt", "b.txt"}));
}

TEST_F(FileListCtrlTest, DeletingRowsDeletesTheirEntries) {
    g_deleted = 0;
    {
        CFileListCtrl own;
        std::vector<std::unique_ptr<FileEntry>> entries;
        for (int i = 0; i < 8; ++i) {
            entries.push_back(std::make_unique<CountedEntry>());
            entries.back()->SetPath(dir / ("f" + std::to_string(i)));
        }
        own.InsertEntries(std::move(entries));
        own.DeleteRows({2, 5});
        EXPECT_EQ(g_deleted, 2);
        EXPECT_EQ(own.GetItemCount(), 6);
        EXPECT_EQ(own.GetItemText(2, 0), "f3");
        own.DeleteRows({0});
        EXPECT_EQ(g_deleted, 3);
    }
    EXPECT_EQ(g_deleted, 8); // the rest go with the list
}

TEST_F(FileListCtrlTest, ColumnOrderMustBeAPermutation) {
    list.InsertColumns({10, 20, 30, 40, 50, 60, 0});
    EXPECT_EQ(list.GetColumnWidths(), (std::array<int, 7>{10, 20, 30, 40, 50, 60, 8})); // never lost
    const std::array<int, 7> reversed{6, 5, 4, 3, 2, 1, 0};
    list.SetColumnOrder(reversed);
    // Two columns in one place, or one that is not there: ignored.
    for (const std::array<int, 7>& bad : {std::array{0, 0, 1, 2, 3, 4, 5}, std::array{0, 1, 2, 3, 4, 5, 7}}) {
        list.SetColumnOrder(bad);
        EXPECT_EQ(list.GetColumnOrder(), reversed);
    }
    list.SetColumnOrder({0, 1, 2, 3, 4, 5, 6});
    EXPECT_EQ(list.GetColumnOrder(), (std::array<int, 7>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(list.Header()->sectionsMovable());
}
