#include "res/DialogBuilder.h"

#include "res/ImageList.h"

#include <QDateEdit>
#include <QDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(DialogUnits, FollowTheFontAsWindowsMeasuresIt) {
    QFont font("IPAPGothic");
    font.setPixelSize(12);
    const DialogUnits units = DialogUnits::ForFont(font);
    EXPECT_GE(units.baseX, 5);
    EXPECT_LE(units.baseX, 8);
    const DialogUnits fixed{7, 16};
    EXPECT_EQ(fixed.Rect(4, 8, 8, 16), QRect(7, 16, 14, 32));
    EXPECT_EQ(fixed.X(51), 89); // rounded as MulDiv rounds
}

TEST(DialogBuilder, MakesEveryControlOfTheMainWindowInPlace) {
    QDialog dialog;
    const DialogTemplate& t = MainDialogTemplate();
    const DialogControls c = DialogBuilder::Build(dialog, t);
    const DialogUnits units = DialogUnits::ForFont(dialog.font());
    EXPECT_EQ(dialog.size(), QSize(units.X(t.cx), units.Y(t.cy)));
    EXPECT_EQ(dialog.windowTitle(), "Datemark");
    EXPECT_TRUE(QFontInfo(dialog.font()).family().contains("Gothic") ||
                QFontInfo(dialog.font()).family().contains("CJK"));
    for (const ControlTemplate& ct : t.controls) {
        if (ct.id < 0) {
            continue;
        }
        ASSERT_NE(c.Item(ct.id), nullptr) << ct.id;
        EXPECT_EQ(c.Item(ct.id)->geometry(), units.Rect(ct.x, ct.y, ct.cx, ct.cy)) << ct.id;
    }
    EXPECT_TRUE(c.Get<QDateEdit>(1002)->calendarPopup());
    EXPECT_EQ(c.Get<QDateEdit>(1005)->minimumDate(), QDate(1601, 1, 1)); // the earliest file time
    EXPECT_TRUE(c.Get<QPushButton>(1020)->isDefault());
    EXPECT_FALSE(c.Get<QPushButton>(1021)->isDefault());
    EXPECT_TRUE(c.Get<QPushButton>(1026)->isCheckable());
    EXPECT_EQ(c.Item(9999), nullptr);
}

namespace {

// Where Tab goes from a control: the next one in the focus chain that takes focus by Tab,
// passing over the inner parts of composite controls.
QWidget* NextTab(QWidget* from) {
    for (QWidget* w = from->nextInFocusChain(); w != from; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) != 0 && !from->isAncestorOf(w) && w->focusProxy() == nullptr) {
            return w;
        }
    }
    return nullptr;
}

} // namespace

TEST(DialogBuilder, TabOrderFollowsTheTemplateAndFramesStayOutOfTheWay) {
    QDialog dialog;
    const DialogControls c = DialogBuilder::Build(dialog, MainDialogTemplate());
    EXPECT_EQ(NextTab(c.Item(1001)), c.Item(1002));
    EXPECT_EQ(NextTab(c.Item(1003)), c.Item(1004));
    EXPECT_EQ(NextTab(c.Item(1013)), c.Item(1007));
    EXPECT_EQ(NextTab(c.Item(1019)), c.Item(1020));
    EXPECT_EQ(c.Item(1026)->focusPolicy(), Qt::ClickFocus); // no tab stop
    for (QGroupBox* group : dialog.findChildren<QGroupBox*>()) {
        EXPECT_TRUE(group->testAttribute(Qt::WA_TransparentForMouseEvents));
        EXPECT_EQ(group->focusPolicy(), Qt::NoFocus);
        // Below every control it frames.
        EXPECT_LT(dialog.children().indexOf(group), dialog.children().indexOf(c.Item(1001)));
    }
}

TEST(ImageList, TheMaskColourBecomesTransparent) {
    CImageList faces;
    ASSERT_TRUE(faces.Create(":/images/face136.png", 85, QColor(255, 0, 0)));
    ASSERT_EQ(faces.GetImageCount(), 1);
    EXPECT_EQ(faces.ImageSize(), QSize(85, 18));
    const QImage face = faces.Pixmap(0).toImage();
    const QImage file(":/images/face136.png");
    for (int y = 0; y < file.height(); ++y) {
        for (int x = 0; x < file.width(); ++x) {
            const bool red = (file.pixel(x, y) & 0xFFFFFF) == 0xFF0000;
            EXPECT_EQ(qAlpha(face.pixel(x, y)) == 0, red) << x << "," << y;
        }
    }

    CImageList arrows;
    ASSERT_TRUE(arrows.Create(":/images/arrows141.png", 5, QColor(255, 255, 255)));
    ASSERT_EQ(arrows.GetImageCount(), 2);
    EXPECT_EQ(arrows.ImageSize(), QSize(5, 13));
    EXPECT_EQ(qAlpha(arrows.Pixmap(0).toImage().pixel(0, 0)), 0);

    CImageList menu;
    for (int id = 130; id <= 135; ++id) {
        ASSERT_TRUE(menu.Append(QString(":/images/menu%1.png").arg(id), 16, QColor(255, 0, 0)));
    }
    EXPECT_EQ(menu.GetImageCount(), 6);
    EXPECT_FALSE(menu.Create(":/images/missing.png", 16, QColor(255, 0, 0)));
    EXPECT_EQ(menu.GetImageCount(), 0);
}
