// The preview and the list of runs as a person meets them.
#include "filelist/PreviewDlg.h"
#include "filelist/RunsDlg.h"
#include "platform/Profile.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

PreviewRow Row(const std::string& path, int64_t updated, std::optional<int64_t> next,
               std::error_code error = {}) {
    PreviewRow row;
    row.path = path;
    row.current.id = {1, 2};
    row.current.updated = {updated, 5};
    row.current.attributes = platform::attr::Archive;
    if (next) {
        row.next.updated = platform::UtcTime{*next, 0};
        row.next.attributes = platform::attr::ReadOnly | platform::attr::Archive;
    }
    row.error = error;
    return row;
}

// Opens the dialog modally, lets body look at it and answer; returns what DoModal returned.
template <typename Dialog, typename Result = decltype(std::declval<Dialog&>().DoModal())>
Result Drive(Dialog& dialog, const std::function<void()>& body) {
    QTimer::singleShot(0, [&] {
        test::Settle();
        body();
    });
    return dialog.DoModal();
}

} // namespace

TEST(PreviewDlg, ShowsNowAndThenMarksFailuresAndRunsOnlyWhenAsked) {
    const test::ScopedTimeZone tz("UTC");
    test::TempDir dir;
    platform::ProfileStore store{dir / "Datemark.ini"};
    PreviewSink sink;
    sink.rows = {Row("/d/a", 946684800, 1129126002), // changes
                 Row("/d/b", 946684800, 946684800),  // already so: one time shown
                 Row("/d/\nc", 946684800, {}, make_error_code(std::errc::permission_denied)),
                 PreviewRow{"/d/unlisted", true, {}, {}, make_error_code(std::errc::permission_denied)}};
    sink.files = 3;
    sink.folders = 1;
    sink.failing = 2;
    for (const bool run : {false, true}) {
        CPreviewDlg dialog(sink, store);
        const int result = Drive(dialog, [&] {
            EXPECT_EQ(dialog.windowTitle(), "プレビュー");
            EXPECT_EQ(dialog.m_btnUpdate->text(), "更新");
            EXPECT_EQ(dialog.m_totals->text(), "ファイル 3 件、フォルダ 1 件、失敗 2 件");
            const QAbstractItemModel& m = *dialog.m_list->model();
            const auto text = [&](int row, int column) {
                return m.index(row, column).data().toString().toStdString();
            };
            EXPECT_EQ(text(0, PreviewModel::Updated), "2000/1/1 0:0:0 → 2005/10/12 14:6:42");
            EXPECT_EQ(text(0, PreviewModel::Attributes), "A → RA");
            EXPECT_EQ(text(1, PreviewModel::Updated), "2000/1/1 0:0:0");
            EXPECT_EQ(text(2, PreviewModel::Path), "/d/\\x0ac"); // a name cannot make a line of its own
            EXPECT_FALSE(text(2, PreviewModel::Problem).empty());
            EXPECT_TRUE(m.index(2, 0).data(Qt::ForegroundRole).isValid());
            EXPECT_FALSE(m.index(0, 0).data(Qt::ForegroundRole).isValid());
            EXPECT_EQ(text(3, PreviewModel::Updated), ""); // never looked at
            if (run) {
                QTest::mouseClick(dialog.m_btnUpdate, Qt::LeftButton);
            } else {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            }
        });
        EXPECT_EQ(result == idc::Update, run);
    }
    // Of an undo, the button that runs it says so.
    CPreviewDlg undo(sink, store, nullptr, PreviewOf::Undo);
    const int undone = Drive(undo, [&] {
        EXPECT_EQ(undo.m_btnUpdate->text(), "元に戻す");
        QTest::mouseClick(undo.m_btnUpdate, Qt::LeftButton);
    });
    EXPECT_EQ(undone, idc::Update);
}

TEST(RunsDlg, NewestFirstDamagedOnesCannotBeChosenAndTheChoiceIsReturned) {
    test::TempDir dir;
    std::vector<std::string> names;
    for (const char* summary : {"更新日時 2005/10/12 14:06:42", "属性 R--", "damaged"}) {
        std::error_code error;
        auto writer = journal::Writer::Start(dir.Path(),
                                             {journal::RunKind::Update, {1765000000, 0}, summary, ""}, error);
        ASSERT_TRUE(writer) << error.message();
        ASSERT_FALSE(writer->Finish({7, std::string(summary) == "属性 R--"}));
        names.push_back(writer->Name());
    }
    test::WriteFile(dir / names[2], "XXXXXXXX" + test::ReadFile(dir / names[2]).substr(8)); // damaged
    const std::vector<KeptRun> runs = ReadKeptRuns(dir.Path());
    ASSERT_EQ(runs.size(), 3U);
    EXPECT_EQ(runs[0].info.name, names[2]); // newest first
    EXPECT_TRUE(runs[0].error);
    EXPECT_EQ(runs[1].info.header.summary, "属性 R--");

    // The newest run that can be read is chosen at the start; Down and Enter take the next;
    // "プレビュー" takes the choice asking to see the undo first.
    enum Way { UndoButton, DownAndEnter, PreviewButton };
    for (const Way way : {UndoButton, DownAndEnter, PreviewButton}) {
        CRunsDlg dialog(runs);
        const RunChoice chosen = Drive(dialog, [&] {
            const QAbstractItemModel& m = *dialog.m_list->model();
            EXPECT_FALSE(m.flags(m.index(0, 0)) & Qt::ItemIsEnabled);
            EXPECT_EQ(m.index(1, 3).data().toString(), "中止");
            EXPECT_EQ(m.index(1, 2).data().toString(), "7");
            EXPECT_EQ(dialog.m_list->currentIndex().row(), 1);
            if (way == DownAndEnter) {
                QTest::keyClick(dialog.m_list, Qt::Key_Down);
                QTest::keyClick(dialog.m_list, Qt::Key_Return);
            } else {
                QTest::mouseClick(way == UndoButton ? dialog.m_btnUndo : dialog.m_btnPreview, Qt::LeftButton);
            }
        });
        EXPECT_EQ(chosen.name, way == DownAndEnter ? names[0] : names[1]);
        EXPECT_EQ(chosen.preview, way == PreviewButton);
    }
    CRunsDlg none({});
    const RunChoice nothing = Drive(none, [&] {
        EXPECT_FALSE(none.m_btnUndo->isEnabled());
        EXPECT_FALSE(none.m_btnPreview->isEnabled());
        QTest::mouseClick(none.m_btnCancel, Qt::LeftButton);
    });
    EXPECT_EQ(nothing.name, "");
}
