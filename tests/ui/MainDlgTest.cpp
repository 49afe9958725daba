#include "ui/MainDlg.h"

#include "filelist/FileListCtrl.h"
#include "filelist/SortHeaderView.h"
#include "platform/Profile.h"
#include "platform/Win32Constants.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <gtest/gtest.h>

#include <memory>
#include <sys/stat.h>

namespace {

class MainDlgTest : public ::testing::Test {
protected:
    std::unique_ptr<CMainDlg> Open() {
        auto [dialog, fake] = test::MakeMainDlg(store);
        prompts = fake;
        test::ShowAndSettle(*dialog);
        return std::move(dialog);
    }

    QCheckBox* Box(CMainDlg& d, int id) { return qobject_cast<QCheckBox*>(d.GetDlgItem(id)); }

    test::TempDir dir;
    std::string path = dir / "Datemark.ini";
    platform::ProfileStore store{path};
    test::FakePrompts* prompts = nullptr; // owned by the open window
};

} // namespace

TEST_F(MainDlgTest, FirstRunShowsTheDefaults) {
    const auto d = Open();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(d->frameGeometry().topLeft(), screen.topLeft());
    EXPECT_TRUE(Box(*d, 1001)->isChecked());
    EXPECT_TRUE(Box(*d, 1004)->isChecked());
    EXPECT_FALSE(Box(*d, 1010)->isChecked());
    EXPECT_TRUE(d->m_dtpCreatedDate->isEnabled() && d->m_dtpCreatedTime->isEnabled());
    EXPECT_TRUE(d->m_dtpUpdatedDate->isEnabled() && d->m_dtpUpdatedTime->isEnabled());
    for (QCheckBox* box : {d->m_chkReadOnly, d->m_chkHidden, d->m_chkArchive}) {
        EXPECT_FALSE(box->isEnabled());
        EXPECT_FALSE(box->isChecked());
    }
    EXPECT_TRUE(Box(*d, 1007)->isChecked() && Box(*d, 1008)->isChecked() && Box(*d, 1009)->isChecked());
    EXPECT_EQ(d->m_dtpCreatedDate->date(), QDate::currentDate());
    EXPECT_EQ(d->m_dtpUpdatedDate->date(), QDate::currentDate());
    EXPECT_LE(std::abs(d->m_dtpCreatedTime->time().secsTo(QTime::currentTime())), 5);
    EXPECT_EQ(d->m_list->Header()->ArrowColumn(), 0);
    EXPECT_TRUE(d->m_list->Header()->ArrowAscending());
    EXPECT_EQ(QApplication::focusWidget(), d->GetDlgItem(1001));
    // Dates show in their format; picture buttons keep their name and mnemonic.
    d->m_dtpCreatedDate->setDate(QDate(2005, 10, 12));
    d->m_dtpUpdatedTime->setTime(QTime(9, 5, 3));
    EXPECT_EQ(d->m_dtpCreatedDate->text(), "2005年10月12日");
    EXPECT_EQ(d->m_dtpUpdatedTime->text(), "09:05:03");
    EXPECT_FALSE(d->m_btnAddFiles->icon().isNull());
    EXPECT_EQ(d->m_btnAddFiles->accessibleName(), "ﾌｧｲﾙ追加(I)");
    EXPECT_EQ(d->m_btnAddFiles->shortcut(), QKeySequence(Qt::ALT | Qt::Key_I));
    EXPECT_EQ(d->m_btnUpdate->shortcut(), QKeySequence(Qt::ALT | Qt::Key_E));
    EXPECT_FALSE(d->m_nowCreatedBar->icon().isNull());
}

TEST_F(MainDlgTest, LoadsStoredValuesAndMovesAPlacementNoScreenShowsToTheTopLeft) {
    test::WriteFile(path, "[Window]\ntop=-3000\nleft=5000\nbottom=-2300\nright=5900\n[Sakusei]\nDate="
                          "20051012\nTime=140642\n[Koshin]\nDate=NOTHING\nTime=091500\n"
                          "[Attr]\nYuko=1\nReadOnly=1\nArchive=1\n[Option]\nSubFolder=0\nResult=0\n"
                          "[List]\nwidth2=80\n[ListOrder]\nindex1=1\nindex2=0\n");
    const auto d = Open();
    EXPECT_EQ(d->m_dtpCreatedDate->date(), QDate(2005, 10, 12));
    EXPECT_EQ(d->m_dtpCreatedTime->time(), QTime(14, 6, 42));
    EXPECT_EQ(d->m_dtpUpdatedDate->date(), QDate::currentDate()); // "NOTHING" keeps today
    EXPECT_EQ(d->m_dtpUpdatedTime->time(), QTime(9, 15, 0));      // a time without a date
    EXPECT_TRUE(Box(*d, 1010)->isChecked());
    EXPECT_TRUE(d->m_chkReadOnly->isEnabled() && d->m_chkReadOnly->isChecked());
    EXPECT_FALSE(d->m_chkHidden->isChecked());
    EXPECT_TRUE(d->m_chkArchive->isChecked());
    EXPECT_FALSE(Box(*d, 1007)->isChecked());
    EXPECT_FALSE(Box(*d, 1009)->isChecked());
    EXPECT_EQ(d->m_list->GetColumnWidths()[1], 80);
    EXPECT_EQ(d->m_list->GetColumnOrder(), (std::array<int, 7>{1, 0, 2, 3, 4, 5, 6}));
    EXPECT_EQ(d->frameGeometry().topLeft(), QGuiApplication::primaryScreen()->availableGeometry().topLeft());
    EXPECT_EQ(d->size(), QSize(900, 700).expandedTo(d->minimumSize()));
}

TEST_F(MainDlgTest, ClosingWritesWhatTheWindowShowsAndKeepsUnknownLines) {
    test::WriteFile(path, "; kept\n[Info]\nVersion=0.9\nBuild=42\n[Mine]\nkey=value\n");
    {
        const auto d = Open();
        d->m_dtpCreatedDate->setDate(QDate(2005, 10, 12));
        d->m_dtpCreatedTime->setTime(QTime(14, 6, 42));
        d->m_dtpUpdatedDate->setDate(QDate(1950, 1, 2)); // before 1970: written like any other date
        d->m_dtpUpdatedTime->setTime(QTime(3, 4, 5));
        QTest::mouseClick(Box(*d, 1010), Qt::LeftButton);
        d->m_btnExit->click();
        EXPECT_EQ(d->result(), win32::id::Cancel);
        EXPECT_FALSE(d->isVisible());
    }
    const std::string text = test::ReadFile(path);
    EXPECT_EQ(text.rfind("; kept\n[Info]\nVersion=1.3.0\nBuild=42\n[Mine]\nkey=value\n[Window]\n", 0), 0U)
        << text;
    // How each key is written is AppSettingsTest's; here, that the window hands over what it shows.
    for (const char* section :
         {"[Sakusei]\nYuko=1\nDate=20051012\nTime=140642\n", "[Koshin]\nYuko=1\nDate=19500102\nTime=030405\n",
          "[Attr]\nYuko=1\nReadOnly=0\nHidden=0\nArchive=0\n",
          "[Option]\nSubFolder=1\nFolder=1\nResult=1\n"}) {
        EXPECT_NE(text.find(section), std::string::npos) << section << " in\n" << text;
    }
}

TEST_F(MainDlgTest, PlacementColumnsAndSortSurviveARestart) {
    QRect placed;
    {
        const auto d = Open();
        d->setGeometry(QRect(60, 70, d->width() + 120, d->height() + 40));
        test::Settle();
        placed = d->geometry();
        d->m_list->Header()->resizeSection(0, 222);
        d->m_list->Header()->moveSection(6, 0);
        for (int click = 0; click < 2; ++click) { // by size, largest first
            QHeaderView* header = d->m_list->header();
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(1) + 10, header->height() / 2));
        }
        d->m_btnExit->click();
    }
    const auto d = Open();
    EXPECT_EQ(d->geometry(), placed);
    EXPECT_EQ(d->m_list->GetColumnWidths()[0], 222);
    EXPECT_EQ(d->m_list->GetColumnOrder(), (std::array<int, 7>{1, 2, 3, 4, 5, 6, 0}));
    EXPECT_EQ(d->m_list->Header()->ArrowColumn(), 1);
    EXPECT_FALSE(d->m_list->Header()->ArrowAscending());
    // The size title stays right-aligned beside its arrow.
    EXPECT_EQ(d->m_list->model()->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt() &
                  Qt::AlignRight,
              int(Qt::AlignRight));
    // Rows added later sort the same way.
    test::WriteFile(dir / "small", "x");
    test::WriteFile(dir / "large", std::string(5000, 'x'));
    d->AddPaths({dir / "small", dir / "large"});
    EXPECT_EQ(d->m_list->GetItemText(0, 0), "large");
}

TEST_F(MainDlgTest, EnableBoxesSwitchTheirGroupsKeepingValuesWhileTheClockButtonsStillSetNow) {
    const auto d = Open();
    d->m_dtpCreatedDate->setDate(QDate(2001, 2, 3));
    QTest::mouseClick(Box(*d, 1001), Qt::LeftButton);
    EXPECT_FALSE(d->m_dtpCreatedDate->isEnabled() || d->m_dtpCreatedTime->isEnabled());
    EXPECT_TRUE(d->m_dtpUpdatedDate->isEnabled());
    QTest::mouseClick(Box(*d, 1001), Qt::LeftButton);
    EXPECT_TRUE(d->m_dtpCreatedDate->isEnabled());
    EXPECT_EQ(d->m_dtpCreatedDate->date(), QDate(2001, 2, 3));

    d->m_chkHidden->setChecked(true);
    QTest::mouseClick(Box(*d, 1010), Qt::LeftButton);
    EXPECT_TRUE(d->m_chkHidden->isEnabled());
    QTest::mouseClick(Box(*d, 1010), Qt::LeftButton);
    EXPECT_FALSE(d->m_chkHidden->isEnabled());
    EXPECT_TRUE(d->m_chkHidden->isChecked()); // disabled keeps its tick

    d->m_dtpUpdatedDate->setDate(QDate(2001, 2, 3));
    d->m_dtpUpdatedTime->setTime(QTime(4, 5, 6));
    QTest::mouseClick(Box(*d, 1004), Qt::LeftButton);
    EXPECT_FALSE(d->m_dtpUpdatedDate->isEnabled() || d->m_dtpUpdatedTime->isEnabled());
    QTest::mouseClick(d->m_nowUpdatedBar, Qt::LeftButton);
    EXPECT_EQ(d->m_dtpUpdatedDate->date(), QDate::currentDate());
    EXPECT_LE(std::abs(d->m_dtpUpdatedTime->time().secsTo(QTime::currentTime())), 5);
    EXPECT_FALSE(Box(*d, 1004)->isChecked());                  // the box is not touched
    EXPECT_EQ(d->m_dtpCreatedDate->date(), QDate(2001, 2, 3)); // the other group neither
    QTest::mouseClick(d->m_nowCreatedBar, Qt::LeftButton);
    EXPECT_EQ(d->m_dtpCreatedDate->date(), QDate::currentDate());
}

TEST_F(MainDlgTest, EscapeDoesNothingEnterRunsUpdateAndTheCloseBoxEndsTellingOfUnwritableSettings) {
    test::WriteFile(path, "[Option]\nResult=0\n");
    ::chmod(path.c_str(), 0444);
    const auto d = Open();
    QSignalSpy updates(d.get(), &CMainDlg::updateRequested);
    QTest::keyClick(d.get(), Qt::Key_Escape);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(updates.count(), 0);
    QTest::keyClick(Box(*d, 1001), Qt::Key_Return);
    EXPECT_EQ(updates.count(), 1);
    EXPECT_TRUE(d->isVisible());
    d->m_list->setFocus();
    QTest::keyClick(d->m_list, Qt::Key_Enter);
    EXPECT_EQ(updates.count(), 2);
    EXPECT_TRUE(d->isVisible());

    prompts->messages.clear(); // what the updates said
    d->close();
    test::Settle();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), win32::id::Cancel);
    ASSERT_EQ(prompts->messages.size(), 1U);
    EXPECT_TRUE(
        prompts->messages[0].text.startsWith("設定を保存できませんでした。\n" + QString::fromStdString(path)))
        << prompts->messages[0].text.toStdString();
    EXPECT_EQ(test::ReadFile(path), "[Option]\nResult=0\n");
}

TEST_F(MainDlgTest, GrowingMovesTheListAndButtonsAndShrinkingBackRestoresThem) {
    const auto d = Open();
    const QSize base = d->size();
    const QRect list = d->m_list->geometry();
    const QRect addFiles = d->m_btnAddFiles->geometry();
    const QRect update = d->m_btnUpdate->geometry();
    const QRect exit = d->m_btnExit->geometry();
    const QRect topMost = d->m_chkTopMost->geometry();
    const QRect date = d->m_dtpCreatedDate->geometry();
    test::ResizeAndSettle(*d, base.width() + 100, base.height() + 100);
    EXPECT_EQ(d->m_list->geometry(), list.adjusted(0, 0, 100, 100));
    EXPECT_EQ(d->m_btnAddFiles->geometry(), addFiles.translated(0, 100));
    EXPECT_EQ(d->m_btnUpdate->geometry(), update.translated(100, 100));
    EXPECT_EQ(d->m_btnExit->geometry(), exit.translated(100, 100));
    EXPECT_EQ(d->m_chkTopMost->geometry(), topMost.translated(0, 100));
    EXPECT_EQ(d->m_dtpCreatedDate->geometry(), date);
    test::ResizeAndSettle(*d, base.width(), base.height());
    EXPECT_EQ(d->m_list->geometry(), list);
    EXPECT_EQ(d->m_btnUpdate->geometry(), update);
    // The window cannot be made smaller than it opened.
    test::ResizeAndSettle(*d, base.width() - 50, base.height() - 50);
    EXPECT_EQ(d->size(), base);
    EXPECT_EQ(d->minimumSize(), base);
}

TEST_F(MainDlgTest, AlwaysInFrontKeepsTheRunningWindowAndIsOffAtTheNextStart) {
    {
        CMainDlg d(store, std::make_unique<test::FakePrompts>());
        bool stayedOpen = false;
        QTimer::singleShot(0, [&] {
            test::Settle();
            for (const bool on : {true, false, true}) {
                QTest::mouseClick(d.m_chkTopMost, Qt::LeftButton);
                test::Settle();
                ASSERT_TRUE(d.isVisible());
                ASSERT_NE(d.windowHandle(), nullptr);
                EXPECT_EQ(d.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), on);
            }
            // Only a window whose loop still runs gets here.
            QTimer::singleShot(10, [&] {
                stayedOpen = d.isVisible();
                QTest::mouseClick(d.m_btnExit, Qt::LeftButton);
            });
        });
        d.DoModal();
        EXPECT_TRUE(stayedOpen);
    }
    const auto d = Open();
    EXPECT_FALSE(d->m_chkTopMost->isChecked());
    EXPECT_FALSE(d->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(MainDlgTest, TheCreationCalendarOpensRightAlignedTheOtherLeftAligned) {
    const auto d = Open();
    d->move(250, 150); // room on both sides
    test::Settle();
    for (QDateEdit* picker : {d->m_dtpCreatedDate, d->m_dtpUpdatedDate}) {
        // A click on the picker's drop-down arrow.
        QTest::mouseClick(picker, Qt::LeftButton, {}, QPoint(picker->width() - 4, picker->height() / 2));
        QWidget* popup = picker->calendarWidget()->window();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));
        const QRect pickerOnScreen(picker->mapToGlobal(QPoint(0, 0)), picker->size());
        if (picker == d->m_dtpCreatedDate) {
            EXPECT_EQ(popup->frameGeometry().right(), pickerOnScreen.right());
        } else { // the toolkit's own placement, give or take its margin
            EXPECT_LE(std::abs(popup->frameGeometry().left() - pickerOnScreen.left()), 4);
            EXPECT_GT(popup->frameGeometry().right(), pickerOnScreen.right());
        }
        EXPECT_GE(popup->frameGeometry().top(), pickerOnScreen.bottom());
        popup->hide();
    }
}
