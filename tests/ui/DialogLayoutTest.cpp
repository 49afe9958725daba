#include "ui/DialogLayout.h"

#include "support/GuiTestSupport.h"

#include <QDialog>
#include <QLabel>
#include <gtest/gtest.h>

// How each flag moves a control is MainDlgTest's, on the real window; here, sizes below the one
// the layout was attached at, which that window does not allow.
TEST(DialogLayout, BelowTheBaseNothingMovesAndComingBackCountsOnlyTheExcess) {
    QDialog dialog;
    dialog.resize(400, 300);
    auto* stretch = new QLabel(&dialog);
    stretch->setGeometry(10, 10, 200, 100);
    auto* corner = new QLabel(&dialog);
    corner->setGeometry(300, 250, 80, 20);
    test::ShowAndSettle(dialog);
    ASSERT_EQ(dialog.size(), QSize(400, 300));
    CDialogLayout layout;
    layout.Attach(&dialog);
    layout.AddControl(stretch, LAYOUT_SIZE_X | LAYOUT_SIZE_Y);
    layout.AddControl(corner, LAYOUT_MOVE_X | LAYOUT_MOVE_Y);
    for (const QSize size :
         {QSize(350, 200), QSize(250, 280), QSize(700, 100), QSize(390, 290), QSize(410, 310)}) {
        dialog.resize(size);
        test::Settle();
        layout.Relayout();
        if (size.width() < 400) {
            EXPECT_EQ(corner->geometry().topLeft(), QPoint(300, 250));
        }
    }
    EXPECT_EQ(corner->geometry(), QRect(310, 260, 80, 20));
    EXPECT_EQ(stretch->geometry(), QRect(10, 10, 210, 110));
}
