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
    // Opens the window modally, lets body look at it, then closes it with key (none: body
    // closes it); what DoModal returned.
    int Run(const std::string& text, const std::function<void(CResultDlg&)>& body,
            Qt::Key key = Qt::Key_Escape, bool offerUndo = false) {
        CResultDlg dialog(store);
        dialog.m_text = text;
        dialog.m_offerUndo = offerUndo;
        QTimer::singleShot(0, [&] {
            test::Settle();
            body(dialog);
            if (key != Qt::Key_unknown) {
                QTest::keyClick(&dialog, key);
            }
        });
        const int result = dialog.DoModal();
        EXPECT_FALSE(dialog.isVisible());
        return result;
    }

    test::TempDir dir;
    std::string path = dir / "Datemark.ini";
    platform::ProfileStore store{path};
};

} // namespace

TEST_F(ResultDlgTest, ShowsTheLogExactlyReadOnlyAndUnwrappedAndOffersUndoOnlyForARunThatCanBeUndone) {
    std::string log;
    for (int i = 0; i < 300; ++i) {
        log += "/data/" + std::string(200, 'x') + std::to_string(i) + " - 許可されていない操作です\n";
    }
    const auto shown = [&](CResultDlg& d) {
        EXPECT_EQ(d.windowTitle(), "結果");
        EXPECT_EQ(d.m_edit->toPlainText().toStdString(), log);
        EXPECT_TRUE(d.m_edit->isReadOnly());
        EXPECT_EQ(d.m_edit->lineWrapMode(), QPlainTextEdit::NoWrap);
        EXPECT_GT(d.m_edit->verticalScrollBar()->maximum(), 0);
        EXPECT_GT(d.m_edit->horizontalScrollBar()->maximum(), 0);
        EXPECT_TRUE(d.m_btnClose->isDefault());
        EXPECT_EQ(QApplication::focusWidget(), d.m_edit);
        EXPECT_FALSE(d.m_btnUndo->isVisible());
    };
    EXPECT_NE(Run(log, shown, Qt::Key_Return), idc::Undo); // every other run closes it with Escape
    const auto undo = [](CResultDlg& d) {
        EXPECT_TRUE(d.m_btnUndo->isVisible());
        QTest::mouseClick(d.m_btnUndo, Qt::LeftButton);
    };
    EXPECT_EQ(Run("/x - y\n", undo, Qt::Key_unknown, /*offerUndo=*/true), idc::Undo);
}

TEST_F(ResultDlgTest, ItGrowsWithItsControlsAndOpensWhereStoredButNotBelowItsTemplateNorOffScreen) {
    QSize base;
    QSize edit;
    QPoint closeFromCorner;
    QRect placed;
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
        d.move(140, 90);
        test::ResizeAndSettle(d, base.width() - 100, base.height() - 100);
        EXPECT_EQ(d.size(), base);
        placed = d.geometry();
        QTest::mouseClick(d.m_btnCopy, Qt::LeftButton);
        EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "/x - y\n");
    });
    // Where it was closed, on a reopen.
    Run("/x - y\n", [&](CResultDlg& d) { EXPECT_EQ(d.geometry(), placed); });
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
