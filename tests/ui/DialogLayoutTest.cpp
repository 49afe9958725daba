#include "ui/DialogLayout.h"

#include "support/GuiTestSupport.h"

#include <QDialog>
#include <QLabel>
#include <gtest/gtest.h>

namespace {

class DialogLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialog.resize(400, 300);
        stretch = Child(10, 10, 200, 100);
        corner = Child(300, 250, 80, 20);
        bottom = Child(10, 250, 80, 20);
        still = Child(300, 10, 80, 20);
        test::ShowAndSettle(dialog);
        ASSERT_EQ(dialog.size(), QSize(400, 300));
        layout.Attach(&dialog);
        layout.AddControl(stretch, LAYOUT_SIZE_X | LAYOUT_SIZE_Y);
        layout.AddControl(corner, LAYOUT_MOVE_X | LAYOUT_MOVE_Y);
        layout.AddControl(bottom, LAYOUT_MOVE_Y);
    }

    QWidget* Child(int x, int y, int w, int h) {
        auto* child = new QLabel(&dialog);
        child->setGeometry(x, y, w, h);
        return child;
    }

    void Resize(int w, int h) {
        dialog.resize(w, h);
        test::Settle();
        layout.Relayout();
    }

    QDialog dialog;
    CDialogLayout layout;
    QWidget* stretch = nullptr;
    QWidget* corner = nullptr;
    QWidget* bottom = nullptr;
    QWidget* still = nullptr;
};

} // namespace

TEST_F(DialogLayoutTest, GrowthMovesAndStretchesEachAsItsFlagsSay) {
    Resize(500, 360);
    EXPECT_EQ(stretch->geometry(), QRect(10, 10, 300, 160));
    EXPECT_EQ(corner->geometry(), QRect(400, 310, 80, 20));
    EXPECT_EQ(bottom->geometry(), QRect(10, 310, 80, 20));
    EXPECT_EQ(still->geometry(), QRect(300, 10, 80, 20));
    Resize(400, 300);
    EXPECT_EQ(stretch->geometry(), QRect(10, 10, 200, 100));
    EXPECT_EQ(corner->geometry(), QRect(300, 250, 80, 20));
}

TEST_F(DialogLayoutTest, BelowTheBaseNothingMovesAndComingBackCountsOnlyTheExcess) {
    for (const QSize size : {QSize(350, 200), QSize(250, 280), QSize(700, 100), QSize(390, 290)}) {
        Resize(size.width(), size.height());
    }
    EXPECT_EQ(corner->geometry().topLeft(), QPoint(300, 250));
    Resize(410, 310);
    EXPECT_EQ(corner->geometry(), QRect(310, 260, 80, 20));
    EXPECT_EQ(stretch->geometry(), QRect(10, 10, 210, 110));
}

TEST(DialogLayout, NothingRegisteredBeforeAttach) {
    QDialog dialog;
    QLabel child(&dialog);
    CDialogLayout layout;
    EXPECT_EQ(layout.AddControl(&child, LAYOUT_MOVE_X), 0);
    layout.Relayout(); // no parent yet: nothing happens
    layout.Attach(&dialog);
    EXPECT_EQ(layout.AddControl(nullptr, LAYOUT_MOVE_X), 0);
    EXPECT_EQ(layout.AddControl(&child, LAYOUT_MOVE_X), 1);
    child.setProperty("dialogId", 77);
    EXPECT_EQ(layout.AddControl(77, LAYOUT_MOVE_Y), 1);
    EXPECT_EQ(layout.AddControl(78, LAYOUT_MOVE_Y), 0);
}
