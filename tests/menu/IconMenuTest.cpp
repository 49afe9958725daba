#include "menu/IconMenu.h"

#include "menu/MenuStyle.h"
#include "menu/SystemColors.h"
#include "res/MenuResources.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <gtest/gtest.h>

namespace {

// The classic grey scheme (face = menu: the classic style) or one whose menu colour differs from
// the face colour (the flat style), for the life of the object.
class ScopedColors {
public:
    explicit ScopedColors(bool flat) {
        platform::SysColorTable t = platform::DefaultSysColors();
        t[COLOR_3DFACE] = RGB(212, 208, 200);
        t[COLOR_MENU] = flat ? RGB(250, 250, 250) : RGB(212, 208, 200);
        t[COLOR_HIGHLIGHT] = RGB(10, 36, 106);
        t[COLOR_HIGHLIGHTTEXT] = RGB(255, 255, 254);
        t[COLOR_MENUTEXT] = RGB(1, 2, 3);
        t[COLOR_GRAYTEXT] = RGB(128, 128, 129);
        t[COLOR_BTNSHADOW] = RGB(100, 100, 100);
        t[COLOR_BTNHIGHLIGHT] = RGB(255, 255, 255);
        t[COLOR_3DLIGHT] = RGB(230, 230, 230);
        platform::SetSysColors(t);
    }
    ~ScopedColors() { platform::SetSysColors(platform::DefaultSysColors()); }
    ScopedColors(const ScopedColors&) = delete;
    ScopedColors& operator=(const ScopedColors&) = delete;
};

QColor Q(COLORREF c) {
    return ToQColor(c);
}

CImageList SixImages() {
    CImageList list;
    list.Create(16, 16);
    for (int i = 0; i < 6; ++i) {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        for (int p = 2; p < 14; ++p) {
            image.setPixelColor(p, p, QColor(10 * i, 200, 30)); // a diagonal, a different green each
        }
        list.AddImage(QPixmap::fromImage(image));
    }
    return list;
}

// Paints one record into a fresh image and returns the image.
QImage Paint(CIconMenu& menu, const IconMenuItem& record, unsigned state, int width = 160, int height = 19) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 255));
    {
        QPainter painter(&image);
        CDC dc(painter);
        DRAWITEMSTRUCT draw;
        draw.itemState = state;
        draw.hDC = &dc;
        draw.rcItem = {0, 0, width, height};
        draw.itemData = &record;
        menu.DrawItem(draw);
    }
    return image;
}

} // namespace

TEST(IconMenu, LoadingMakesPlainTopLevelAndOwnerDrawnPopupItems) {
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_CONTEXT_MENU));
    ASSERT_EQ(menu.GetMenuItemCount(), 1);
    ASSERT_EQ(menu.Items().size(), 1U);
    EXPECT_EQ(menu.Items()[0]->flags, MF_BYPOSITION | MF_POPUP);
    EXPECT_FALSE(menu.ActionAt(0)->data().isValid()); // plain: nothing paints it but the toolkit
    EXPECT_EQ(menu.ActionAt(0)->text(), "右クリック");
    auto* popup = dynamic_cast<CIconMenu*>(menu.GetSubMenu(0));
    ASSERT_NE(popup, nullptr);
    const std::vector<std::pair<unsigned, std::string>> expected = {
        {1020, "更新"}, {0, ""}, {1015, "ﾌｧｲﾙ追加"},        {1016, "ﾌｫﾙﾀﾞ追加"},
        {1017, "削除"}, {0, ""}, {32771, "エクスプローラ"}, {32772, "プロパティ"}};
    ASSERT_EQ(popup->GetMenuItemCount(), static_cast<int>(expected.size()));
    ASSERT_EQ(popup->Items().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const IconMenuItem& record = *popup->Items()[i];
        EXPECT_EQ(popup->GetMenuItemID(static_cast<int>(i)), expected[i].first) << i;
        EXPECT_EQ(record.GetText(), expected[i].second) << i;
        EXPECT_TRUE(record.text.has_value()) << i; // separators have an empty text, not none
        EXPECT_EQ(record.flags, expected[i].first == 0 ? MF_SEPARATOR | MF_OWNERDRAW : MF_OWNERDRAW) << i;
        EXPECT_EQ(record.imageSource, -1);
        EXPECT_EQ(popup->ActionAt(static_cast<int>(i))->data().value<quintptr>(),
                  reinterpret_cast<quintptr>(&record));
    }
    // Loading again needs the menu destroyed first.
    EXPECT_FALSE(menu.LoadMenu(IDR_CONTEXT_MENU));
    EXPECT_TRUE(menu.DestroyMenu());
    EXPECT_TRUE(menu.LoadMenu(IDR_CONTEXT_MENU));
    EXPECT_FALSE(menu.LoadMenu(99));
}

TEST(IconMenu, DestroyingAnEmptyMenuChangesNothing) {
    CIconMenu menu;
    EXPECT_FALSE(menu.DestroyMenu());
    ASSERT_TRUE(menu.LoadMenu(IDR_CONTEXT_MENU));
    HMENU popup = menu.GetSubMenu(0)->m_hMenu;
    EXPECT_NE(CMenu::FromHandle(popup), nullptr);
    EXPECT_TRUE(menu.DestroyMenu());
    EXPECT_EQ(CMenu::FromHandle(popup), nullptr); // the popup object went with it
    EXPECT_TRUE(menu.Items().empty());
    EXPECT_FALSE(menu.DestroyMenu());
}

TEST(IconMenu, ImagesAttachByCommandKeepingOrReplacingTheText) {
    const CImageList images = SixImages();
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_CONTEXT_MENU));
    auto* popup = dynamic_cast<CIconMenu*>(menu.GetSubMenu(0));
    EXPECT_TRUE(menu.ModifyOwnerDrawItemA(nullptr, 1017, &images, 2));
    const IconMenuItem& del = *popup->Items()[4];
    EXPECT_EQ(del.GetText(), "削除");
    EXPECT_EQ(del.imageSource, 0);
    EXPECT_EQ(del.imageIndex, 0);
    ASSERT_NE(del.images, nullptr);
    ASSERT_EQ(del.images->GetImageCount(), 1);
    EXPECT_EQ(del.images->Pixmap(0).toImage().pixelColor(5, 5), QColor(20, 200, 30));
    EXPECT_EQ(popup->ActionAt(4)->data().value<quintptr>(), reinterpret_cast<quintptr>(&del));

    EXPECT_TRUE(menu.ModifyOwnerDrawItemA("消す", 1017, nullptr, 0));
    EXPECT_EQ(del.GetText(), "消す");
    EXPECT_EQ(del.imageSource, -1);
    EXPECT_EQ(popup->ActionAt(4)->text(), "消す");

    // A command that is nowhere: a record nobody shows, and FALSE.
    const size_t before = menu.Items().size();
    EXPECT_FALSE(menu.ModifyOwnerDrawItemA(nullptr, 4242, &images, 0));
    EXPECT_EQ(menu.Items().size(), before + 1);
}

TEST(IconMenu, ACommandInTwoPopupsGetsTheImageInBoth) {
    const std::vector<MenuTemplateItem> items = {
        {MF_POPUP, 0, u"One"}, {MF_END, 7, u"Same"}, {MF_POPUP | MF_END, 0, u"Two"},
        {0, 8, u"Other"},      {MF_END, 7, u"Same"},
    };
    const CImageList images = SixImages();
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadMenuTemplate(BuildMenuTemplate(items)));
    EXPECT_TRUE(menu.ModifyOwnerDrawItemA(nullptr, 7, &images, 3));
    auto* one = dynamic_cast<CIconMenu*>(menu.GetSubMenu(0));
    auto* two = dynamic_cast<CIconMenu*>(menu.GetSubMenu(1));
    ASSERT_TRUE(one != nullptr && two != nullptr);
    EXPECT_EQ(one->Items()[0]->imageSource, 0);
    EXPECT_EQ(two->Items()[1]->imageSource, 0);
    EXPECT_EQ(two->Items()[0]->imageSource, -1);
    int position = -1;
    EXPECT_EQ(menu.FindCommand(7, position), one);
    EXPECT_EQ(position, 0);
    std::vector<CIconMenu*> menus{one};
    std::vector<int> positions{0};
    EXPECT_EQ(menu.FindNextCommand(7, position, menus, positions), two);
    EXPECT_EQ(position, 1);
    EXPECT_EQ(menu.FindCommand(99, position), nullptr);
    EXPECT_EQ(position, -1);
}

TEST(IconMenu, AcceleratorsLineUpAfterTheWidestWords) {
    const std::vector<MenuTemplateItem> items = {
        {MF_POPUP | MF_END, 0, u"Edit"},
        {0, 1, u"Cut\tCtrl+X"},
        {0, 2, u"Select everything\tCtrl+A"},
        {MF_END, 3, u"Plain"},
    };
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadMenuTemplate(BuildMenuTemplate(items)));
    const auto* popup = dynamic_cast<CIconMenu*>(menu.GetSubMenu(0));
    const QFontMetrics metrics(CIconMenu::MenuFont());
    const std::string cut = popup->Items()[0]->GetText();
    const std::string all = popup->Items()[1]->GetText();
    EXPECT_EQ(popup->Items()[2]->GetText(), "Plain");
    const int widest = metrics.horizontalAdvance("Select everything ");
    const int cutLeft = metrics.horizontalAdvance(QString::fromStdString(cut.substr(0, cut.find('\t'))));
    const int allLeft = metrics.horizontalAdvance(QString::fromStdString(all.substr(0, all.find('\t'))));
    EXPECT_GE(cutLeft, widest);
    EXPECT_LT(cutLeft, widest + metrics.horizontalAdvance(" "));
    EXPECT_GE(allLeft, widest);
    EXPECT_EQ(cut.substr(cut.find('\t')), "\tCtrl+X");
}

TEST(IconMenu, MeasuringFollowsTheTextAndTheSlot) {
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_CONTEXT_MENU));
    auto* popup = dynamic_cast<CIconMenu*>(menu.GetSubMenu(0));
    MEASUREITEMSTRUCT measure;
    measure.itemData = popup->Items()[0].get();
    popup->MeasureItem(measure);
    EXPECT_EQ(measure.itemWidth,
              static_cast<unsigned>(QFontMetrics(CIconMenu::MenuFont()).horizontalAdvance("更新") + 33));
    EXPECT_EQ(measure.itemHeight, std::max(19U, static_cast<unsigned>(GetSystemMetrics(SM_CYMENU))));
    measure.itemData = popup->Items()[1].get(); // a separator
    popup->MeasureItem(measure);
    EXPECT_EQ(measure.itemWidth, 0U);
    EXPECT_EQ(measure.itemHeight, static_cast<unsigned>(GetSystemMetrics(SM_CYMENU) >> 1));
    platform::SetSystemMetric(SM_CYMENU, 30);
    measure.itemData = popup->Items()[0].get();
    popup->MeasureItem(measure);
    EXPECT_EQ(measure.itemHeight, 30U);
    platform::SetSystemMetric(SM_CYMENU, 0);
}

TEST(IconMenuDrawing, ClassicHighlightStartsAfterTheImageColumn) {
    const ScopedColors colors(false);
    const CImageList images = SixImages();
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_CONTEXT_MENU));
    menu.ModifyOwnerDrawItemA(nullptr, 1020, &images, 5);
    auto* popup = dynamic_cast<CIconMenu*>(menu.GetSubMenu(0));
    const IconMenuItem& update = *popup->Items()[0];

    const QImage plain = Paint(*popup, update, 0);
    EXPECT_EQ(plain.pixelColor(80, 1), Q(RGB(212, 208, 200)));
    EXPECT_EQ(plain.pixelColor(2 + 5, 0 + 2 + 5), QColor(50, 200, 30)); // image 5 at (L + 2, T + dy + 2)

    const QImage selected = Paint(*popup, update, ODS_SELECTED);
    EXPECT_EQ(selected.pixelColor(21, 10), Q(RGB(10, 36, 106))); // the bar from L + W + 5
    EXPECT_EQ(selected.pixelColor(159, 18), Q(RGB(10, 36, 106)));
    EXPECT_EQ(selected.pixelColor(20, 10), Q(RGB(212, 208, 200))); // the image column keeps the face
    // The raised frame around the selected image: highlight top-left, shadow bottom-right.
    EXPECT_EQ(selected.pixelColor(0, 0), Q(RGB(255, 255, 255)));
    EXPECT_EQ(selected.pixelColor(19, 18), Q(RGB(100, 100, 100)));

    // Greyed and selected: the bar stays, the words turn the face colour.
    const QImage greyed = Paint(*popup, update, ODS_SELECTED | ODS_GRAYED);
    EXPECT_EQ(greyed.pixelColor(21, 10), Q(RGB(10, 36, 106)));
    // On the dark bar, the words are the only light pixels.
    int light = 0;
    for (int x = 25; x < 60; ++x) {
        for (int y = 2; y < 17; ++y) {
            light += greyed.pixelColor(x, y).red() > 150 ? 1 : 0;
        }
    }
    EXPECT_GT(light, 10);
}

TEST(IconMenuDrawing, ClassicSeparatorIsAnEtchedLineHalfWayDown) {
    const ScopedColors colors(false);
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_CONTEXT_MENU));
    auto* popup = dynamic_cast<CIconMenu*>(menu.GetSubMenu(0));
    const QImage image = Paint(*popup, *popup->Items()[1], 0, 100, 9);
    EXPECT_EQ(image.pixelColor(50, 4), Q(RGB(100, 100, 100))); // shadow on top
    EXPECT_EQ(image.pixelColor(50, 5), Q(RGB(255, 255, 255))); // highlight under it
    EXPECT_EQ(image.pixelColor(50, 3), Q(RGB(212, 208, 200)));
    EXPECT_EQ(image.pixelColor(0, 4), Q(RGB(100, 100, 100))); // across the whole width
}

TEST(IconMenuDrawing, FlatStyleTintsTheColumnAndFramesTheSelection) {
    const ScopedColors colors(true);
    const CImageList images = SixImages();
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_CONTEXT_MENU));
    menu.ModifyOwnerDrawItemA(nullptr, 1015, &images, 0);
    auto* popup = dynamic_cast<CIconMenu*>(menu.GetSubMenu(0));
    const IconMenuItem& add = *popup->Items()[2];

    const QImage plain = Paint(*popup, add, 0);
    EXPECT_EQ(plain.pixelColor(10, 0), Q(RGB(212, 208, 200)));  // the column
    EXPECT_EQ(plain.pixelColor(80, 10), Q(RGB(250, 250, 250))); // the background
    EXPECT_EQ(plain.pixelColor(20, 10), Q(RGB(212, 208, 200))); // the column ends before L + W + 5
    EXPECT_EQ(plain.pixelColor(21, 10), Q(RGB(250, 250, 250)));

    const QImage selected = Paint(*popup, add, ODS_SELECTED);
    const COLORREF light = LightenColor(RGB(10, 36, 106), 0.7);
    EXPECT_EQ(selected.pixelColor(80, 10), Q(light));
    EXPECT_EQ(selected.pixelColor(80, 0), Q(RGB(10, 36, 106))); // framed in the highlight colour
    EXPECT_EQ(selected.pixelColor(159, 10), Q(RGB(10, 36, 106)));
    EXPECT_EQ(selected.pixelColor(3 + 5, 2 + 5), QColor(0, 200, 30)); // image at (L + 3, T + dy + 2)

    // A greyed item under the mouse is not highlighted, and its words are grey.
    const QImage greyed = Paint(*popup, add, ODS_SELECTED | ODS_GRAYED);
    EXPECT_EQ(greyed.pixelColor(80, 10), Q(RGB(250, 250, 250)));
    bool grey = false;
    for (int x = 25; x < 90; ++x) {
        for (int y = 2; y < 17; ++y) {
            grey |= greyed.pixelColor(x, y) == Q(RGB(128, 128, 129));
        }
    }
    EXPECT_TRUE(grey);
}

TEST(IconMenuDrawing, FlatSeparatorLeavesTheColumnAndEtchesTheRest) {
    const ScopedColors colors(true);
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_CONTEXT_MENU));
    auto* popup = dynamic_cast<CIconMenu*>(menu.GetSubMenu(0));
    const QImage image = Paint(*popup, *popup->Items()[1], 0, 100, 9);
    EXPECT_EQ(image.pixelColor(5, 4), Q(RGB(212, 208, 200)));
    EXPECT_EQ(image.pixelColor(25, 4), Q(RGB(100, 100, 100))); // from L + W + 9
    EXPECT_EQ(image.pixelColor(24, 4), Q(RGB(250, 250, 250)));
    EXPECT_EQ(image.pixelColor(60, 5), Q(RGB(255, 255, 255)));
}

TEST(IconMenuDrawing, CheckMarkHasSevenThreePixelStrokes) {
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        CDC dc(painter);
        CIconMenu::DrawCheckMark(&dc, 4, 4, RGB(0, 0, 0));
    }
    for (int i = 0; i < 7; ++i) {
        const int s = kCheckMarkOffsets[i];
        for (int y = 0; y < 20; ++y) {
            const bool inStroke = y >= 4 + s && y < 4 + s + 3;
            EXPECT_EQ(image.pixelColor(4 + i, y) == QColor(Qt::black), inStroke) << i << "," << y;
        }
    }
    EXPECT_EQ(image.pixelColor(3, 7), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(11, 4), QColor(Qt::white));
}

TEST(IconMenuDrawing, AcceleratorTextEndsSixteenPixelsBeforeTheRightEdge) {
    const ScopedColors colors(false);
    const std::vector<MenuTemplateItem> items = {{MF_POPUP | MF_END, 0, u"P"}, {MF_END, 1, u"Go\tF5"}};
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadMenuTemplate(BuildMenuTemplate(items)));
    auto* popup = dynamic_cast<CIconMenu*>(menu.GetSubMenu(0));
    const QImage image = Paint(*popup, *popup->Items()[0], 0, 200, 19);
    int rightmost = -1;
    for (int x = 0; x < 200; ++x) {
        for (int y = 0; y < 19; ++y) {
            if (image.pixelColor(x, y).red() < 100) {
                rightmost = x;
            }
        }
    }
    EXPECT_LE(rightmost, 200 - 16 - 1);
    EXPECT_GE(rightmost, 200 - 16 - 4);
}

TEST(IconMenuStyle, MenusAreMeasuredAndPaintedByTheirOwner) {
    const ScopedColors colors(false);
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_CONTEXT_MENU));
    CMenu* popup = menu.GetSubMenu(0);
    ASSERT_EQ(popup->m_hMenu->style(), IconMenuStyle::Instance());
    popup->m_hMenu->ensurePolished();
    const QRect update = popup->m_hMenu->actionGeometry(popup->ActionAt(0));
    const QRect separator = popup->m_hMenu->actionGeometry(popup->ActionAt(1));
    EXPECT_EQ(update.height(), std::max(19, GetSystemMetrics(SM_CYMENU)));
    EXPECT_EQ(separator.height(), GetSystemMetrics(SM_CYMENU) >> 1);
    EXPECT_EQ(separator.width(), update.width());
    const QImage shot = popup->m_hMenu->grab().toImage();
    EXPECT_EQ(shot.pixelColor(update.right() - 3, update.center().y()), Q(RGB(212, 208, 200)));
}

TEST(IconMenuDrawing, AGreyedImageIsEmbossedNotASolidSquareInEitherStyle) {
    for (const bool flat : {false, true}) {
        const ScopedColors colors(flat);
        const CImageList images = SixImages();
        CIconMenu menu;
        ASSERT_TRUE(menu.LoadMenu(IDR_CONTEXT_MENU));
        menu.ModifyOwnerDrawItemA(nullptr, 1017, &images, 2);
        auto* popup = dynamic_cast<CIconMenu*>(menu.GetSubMenu(0));
        const QImage image = Paint(*popup, *popup->Items()[4], ODS_GRAYED);
        // The diagonal is drawn in the shadow colour with a highlight copy beside it; the rest of
        // the 16 x 15 slot at (2, 2) keeps the column colour.
        int shadow = 0;
        int highlight = 0;
        int column = 0;
        for (int y = 2; y < 2 + 15; ++y) {
            for (int x = 2; x < 2 + 16; ++x) {
                const QColor c = image.pixelColor(x, y);
                shadow += c == Q(RGB(100, 100, 100)) ? 1 : 0;
                highlight += c == Q(RGB(255, 255, 255)) ? 1 : 0;
                column += c == Q(RGB(212, 208, 200)) ? 1 : 0;
            }
        }
        EXPECT_GE(shadow, 10) << flat;
        EXPECT_LE(shadow, 16) << flat;
        EXPECT_GE(highlight, 1) << flat;
        EXPECT_GE(column, 16 * 15 - 40) << flat;
    }
}

TEST(SystemColors, ThePaletteDecidesTheStyle) {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(239, 239, 239));
    palette.setColor(QPalette::Button, QColor(239, 239, 239));
    palette.setColor(QPalette::Highlight, QColor(48, 140, 198));
    platform::SysColorTable t = SysColorsFromPalette(palette);
    EXPECT_EQ(t[COLOR_MENU], t[COLOR_3DFACE]); // classic
    EXPECT_EQ(t[COLOR_HIGHLIGHT], RGB(48, 140, 198));
    palette.setColor(QPalette::Window, QColor(255, 255, 255));
    t = SysColorsFromPalette(palette);
    EXPECT_NE(t[COLOR_MENU], t[COLOR_3DFACE]); // flat
    EXPECT_EQ(t[COLOR_MENU], RGB(255, 255, 255));
    EXPECT_EQ(t[COLOR_3DFACE], RGB(239, 239, 239));
}
