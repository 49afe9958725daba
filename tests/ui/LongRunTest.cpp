// Runs that last, as a person meets them: the progress window, 中止, closing mid-run. A disk that
// stops answering (a frozen file system) makes a run last exactly as long as the test wants.
#include "filelist/FileListCtrl.h"
#include "platform/Profile.h"
#include "support/GuiTestSupport.h"
#include "support/LoopMount.h"
#include "ui/BackgroundRun.h"
#include "ui/MainDlg.h"
#include "ui/ProgressDlg.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <tuple>

namespace {

// Once a progress window over owner is up, act on it, from within the loop the run keeps going.
void WhenProgressShows(QWidget& owner, const std::function<void(CProgressDlg&)>& act) {
    auto* watch = new QTimer(&owner);
    QObject::connect(watch, &QTimer::timeout, watch, [watch, &owner, act] {
        auto* progress = owner.findChild<CProgressDlg*>();
        if (progress != nullptr && progress->isVisible()) {
            watch->deleteLater();
            watch->stop();
            act(*progress);
        }
    });
    watch->start(10);
}

class LongRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!disk.Mounted()) {
            GTEST_SKIP() << disk.SkipReason();
        }
        paths = {disk / "photos"};
        test::MakeFolder(paths[0]);
        for (int i = 0; i < 20; ++i) {
            paths.push_back(paths[0] + "/img" + std::to_string(i) + ".jpg");
            test::WriteFile(paths.back(), "");
        }
        std::tie(dialog, prompts) = test::MakeMainDlg(store);
        test::ShowAndSettle(*dialog);
        prompts->folders.push_back(paths[0]);
        dialog->OnAddFolder();
        dialog->m_list->selectAll();
        // The last-write time and hidden: two steps for every item.
        QTest::mouseClick(dialog->GetDlgItem(idc::SetCreated), Qt::LeftButton);
        QTest::mouseClick(dialog->GetDlgItem(idc::SetAttributes), Qt::LeftButton);
        QTest::mouseClick(dialog->m_chkHidden, Qt::LeftButton);
        dialog->m_dtpUpdatedDate->setDate(QDate(2005, 10, 12));
        dialog->m_dtpUpdatedTime->setTime(QTime(14, 6, 42));
    }

    // How many items have changed on disk; every one whole (its time and its attribute) or
    // untouched.
    size_t ChangedOnDisk() const {
        const int64_t want = 1129118802; // 2005-10-12 14:06:42 in Berlin
        size_t changed = 0;
        for (const std::string& path : paths) {
            const bool timeSet = test::MtimeOf(path) == want;
            EXPECT_EQ(timeSet, !test::DosRecord(path).empty()) << path;
            changed += timeSet ? 1 : 0;
        }
        return changed;
    }

    // Clicks 更新 with the disk frozen and, once the progress window is up, acts on it; the disk
    // thaws after that, so the item in hand ends and the run with it.
    void UpdateWhileFrozen(const std::function<void(CProgressDlg&)>& act) {
        test::FrozenFileSystem frozen(disk.Path());
        ASSERT_TRUE(frozen.Frozen());
        bool shown = false;
        WhenProgressShows(*dialog, [&](CProgressDlg& progress) {
            shown = true;
            act(progress);
            frozen.Thaw();
        });
        QTest::mouseClick(dialog->m_btnUpdate, Qt::LeftButton); // returns once the run has ended
        frozen.Thaw();
        ASSERT_TRUE(shown);
    }

    test::LoopMount disk;
    test::ScopedTimeZone tz{"Europe/Berlin"};
    std::vector<std::string> paths; // the folder row first, then what lies in it
    test::TempDir settings;
    platform::ProfileStore store{settings / "Datemark.ini"};
    test::FakePrompts* prompts = nullptr;
    std::unique_ptr<CMainDlg> dialog;
};

} // namespace

TEST_F(LongRunTest, ADiskThatStopsAnsweringShowsProgressAndCancelFinishesOnlyTheItemInHand) {
    ASSERT_NO_FATAL_FAILURE(UpdateWhileFrozen([&](CProgressDlg& progress) {
        EXPECT_EQ(progress.windowTitle(), "更新中");
        EXPECT_EQ(progress.m_count->text(), "0 項目を処理しました");
        EXPECT_EQ(progress.m_folder->text().toStdString(), paths[0]);
        EXPECT_EQ(progress.m_bar->maximum(), 0) << "a walk: the number of items is unknown";
        EXPECT_TRUE(progress.m_time->text().startsWith("経過時間 0:0"))
            << progress.m_time->text().toStdString();
        // The main window goes on: it follows a resize, and only what cannot change the run works.
        for (const int id : {idc::SetUpdated, idc::UpdatedDate, idc::SubFolder, idc::List, idc::AddFolder,
                             idc::Refresh, idc::Update}) {
            EXPECT_FALSE(dialog->GetDlgItem(id)->isEnabled()) << id;
        }
        EXPECT_TRUE(dialog->m_btnExit->isEnabled());
        const QSize listSize = dialog->m_list->size();
        test::ResizeAndSettle(*dialog, dialog->width() + 40, dialog->height() + 30);
        EXPECT_EQ(dialog->m_list->size(), listSize + QSize(40, 30));

        // A click where the button is, entering through its window as the window system delivers it.
        const QPoint cancel = progress.m_btnCancel->mapTo(&progress, progress.m_btnCancel->rect().center());
        QTest::mouseClick(progress.windowHandle(), Qt::LeftButton, {}, cancel);
        EXPECT_FALSE(progress.m_btnCancel->isEnabled());
        EXPECT_EQ(progress.m_folder->text(), "中止しています…");
    }));

    EXPECT_EQ(ChangedOnDisk(), 1U); // the folder itself, waiting for the disk when cancelled
    EXPECT_EQ(prompts->results, std::vector<std::string>{"中止しました（1 項目を処理済み）\n"});
    EXPECT_TRUE(prompts->messages.empty()) << "no success box";
    EXPECT_EQ(dialog->m_list->GetItemText(0, 5), "H"); // the row shows what was done
    EXPECT_TRUE(dialog->m_list->isEnabled() && dialog->m_btnUpdate->isEnabled());
    EXPECT_EQ(dialog->findChild<CProgressDlg*>(), nullptr);
}

TEST_F(LongRunTest, ClosingTheMainWindowMidRunWaitsForTheItemInHandThenSavesAndCloses) {
    ASSERT_NO_FATAL_FAILURE(UpdateWhileFrozen([&](CProgressDlg&) {
        dialog->windowHandle()->close(); // the close box
        QTest::qWait(100);
        EXPECT_TRUE(dialog->isVisible()) << "closed while an item was still being changed";
        EXPECT_FALSE(test::Exists(settings / "Datemark.ini"));
    }));
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), win32::id::Cancel);
    EXPECT_TRUE(test::Exists(settings / "Datemark.ini"));
    EXPECT_EQ(ChangedOnDisk(), 1U);
    EXPECT_TRUE(prompts->results.empty() && prompts->messages.empty());
}

TEST(BackgroundRunTest, EscAndTheCloseBoxOfTheProgressWindowCancelAndItStaysUntilTheRunEnds) {
    const std::pair<const char*, std::function<void(CProgressDlg&)>> ways[] = {
        {"Esc", [](CProgressDlg& w) { QTest::keyClick(&w, Qt::Key_Escape); }},
        {"close box", [](CProgressDlg& w) { w.windowHandle()->close(); }},
    };
    for (const auto& way : ways) {
        QWidget owner;
        test::ShowAndSettle(owner);
        BackgroundRun run(&owner, "追加中");
        std::atomic<bool> stillShown{false};
        WhenProgressShows(owner, [&](CProgressDlg& progress) {
            EXPECT_EQ(progress.windowTitle(), "追加中");
            EXPECT_EQ(progress.m_bar->maximum(), 4) << "rows: a known number";
            EXPECT_EQ(progress.m_bar->value(), 1);
            way.second(progress);
            test::Settle();
            stillShown = progress.isVisible();
        });
        run.Run([&](RunControl& control) {
            control.StartRows(4);
            control.RowDone();
            while (!control.StopHere()) {
                std::this_thread::yield();
            }
        });
        EXPECT_TRUE(stillShown) << way.first;
        EXPECT_EQ(owner.findChild<CProgressDlg*>(), nullptr) << way.first;
    }
}

TEST(BackgroundRunTest, ElapsedTimeShowsMinutesAndSecondsAndHoursOnlyOnceThereAreAny) {
    using std::chrono::milliseconds;
    EXPECT_EQ(ElapsedText(milliseconds(999)), "経過時間 0:00");
    EXPECT_EQ(ElapsedText(milliseconds(12'000)), "経過時間 0:12");
    EXPECT_EQ(ElapsedText(milliseconds(3'599'999)), "経過時間 59:59");
    EXPECT_EQ(ElapsedText(milliseconds(3'600'000 * 2 + 61'000)), "経過時間 2:01:01");
}
