#include "filelist/ResultDlg.h"

#include "platform/Profile.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>
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

TEST_F(ResultDlgTest, ShowsTheLogExactlyReadOnlyAndUnwrapped) {
    std::string log;
    for (int i = 0; i < 300; ++i) {
        log += "/data/" + std::string(200, 'x') + std::to_string(i) + " - 許可されていない操作です\n";
    }
    Run(log, [&](CResultDlg& d) {
        EXPECT_EQ(d.windowTitle(), "結果");
        EXPECT_EQ(d.m_edit->toPlainText().toStdString(), log);
        EXPECT_TRUE(d.m_edit->isReadOnly());
        EXPECT_EQ(d.m_edit->lineWrapMode(), QPlainTextEdit::NoWrap);
        EXPECT_GT(d.m_edit->verticalScrollBar()->maximum(), 0);
        EXPECT_GT(d.m_edit->horizontalScrollBar()->maximum(), 0);
        EXPECT_EQ(d.m_btnCopy->text(), "コピー");
        EXPECT_EQ(d.m_btnClose->text(), "閉じる");
        EXPECT_TRUE(d.m_btnClose->isDefault());
        EXPECT_EQ(QApplication::focusWidget(), d.m_edit);
    });
}

TEST_F(ResultDlgTest, CopyPutsTheWholeLogOnTheClipboard) {
    const std::string log = "/a - one\n/b - two\n";
    Run(log, [&](CResultDlg& d) {
        QTest::mouseClick(d.m_btnCopy, Qt::LeftButton);
        EXPECT_EQ(QApplication::clipboard()->text().toStdString(), log);
    });
}

TEST_F(ResultDlgTest, EnterAndEscapeClose) {
    Run(
        "/x - y\n", [](CResultDlg&) {}, Qt::Key_Return);
    Run(
        "/x - y\n", [](CResultDlg&) {}, Qt::Key_Escape);
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

TEST_F(ResultDlgTest, AStoredSizeIsTakenAndTheControlsFollow) {
    QSize base;
    QSize edit;
    QPoint closeFromCorner;
    Run("/x - y\n", [&](CResultDlg& d) {
        base = d.size();
        edit = d.m_edit->size();
        closeFromCorner = QPoint(d.width(), d.height()) - d.m_btnClose->geometry().topLeft();
        EXPECT_EQ(d.minimumSize(), d.maximumSize()); // no sizing border
    });
    test::WriteFile(path, "[ResultWindow]\ntop=10\nleft=20\nbottom=610\nright=820\n");
    Run("/x - y\n", [&](CResultDlg& d) {
        EXPECT_EQ(d.geometry(), QRect(20, 10, 800, 600));
        EXPECT_EQ(d.m_edit->size(), edit + QSize(800, 600) - base);
        EXPECT_EQ(QPoint(d.width(), d.height()) - d.m_btnClose->geometry().topLeft(), closeFromCorner);
    });
}
