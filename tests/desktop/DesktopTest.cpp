// The windows on a real X server with a window manager (run-on-desktop.sh starts both), driven
// with the mouse through the X server as a person drives them. Elsewhere these tests skip.
#include "filelist/FileListCtrl.h"
#include "filelist/ResultDlg.h"
#include "filelist/SortHeaderView.h"
#include "platform/Profile.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"
#include "ui/MainDlg.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000)) {
        ADD_FAILURE() << program.toStdString() << " did not finish";
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// A real mouse click (or double click) at a point of the screen.
void ClickAt(QPoint global, int repeat = 1) {
    // No --sync: it waits for ever when the pointer is already there.
    Run("xdotool", {"mousemove", QString::number(global.x()), QString::number(global.y()), "sleep", "0.1",
                    "click", "--repeat", QString::number(repeat), "--delay", "80", "1"});
}

QString WindowState(const QWidget& window) {
    return Run("xprop", {"-id", QString::number(window.winId()), "_NET_WM_STATE"});
}

bool Until(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 5000);
}

// The window manager has framed the window and the toolkit knows the frame; a loaded machine
// may take a while.
bool Framed(const QWidget& window) {
    return QTest::qWaitFor([&] { return window.frameGeometry() != window.geometry(); }, 15000);
}

// The frame as the window manager says it drew it, an empty rectangle until it has. Qt's own
// idea of the frame may lag behind on an X server under load, which a click on the title bar
// need not wait for.
QRect FrameOf(const QWidget& window) {
    QRect frame;
    QTest::qWaitFor(
        [&] {
            const QString text =
                Run("xprop", {"-id", QString::number(window.winId()), "_NET_FRAME_EXTENTS"}).section('=', 1);
            const QStringList sides = text.split(',');
            if (sides.size() != 4 || sides[2].trimmed().toInt() <= 0) {
                return false;
            }
            const QMargins margins(sides[0].trimmed().toInt(), sides[2].trimmed().toInt(),
                                   sides[1].trimmed().toInt(), sides[3].trimmed().toInt());
            frame = window.geometry().marginsAdded(margins);
            return true;
        },
        15000);
    return frame;
}

// Runs a window modally; body runs inside its loop once the window is exposed, and must end it. A
// fatal failure in body ends the loop at once instead of at the test's time limit.
template <class Dialog> void RunModal(Dialog& dialog, const std::function<void()>& body) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
        struct EndOnFailure {
            Dialog& dialog;
            const bool& ran;
            ~EndOnFailure() {
                if (!ran || ::testing::Test::HasFatalFailure()) {
                    dialog.QDialog::done(QDialog::Rejected);
                }
            }
        } end{dialog, ran};
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        body();
        ran = true;
    });
    dialog.DoModal();
    EXPECT_TRUE(ran);
}

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != "xcb" || !qEnvironmentVariableIsSet("DISPLAY")) {
            GTEST_SKIP() << "needs an X server with a window manager (tests/desktop/run-on-desktop.sh)";
        }
    }

    void RunMainWindow(const std::function<void(CMainDlg&)>& body) {
        const auto dialog = test::MakeMainDlg(store).first;
        RunModal(*dialog, [&] {
            ASSERT_TRUE(Framed(*dialog));
            body(*dialog);
        });
    }

    test::TempDir dir;
    platform::ProfileStore store{dir / "Datemark.ini"};
};

} // namespace

TEST_F(DesktopTest, TheFirstStartShowsTheWholeFrameAtTheTopLeftAndAlwaysInFrontKeepsItAboveUntilUnticked) {
    RunMainWindow([&](CMainDlg& d) {
        const QRect area = d.screen()->availableGeometry();
        EXPECT_EQ(d.frameGeometry().topLeft(), area.topLeft());
        EXPECT_TRUE(area.contains(d.frameGeometry()));
        EXPECT_LT(d.frameGeometry().top(), d.geometry().top()); // a title bar above the client area
        const QPoint button = d.m_chkTopMost->mapToGlobal(d.m_chkTopMost->rect().center());
        ClickAt(button);
        EXPECT_TRUE(Until([&] { return WindowState(d).contains("_NET_WM_STATE_ABOVE"); }))
            << WindowState(d).toStdString();
        EXPECT_TRUE(d.isVisible());
        ClickAt(button);
        EXPECT_TRUE(Until([&] { return !WindowState(d).contains("_NET_WM_STATE_ABOVE"); }));
        // The loop still runs: a timer of the window's own fires and closes it.
        QTimer::singleShot(0, &d, [&d] {
            EXPECT_TRUE(d.isVisible());
            QTest::mouseClick(d.m_btnExit, Qt::LeftButton);
        });
    });
}

TEST_F(DesktopTest, ClickingAHeaderSortsTheRows) {
    test::WriteFile(dir / "big", std::string(9000, 'x'));
    test::WriteFile(dir / "small", "x");
    test::WriteFile(dir / "mid", std::string(3000, 'x'));
    RunMainWindow([&](CMainDlg& d) {
        d.AddPaths({dir / "big", dir / "small", dir / "mid"});
        QHeaderView* header = d.m_list->header();
        const QPoint size = header->viewport()->mapToGlobal(
            QPoint(header->sectionViewportPosition(1) + header->sectionSize(1) / 2, header->height() / 2));
        const auto names = [&] {
            return d.m_list->GetItemText(0, 0) + "," + d.m_list->GetItemText(1, 0) + "," +
                   d.m_list->GetItemText(2, 0);
        };
        EXPECT_EQ(names(), "big,mid,small");
        ClickAt(size);
        EXPECT_TRUE(Until([&] { return names() == "small,mid,big"; })) << names();
        EXPECT_EQ(d.m_list->Header()->ArrowColumn(), 1);
        ClickAt(size);
        EXPECT_TRUE(Until([&] { return names() == "big,mid,small"; })) << names();
        EXPECT_FALSE(d.m_list->Header()->ArrowAscending());
        d.OnExit();
    });
}

TEST_F(DesktopTest, TheResultsWindowMaximisesFromItsTitleBar) {
    CResultDlg dialog(store);
    dialog.m_text = std::string(500, 'x') + " - long line\n";
    RunModal(dialog, [&] {
        const QRect frame = FrameOf(dialog);
        ASSERT_FALSE(frame.isEmpty()) << "no frame drawn";
        const QSize edit = dialog.m_edit->size();
        // A double click on the title bar, as the window manager offers it.
        ClickAt(QPoint(frame.center().x(), (frame.top() + dialog.geometry().top()) / 2), 2);
        EXPECT_TRUE(Until([&] { return dialog.isMaximized(); }));
        EXPECT_TRUE(Until([&] { return dialog.m_edit->width() > edit.width() + 200; }));
        EXPECT_EQ(dialog.m_edit->width() - edit.width(), dialog.width() - dialog.minimumWidth());
        dialog.reject();
    });
}
