#include "filelist/FileFacts.h"
#include "filelist/FileListCtrl.h"
#include "journal/Journal.h"
#include "platform/Error.h"
#include "platform/Profile.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"
#include "ui/MainDlg.h"
#include "ui/MessageBox.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>
#include <QUrl>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <tuple>

namespace {

using Shown = test::FakePrompts::Shown;

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::tie(dialog, prompts) = test::MakeMainDlg(store);
        test::ShowAndSettle(*dialog);
        list = dialog->m_list;
    }

    std::string File(const std::string& name, const std::string& content = "") {
        const std::string path = dir / name;
        test::WriteFile(path, content);
        return path;
    }

    // The add-files command, with these paths chosen in its dialog.
    void AddFiles(const std::vector<std::string>& paths) {
        prompts->files.push_back(paths);
        dialog->OnAddFiles();
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int row = 0; row < list->GetItemCount(); ++row) {
            names.push_back(list->GetItemText(row, 0));
        }
        return names;
    }

    void Select(std::initializer_list<int> rows) {
        list->selectionModel()->clearSelection();
        for (const int row : rows) {
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    int Focused() const { return list->currentIndex().isValid() ? list->currentIndex().row() : -1; }

    static QUrl Local(const std::string& path) { return QUrl::fromLocalFile(QString::fromStdString(path)); }

    void Drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        // As a file manager drops: the drag enters first.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dialog.get(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dialog.get(), &drop);
    }

    // A click on the tick box with this id.
    void Tick(int id) const { QTest::mouseClick(dialog->GetDlgItem(id), Qt::LeftButton); }

    test::TempDir dir;
    test::TempDir settings;
    platform::ProfileStore store{settings / "Datemark.ini"};
    test::FakePrompts* prompts = nullptr;
    std::unique_ptr<CMainDlg> dialog;
    CFileListCtrl* list = nullptr;
};

// Right-clicks the list at a point of its viewport, the click entering through the window as the
// window system delivers it; see SeenMenu.
test::MenuSeen RightClick(CMainDlg& dialog, const QPoint& at, const std::string& pick = {}) {
    const QPoint inWindow = dialog.m_list->viewport()->mapTo(&dialog, at);
    test::MenuSeen seen = test::SeenMenu(
        [&] { QTest::mouseClick(dialog.windowHandle(), Qt::RightButton, {}, inWindow); }, pick);
    EXPECT_TRUE(seen.opened);
    return seen;
}

// The window menu as a person opens it, with a right click on the window's free background, and
// the entry picked from it.
void FromWindowMenu(CMainDlg& dialog, const std::string& entry) {
    const QPoint free(dialog.width() - 3, dialog.height() / 2 - 40);
    ASSERT_EQ(dialog.childAt(free), nullptr);
    const test::MenuSeen seen =
        test::SeenMenu([&] { QTest::mouseClick(dialog.windowHandle(), Qt::RightButton, {}, free); }, entry);
    ASSERT_TRUE(seen.opened);
    test::Settle();
}

// A name of its own keeps it out of the desktop run, which takes CommandsTest.*.
class SystemMenuTest : public CommandsTest {};

class UndoPreviewTest : public CommandsTest {
protected:
    // Row 0 a file last written at kOld, row 1 one that is gone by the time of the run; both
    // selected, only the last-write time asked, at kNew.
    void SetUp() override {
        CommandsTest::SetUp();
        // The journals of each test apart.
        const char* const state = std::getenv("XDG_STATE_HOME");
        savedState = state != nullptr ? state : "";
        ::setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);
        test::SetMtime(kept, kOld);
        AddFiles({kept, gone});
        ASSERT_EQ(::unlink(gone.c_str()), 0);
        Tick(1001);
        dialog->m_dtpUpdatedDate->setDate(QDate(2005, 10, 12));
        dialog->m_dtpUpdatedTime->setTime(QTime(14, 6, 42));
        QTest::mouseClick(dialog->m_btnSelectAll, Qt::LeftButton);
    }

    const test::ScopedTimeZone tz{"UTC"};
    static constexpr int64_t kOld = 946684800;  // 2000-01-01
    static constexpr int64_t kNew = 1129126002; // 2005-10-12 14:06:42
    std::string kept = File("a");
    std::string gone = File("b");
    std::string savedState;

    void TearDown() override { ::setenv("XDG_STATE_HOME", savedState.c_str(), 1); }
};

} // namespace

TEST_F(CommandsTest, AddingAFolderAddsOneRowAndRemembersItsParent) {
    const std::string photos = dir / "photos";
    test::MakeFolder(photos);
    test::MakeFolder(photos + "/2005");
    File("photos/2005/img.jpg");
    prompts->folders = {photos + "/2005", std::nullopt, std::string("/")};
    dialog->OnAddFolder();
    EXPECT_EQ(Names(), (std::vector<std::string>{"2005"}));
    EXPECT_EQ(list->GetEntry(0)->IsFolder(), 1);
    dialog->OnAddFolder(); // cancelled
    EXPECT_EQ(list->GetItemCount(), 1);
    dialog->OnAddFolder();
    dialog->OnAddFolder();
    // The picker opened with nothing first, then at the parent of the folder chosen last.
    EXPECT_EQ(prompts->folderStarts, (std::vector<std::string>{"", photos + "/", photos + "/", "/"}));
}

TEST_F(CommandsTest, AddedAndDroppedFilesAndFoldersBecomeRowsSortedAmongTheOthers) {
    AddFiles({File("m.txt"), File("b.txt")});
    dialog->OnAddFiles(); // nothing chosen: the dialog was cancelled
    test::MakeFolder(dir / "zfolder");
    Drop({Local(File("z.txt")), QUrl("https://example.com/x.txt"), Local(File("a.txt")),
          Local(dir / "zfolder"), Local(File("c.txt"))});
    EXPECT_EQ(Names(), (std::vector<std::string>{"zfolder", "a.txt", "b.txt", "c.txt", "m.txt", "z.txt"}));
    // Added or dropped again: listed twice.
    Drop({Local(dir / "a.txt")});
    AddFiles({dir / "b.txt"});
    EXPECT_EQ(list->GetItemCount(), 8);
}

TEST_F(CommandsTest, DeleteKeepsANeighbourSelectedAndFocused) {
    AddFiles(
        {File("f0"), File("f1"), File("f2"), File("f3"), File("f4"), File("f5"), File("f6"), File("f7")});
    Select({2, 5});
    dialog->OnDelete();
    EXPECT_EQ(Names(), (std::vector<std::string>{"f0", "f1", "f3", "f4", "f6", "f7"}));
    EXPECT_EQ(list->GetSelectedRows(), (std::vector<int>{1}));
    EXPECT_EQ(Focused(), 1);

    Select({0});
    dialog->OnDelete();
    EXPECT_EQ(Names().front(), "f1");
    EXPECT_EQ(list->GetSelectedRows(), (std::vector<int>{0}));
    EXPECT_EQ(Focused(), 0);

    // The Delete key in the list does the same; with nothing selected it does nothing.
    list->selectionModel()->clearSelection();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(list->GetItemCount(), 5);
    // Select all leaves the focus where it is.
    list->selectionModel()->setCurrentIndex(list->model()->index(2, 0), QItemSelectionModel::NoUpdate);
    dialog->OnSelectAll();
    EXPECT_EQ(list->GetSelectedRows(), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(Focused(), 2);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(list->GetItemCount(), 0);
}

TEST_F(CommandsTest, RefreshReadsEveryRowAgainAndSorts) {
    AddFiles({File("small", "x"), File("big", std::string(4000, 'x'))});
    list->OnColumnClick(1); // by size
    EXPECT_EQ(Names(), (std::vector<std::string>{"small", "big"}));
    test::WriteFile(dir / "small", std::string(9000, 'x'));
    dialog->OnRefresh();
    EXPECT_EQ(Names(), (std::vector<std::string>{"big", "small"}));
}

TEST_F(CommandsTest, AFailingItemOpensTheResultsWithItsLine) {
    const std::string file = File("locked");
    if (!test::SetImmutable(file, true)) {
        GTEST_SKIP() << "chattr +i needs ext4-like flags and CAP_LINUX_IMMUTABLE";
    }
    AddFiles({file});
    Tick(1001);
    Select({0});
    dialog->OnUpdate();
    Tick(1009); // 結果表示 off: nothing at all
    dialog->OnUpdate();
    test::SetImmutable(file, false);
    EXPECT_TRUE(prompts->messages.empty());
    EXPECT_EQ(prompts->results,
              std::vector<std::string>{
                  file + " - " + platform::ErrorText(std::error_code(EPERM, std::system_category())) + "\n"});
}

TEST_F(CommandsTest, DoubleClickAsksFirst) {
    const std::string a = File("a");
    const std::string b = File("b");
    AddFiles({a, b});
    Tick(1001);
    Tick(1009);
    const int64_t before = test::MtimeOf(a);
    Select({0, 1});
    prompts->answers.push_back(win32::id::No);
    dialog->OnListDblClk(list->model()->index(0, 0));
    EXPECT_EQ(prompts->messages, (std::vector<Shown>{{"更新します。よろしいですか？", "更新",
                                                      win32::mb::YesNo | win32::mb::IconQuestion}}));
    EXPECT_EQ(test::MtimeOf(a), before);

    dialog->m_dtpUpdatedDate->setDate(QDate(2001, 2, 3));
    prompts->answers.push_back(win32::id::Yes);
    dialog->OnListDblClk(list->model()->index(0, 0));
    EXPECT_NE(test::MtimeOf(a), before);
    EXPECT_EQ(test::MtimeOf(a), test::MtimeOf(b)); // every selected row

    dialog->OnListDblClk(QModelIndex()); // beside the rows: nothing asked
    EXPECT_EQ(prompts->messages.size(), 2U);
}

TEST_F(CommandsTest, ShellHandOffsUseTheFocusedRow) {
    dialog->OnExplorer();
    dialog->OnProperties();
    EXPECT_TRUE(prompts->revealed.empty() && prompts->properties.empty());
    AddFiles({File("a"), File("b")});
    Select({0});
    list->selectionModel()->setCurrentIndex(list->model()->index(1, 0), QItemSelectionModel::NoUpdate);
    dialog->OnExplorer();
    dialog->OnProperties();
    EXPECT_EQ(prompts->revealed, (std::vector<std::string>{dir / "b"}));
    EXPECT_EQ(prompts->properties, (std::vector<std::string>{dir / "b"}));
}

TEST_F(CommandsTest, TheWholeJobAsAUserDoesIt) {
    const test::ScopedTimeZone tz("Europe/Berlin");
    const std::string one = File("one.txt", "1");
    const std::string two = File("two.txt", "22");
    const std::string folder = dir / "folder";
    test::MakeFolder(folder);
    test::MakeFolder(folder + "/inner");
    test::WriteFile(folder + "/inner/deep.txt", "3");
    ::chmod(two.c_str(), 0444);

    AddFiles({one, two});
    prompts->folders.push_back(folder);
    dialog->OnAddFolder();
    ASSERT_EQ(Names(), (std::vector<std::string>{"folder", "one.txt", "two.txt"}));
    EXPECT_EQ(list->GetItemText(2, 5), "R");

    QTest::mouseClick(dialog->m_btnSelectAll, Qt::LeftButton);
    Tick(1001); // creation time: not on this file system
    dialog->m_dtpUpdatedDate->setDate(QDate(2005, 10, 12));
    dialog->m_dtpUpdatedTime->setTime(QTime(14, 6, 42));
    Tick(1010);
    QTest::mouseClick(dialog->m_chkHidden, Qt::LeftButton);
    QTest::mouseClick(dialog->m_chkArchive, Qt::LeftButton);
    QTest::mouseClick(dialog->m_btnUpdate, Qt::LeftButton);

    const std::vector<Shown> success = {{"正常に終了しました。", "結果", win32::mb::IconInformation}};
    EXPECT_EQ(prompts->messages, success);
    const int64_t want = 1129118802; // 2005-10-12 14:06:42 in Berlin
    for (const std::string& path : {one, two, folder, folder + "/inner", folder + "/inner/deep.txt"}) {
        EXPECT_EQ(test::MtimeOf(path), want) << path;
        const bool isFolder = path == folder || path == folder + "/inner";
        EXPECT_EQ(test::DosRecord(path), std::string(isFolder ? "0x32" : "0x22") + '\0') << path;
    }
    EXPECT_NE(test::StatOf(two).st_mode & 0200, 0U); // read-only unticked: writable again
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(list->GetItemText(row, 4), "2005/10/12 14:6:42") << row;
        EXPECT_EQ(list->GetItemText(row, 5), "HA") << row;
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"folder", "one.txt", "two.txt"}));

    Tick(1009); // 結果表示 off: success is not reported
    QTest::mouseClick(dialog->m_btnUpdate, Qt::LeftButton);
    EXPECT_EQ(prompts->messages, success);
    EXPECT_TRUE(prompts->results.empty());
}

TEST_F(CommandsTest, ContextMenuGreysWhatNeedsARowOnlyBelowTheRowsAndStartsAfreshEachTime) {
    AddFiles({File("a"), File("b")});
    const QPoint below(20, list->viewport()->height() - 5);
    ASSERT_FALSE(list->indexAt(below).isValid());
    const QPoint onRow = list->visualRect(list->model()->index(1, 0)).center();
    for (const bool row : {false, true}) {
        const std::vector<std::pair<std::string, bool>> expected = {
            {"更新", row}, {"-", true}, {"ﾌｧｲﾙ追加", true},      {"ﾌｫﾙﾀﾞ追加", true},
            {"削除", row}, {"-", true}, {"エクスプローラ", row}, {"プロパティ", row}};
        const test::MenuSeen seen = RightClick(*dialog, row ? onRow : below);
        EXPECT_EQ(seen.items, expected) << row;
        EXPECT_EQ(seen.defaultItem, "更新");
        EXPECT_EQ(dialog->m_contextMenu.Native(), nullptr); // gone again afterwards
        EXPECT_EQ(RightClick(*dialog, row ? onRow : below).items, expected) << row;
    }
}

TEST_F(CommandsTest, UpdateRefusesInItsOrderAndTheMenuRunsTheButtonsCommands) {
    AddFiles({File("a")});
    list->selectionModel()->clearSelection();
    Tick(1001);
    Tick(1004); // no group ticked now
    dialog->OnUpdate();
    // The right click selects the row, as a click does.
    const QPoint onRow = list->visualRect(list->model()->index(0, 0)).center();
    RightClick(*dialog, onRow, "更新");
    EXPECT_EQ(list->GetSelectedRows(), std::vector<int>{0});
    const unsigned warning = win32::mb::IconExclamation;
    EXPECT_EQ(prompts->messages, (std::vector<Shown>{{"更新対象を選択してください。", "更新", warning},
                                                     {"更新処理を選択してください。", "更新", warning}}));
    EXPECT_TRUE(prompts->results.empty());

    prompts->files.push_back(std::vector<std::string>{File("b")});
    RightClick(*dialog, onRow, "ﾌｧｲﾙ追加");
    EXPECT_EQ(list->GetItemCount(), 2);
}

TEST_F(CommandsTest, ExplorerAndPropertiesSayWhyWhenNothingCanOpenTheFolder) {
    const test::DesktopOpener opener(/*withHandler=*/false);
    prompts->realHandOffs = true;
    AddFiles({File("a")});
    const QPoint onRow = list->visualRect(list->model()->index(0, 0)).center();
    for (const char* command : {"エクスプローラ", "プロパティ"}) {
        prompts->messages.clear();
        RightClick(*dialog, onRow, command);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts->messages.empty(); }, 10000)) << command;
        EXPECT_EQ(prompts->messages[0].caption, command);
        EXPECT_TRUE(prompts->messages[0].text.contains(QString::fromStdString(dir / "a"))) << command;
        EXPECT_TRUE(prompts->messages[0].text.contains("xdg-open"))
            << prompts->messages[0].text.toStdString();
    }
}

TEST_F(UndoPreviewTest, PreviewShowsWhatTheUpdateWouldDoChangesNothingAndMayThenRunIt) {
    FromWindowMenu(*dialog, "プレビュー");
    ASSERT_EQ(prompts->previews.size(), 1U);
    const PreviewSink& seen = prompts->previews[0];
    // The selected rows with the time the window asks; what each item's facts are is the engine's.
    ASSERT_EQ(seen.rows.size(), 2U);
    EXPECT_EQ(seen.rows[0].path, kept);
    ASSERT_TRUE(seen.rows[0].next.updated);
    EXPECT_EQ(seen.rows[0].next.updated->seconds, kNew);
    EXPECT_EQ(seen.failing, 1U);
    EXPECT_EQ(test::MtimeOf(kept), kOld);
    EXPECT_TRUE(journal::ListRuns(journal::DefaultFolder()).empty()); // nothing ran
    EXPECT_TRUE(prompts->results.empty());

    // Run from the preview: the same rows, the same failure.
    prompts->runFromPreview = true;
    FromWindowMenu(*dialog, "プレビュー");
    EXPECT_EQ(test::MtimeOf(kept), kNew);
    ASSERT_EQ(prompts->results.size(), 1U);
    EXPECT_EQ(prompts->results[0], MakeErrorText(gone, std::error_code(ENOENT, std::system_category())));
}

TEST_F(UndoPreviewTest, UndoFromTheResultsAndFromTheWindowMenuAndUndoOfTheUndo) {
    prompts->undoFromResults = true;
    QTest::mouseClick(dialog->m_btnUpdate, Qt::LeftButton);
    ASSERT_EQ(prompts->undoOffered, std::vector<bool>{true});
    EXPECT_EQ(test::MtimeOf(kept), kOld); // undone at once from the results window
    ASSERT_FALSE(prompts->messages.empty());
    EXPECT_EQ(prompts->messages.back().text, "元に戻しました。");
    EXPECT_EQ(list->GetItemText(0, 4), "2000/1/1 0:0:0");

    // The newest run is the undo itself: undoing it makes the update's change again.
    FromWindowMenu(*dialog, "元に戻す");
    ASSERT_EQ(prompts->runLists.size(), 1U);
    ASSERT_EQ(prompts->runLists[0].size(), 2U);
    EXPECT_EQ(prompts->runLists[0][0].info.header.kind, journal::RunKind::Undo);
    EXPECT_EQ(test::MtimeOf(kept), kNew);
    EXPECT_EQ(list->GetItemText(0, 4), "2005/10/12 14:6:42");

    // Choosing the first update now puts the old time back once more.
    prompts->chosenRuns.push_back(prompts->runLists[0][1].info.name);
    FromWindowMenu(*dialog, "元に戻す");
    EXPECT_EQ(test::MtimeOf(kept), kOld);
}

TEST_F(UndoPreviewTest, AnUndoPreviewedFromTheListOfRunsWaitsUntilRunFromThePreview) {
    QTest::mouseClick(dialog->m_btnUpdate, Qt::LeftButton);
    ASSERT_EQ(test::MtimeOf(kept), kNew);
    prompts->previewChosenRun = true;
    FromWindowMenu(*dialog, "元に戻す");
    ASSERT_EQ(prompts->previewKinds, std::vector<PreviewOf>{PreviewOf::Undo});
    const PreviewSink& seen = prompts->previews[0];
    ASSERT_EQ(seen.rows.size(), 1U); // the item the run could not reach is not its to undo
    EXPECT_EQ(seen.rows[0].path, kept);
    ASSERT_TRUE(seen.rows[0].next.updated);
    EXPECT_EQ(seen.rows[0].next.updated->seconds, kOld);
    EXPECT_EQ(test::MtimeOf(kept), kNew);
    EXPECT_EQ(journal::ListRuns(journal::DefaultFolder()).size(), 1U);

    prompts->runFromPreview = true;
    FromWindowMenu(*dialog, "元に戻す");
    EXPECT_EQ(test::MtimeOf(kept), kOld);
    EXPECT_EQ(list->GetItemText(0, 4), "2000/1/1 0:0:0");
    EXPECT_EQ(journal::ListRuns(journal::DefaultFolder()).size(), 2U);
}

TEST_F(UndoPreviewTest, AnUpdateWhoseJournalCannotBeWrittenDoesNotStart) {
    const std::string blocked = File("not-a-folder");
    ::setenv("XDG_STATE_HOME", blocked.c_str(), 1);
    QTest::mouseClick(dialog->m_btnUpdate, Qt::LeftButton);
    ASSERT_EQ(prompts->messages.size(), 1U);
    EXPECT_TRUE(prompts->messages[0].text.startsWith("元に戻すための記録を書けないため"))
        << prompts->messages[0].text.toStdString();
    EXPECT_EQ(prompts->messages[0].type, win32::mb::IconStop);
    EXPECT_EQ(test::MtimeOf(kept), kOld);
    EXPECT_TRUE(prompts->results.empty());
}

TEST_F(SystemMenuTest, AltSpaceOpensItARightClickOnAControlDoesNotAndAboutAndCloseWork) {
    const std::vector<std::string> items = {
        "最小化(&N)", "閉じる(&C)\tAlt+F4", "-",         "バージョン情報 Datemark(&A)...", "最新ﾊﾞｰｼﾞｮﾝﾁｪｯｸ",
        "-",          "元に戻す",           "プレビュー"};
    const auto seen = [](const std::function<void()>& trigger, const std::string& pick = {}) {
        return test::SeenMenu(trigger, pick).Words();
    };
    EXPECT_EQ(seen([&] { QTest::keyClick(dialog.get(), Qt::Key_Space, Qt::AltModifier); }), items);
    // A right click on the free background opens it too (FromWindowMenu picks from it so); one on
    // a control does not.
    const QPoint onButton = dialog->m_btnRefresh->geometry().center();
    QContextMenuEvent onControl(QContextMenuEvent::Mouse, onButton, dialog->mapToGlobal(onButton));
    EXPECT_TRUE(seen([&] { QApplication::sendEvent(dialog.get(), &onControl); }).empty());

    const auto pick = [&](const std::string& entry) {
        seen([&] { dialog->ShowSystemMenu(dialog->mapToGlobal(QPoint(0, 0))); }, entry);
        test::Settle();
    };
    pick("バージョン情報 Datemark(&A)...");
    EXPECT_EQ(prompts->abouts, 1);
    EXPECT_TRUE(dialog->isVisible());
    pick("閉じる(&C)\tAlt+F4");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), win32::id::Cancel);
}
