#include "filelist/ResultDlg.h"

#include "platform/Profile.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class ResultDlgTest : public ::testing::Test {
protected:
    // Opens the window modally, lets body look at it, then closes it with key.
    void Run(const std::string& text, const std::function<void(CResultDlg&)>& body,
             Qt::Key key = Qt::Key_Escape) {
        CResultDlg dialog(store);
        dialog.m_text = text;
        QTimer::singleShot(0, [&] {
            test::Settle();
            body(dialog);
            QTest::keyClick(&dialog, key);
        });
        dialog.DoModal();
        EXPECT_FALSE(dialog.isVisible());
    }

    test::TempDir dir;
    std::string path = dir / "Datemark.ini";
    platform::ProfileStore store{path};
};

} // namespace

TEST_F(ResultDlgTest, ShowsTheLogExactlyReadOnlyAndUnwrappedAndEnterCloses) {
    std::string log;
    for (int i = 0; i < 300; ++i) {
        log += "/data/" + std::string(200, 'x') + std::to_string(i) + " - 許可されていない操作です\n";
    }
    Run(
        log,
        [&](CResultDlg& d) {
            EXPECT_EQ(d.windowTitle(), "結果");
            EXPECT_EQ(d.m_edit->toPlainText().toStdString(), log);
            EXPECT_TRUE(d.m_edit->isReadOnly());
            EXPECT_EQ(d.m_edit->lineWrapMode(), QPlainTextEdit::NoWrap);
            EXPECT_GT(d.m_edit->verticalScrollBar()->maximum(), 0);
            EXPECT_GT(d.m_edit->horizontalScrollBar()->maximum(), 0);
            EXPECT_TRUE(d.m_btnClose->isDefault());
            EXPECT_EQ(QApplication::focusWidget(), d.m_edit);
        },
        Qt::Key_Return); // every other test closes it with Escape
}

TEST_F(ResultDlgTest, CopyPutsTheWholeLogOnTheClipboard) {
    const std::string log = "/a - one\n/b - two\n";
    Run(log, [&](CResultDlg& d) {
        QTest::mouseClick(d.m_btnCopy, Qt::LeftButton);
        EXPECT_EQ(QApplication::clipboard()->text().toStdString(), log);
    });
}

TEST_F(ResultDlgTest, PlacementSurvivesAReopen) {
    QRect placed;
    Run("/x - y\n", [&](CResultDlg& d) {
        d.move(140, 90);
        test::Settle();
        placed = d.geometry();
    });
    const std::string text = test::ReadFile(path);
    EXPECT_NE(text.find("[ResultWindow]\ntop="), std::string::npos) << text;
    Run("/x - y\n", [&](CResultDlg& d) { EXPECT_EQ(d.geometry(), placed); });
}

TEST_F(ResultDlgTest, ItGrowsWithItsControlsAndOpensWhereStoredButNotBelowItsTemplateNorOffScreen) {
    QSize base;
    QSize edit;
    QPoint closeFromCorner;
    Run("/x - y\n", [&](CResultDlg& d) {
        base = d.size();
        edit = d.m_edit->size();
        closeFromCorner = QPoint(d.width(), d.height()) - d.m_btnClose->geometry().topLeft();
        EXPECT_TRUE(d.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        EXPECT_EQ(d.minimumSize(), base);
        EXPECT_GT(d.maximumWidth(), 10000);
        test::ResizeAndSettle(d, base.width() + 300, base.height() + 200);
        EXPECT_EQ(d.m_edit->size(), edit + QSize(300, 200));
        EXPECT_EQ(QPoint(d.width(), d.height()) - d.m_btnClose->geometry().topLeft(), closeFromCorner);
        test::ResizeAndSettle(d, base.width() - 100, base.height() - 100);
        EXPECT_EQ(d.size(), base);
    });
    test::WriteFile(path, "[ResultWindow]\ntop=10\nleft=20\nbottom=510\nright=720\n");
    Run("/x - y\n", [&](CResultDlg& d) {
        EXPECT_EQ(d.geometry(), QRect(QPoint(20, 10), QSize(700, 500).expandedTo(base)));
        EXPECT_EQ(QPoint(d.width(), d.height()) - d.m_btnClose->geometry().topLeft(), closeFromCorner);
    });
    // Smaller than the template: the template's size.
    test::WriteFile(path, "[ResultWindow]\ntop=10\nleft=20\nbottom=30\nright=40\n");
    Run("/x - y\n", [&](CResultDlg& d) { EXPECT_EQ(d.size(), base); });
    // Where no screen shows: on this one.
    test::WriteFile(path, "[ResultWindow]\ntop=-4000\nleft=-9000\nbottom=-3500\nright=-8300\n");
    Run("/x - y\n", [&](CResultDlg& d) {
        EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().intersects(d.frameGeometry()));
        EXPECT_EQ(d.size(), QSize(700, 500).expandedTo(base));
    });
}

TEST_F(ResultDlgTest, UndoIsOfferedOnlyForARunThatCanBeUndoneAndClosesWithItsAnswer) {
    for (const bool offered : {false, true}) {
        CResultDlg dialog(store);
        dialog.m_text = "/x - y\n";
        dialog.m_offerUndo = offered;
        QTimer::singleShot(0, [&] {
            test::Settle();
            EXPECT_EQ(dialog.m_btnUndo->isVisible(), offered);
            if (offered) {
                QTest::mouseClick(dialog.m_btnUndo, Qt::LeftButton);
            } else {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            }
        });
        EXPECT_EQ(dialog.DoModal() == idc::Undo, offered);
    }
}
