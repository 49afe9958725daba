#include "platform/Profile.h"
#include "platform/Win32Constants.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"
#include "ui/MainDlg.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <tuple>

namespace {

class SystemMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::tie(dialog, prompts) = test::MakeMainDlg(store);
        test::ShowAndSettle(*dialog);
    }

    std::vector<std::string> Seen(const std::function<void()>& trigger, const std::string& pick = {}) {
        return test::SeenMenu(trigger, pick).Words();
    }

    test::TempDir dir;
    platform::ProfileStore store{dir / "Datemark.ini"};
    test::FakePrompts* prompts = nullptr;
    std::unique_ptr<CMainDlg> dialog;
};

const std::vector<std::string> kItems = {
    "最小化(&N)", "閉じる(&C)\tAlt+F4", "-",         "バージョン情報 Datemark(&A)...", "最新ﾊﾞｰｼﾞｮﾝﾁｪｯｸ",
    "-",          "元に戻す",           "プレビュー"};

} // namespace

TEST_F(SystemMenuTest, AltSpaceOpensItARightClickOnAControlDoesNotAndAboutAndCloseWork) {
    EXPECT_EQ(Seen([&] { QTest::keyClick(dialog.get(), Qt::Key_Space, Qt::AltModifier); }), kItems);
    // A right click on the free background opens it too (CommandsTest picks from it so); one on a
    // control does not.
    const QPoint onButton = dialog->m_btnRefresh->geometry().center();
    QContextMenuEvent onControl(QContextMenuEvent::Mouse, onButton, dialog->mapToGlobal(onButton));
    EXPECT_TRUE(Seen([&] { QApplication::sendEvent(dialog.get(), &onControl); }).empty());

    const auto pick = [&](const std::string& entry) {
        Seen([&] { dialog->ShowSystemMenu(dialog->mapToGlobal(QPoint(0, 0))); }, entry);
        test::Settle();
    };
    pick("バージョン情報 Datemark(&A)...");
    EXPECT_EQ(prompts->abouts, 1);
    EXPECT_TRUE(dialog->isVisible());
    pick("閉じる(&C)\tAlt+F4");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), win32::id::Cancel);
}
