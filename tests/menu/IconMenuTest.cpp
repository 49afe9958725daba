#include "menu/IconMenu.h"

#include "menu/MenuTemplate.h"
#include "menu/SystemColors.h"
#include "res/Bitmaps.h"
#include "res/DialogTemplate.h"
#include "res/MenuResources.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <gtest/gtest.h>

#include <functional>
#include <span>

using namespace win32;
using platform::Rgb;

namespace {

// A menu in the classic grey scheme (face = menu: the classic style) or in one whose menu colour
// differs from the face colour (the flat style); the colours stay for the life of the object.
class Painted {
public:
    explicit Painted(bool flat, std::span<const uint8_t> bytes = MenuResource(IDR_CONTEXT_MENU)) {
        platform::SysColorTable t = platform::DefaultSysColors();
        t[color::Face3d] = Rgb(212, 208, 200);
        t[color::Menu] = flat ? Rgb(250, 250, 250) : Rgb(212, 208, 200);
        t[color::Highlight] = Rgb(10, 36, 106);
        t[color::HighlightText] = Rgb(255, 255, 254);
        t[color::MenuText] = Rgb(1, 2, 3);
        t[color::GrayText] = Rgb(128, 128, 129);
        t[color::BtnShadow] = Rgb(100, 100, 100);
        t[color::BtnHighlight] = Rgb(255, 255, 255);
        platform::SetSysColors(t);
        EXPECT_TRUE(menu.LoadTemplate(bytes));
    }
    ~Painted() { platform::SetSysColors(platform::DefaultSysColors()); }

    CIconMenu menu;
};

QColor Q(int r, int g, int b) {
    return QColor(r, g, b);
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
QImage Paint(const CIconMenu& menu, const MenuItem& record, unsigned state, int width = 160,
             int height = 19) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 255));
    {
        QPainter painter(&image);
        menu.DrawItem(painter, record, {0, 0, width, height}, state);
    }
    return image;
}

// How many pixels of the area of the image match.
int Count(const QImage& image, const QRect& area, const std::function<bool(const QColor&)>& match) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += match(image.pixelColor(x, y)) ? 1 : 0;
        }
    }
    return count;
}

std::string Words(const MenuItem& item) {
    return item.text().toStdString();
}

CIconMenu& Popup(CIconMenu& menu, int position = 0) {
    auto* popup = dynamic_cast<CIconMenu*>(menu.GetSubMenu(position));
    EXPECT_NE(popup, nullptr);
    return *popup;
}

} // namespace

TEST(IconMenu, LoadingMakesPlainTopLevelAndOwnerDrawnPopupItems) {
    CIconMenu menu;
    EXPECT_FALSE(menu.DestroyMenu()); // nothing to destroy yet
    EXPECT_FALSE(menu.Load(99));
    ASSERT_TRUE(menu.Load(IDR_CONTEXT_MENU));
    ASSERT_EQ(menu.GetMenuItemCount(), 1);
    EXPECT_EQ(menu.ItemAt(0)->flags, mf::ByPosition | mf::Popup); // plain: the toolkit paints it
    // Its words are what a right click shows (CommandsTest).
    CIconMenu& popup = Popup(menu);
    ASSERT_EQ(popup.GetMenuItemCount(), 8);
    for (int i = 0; i < popup.GetMenuItemCount(); ++i) {
        const MenuItem& item = *popup.ItemAt(i);
        const bool separator = popup.GetMenuItemID(i) == 0;
        EXPECT_EQ(Words(item).empty(), separator) << i;
        EXPECT_EQ(item.flags, separator ? mf::Separator | mf::OwnerDraw : mf::OwnerDraw) << i;
        EXPECT_EQ(item.imageSource, -1);
    }
    // By command, the search reaches into the popups.
    ASSERT_EQ(popup.GetMenuItemID(4), 1017U);
    EXPECT_EQ(menu.EnableMenuItem(1017, mf::Grayed), mf::Enabled);
    EXPECT_FALSE(popup.ItemAt(4)->isEnabled());
    EXPECT_EQ(menu.EnableMenuItem(1017, mf::Enabled), mf::Grayed);
    EXPECT_EQ(menu.EnableMenuItem(4242, mf::Grayed), kNoCommand);
    // Destroyed and loaded again at every right click: CommandsTest.
}

TEST(IconMenu, AnImageGoesToEveryItemWithTheCommand) {
    static constexpr MenuSource kItems[] = {
        {mf::Popup, 0, u8"One"}, {mf::End, 7, u8"Same"}, {mf::Popup | mf::End, 0, u8"Two"},
        {0, 8, u8"Other"},       {mf::End, 7, u8"Same"},
    };
    const CImageList images = SixImages();
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadTemplate(kMenuTemplate<kItems>));
    CIconMenu& two = Popup(menu, 1);
    EXPECT_TRUE(menu.ModifyOwnerDrawItemA(nullptr, 7, &images, 2));
    for (const MenuItem* same : {Popup(menu, 0).ItemAt(0), two.ItemAt(1)}) {
        EXPECT_EQ(Words(*same), "Same");
        EXPECT_EQ(same->imageSource, 0);
        EXPECT_EQ(same->imageIndex, 0);
        ASSERT_NE(same->images, nullptr);
        ASSERT_EQ(same->images->GetImageCount(), 1);
        EXPECT_EQ(same->images->Pixmap(0).toImage().pixelColor(5, 5), QColor(20, 200, 30));
    }
    EXPECT_EQ(two.ItemAt(0)->imageSource, -1);
    EXPECT_FALSE(menu.ModifyOwnerDrawItemA(nullptr, 4242, &images, 0)); // a command that is nowhere
}

// The bitmap path, which the program's own menus do not take: the image of a command is found
// through the toolbar with the bitmap's id, whose separators have no image.
TEST(IconMenu, ABitmapItemShowsItsToolbarButtonsImage) {
    CIconMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    menu.AppendOwnerDrawItem(u"Explorer", 0, idc::Explorer, idb::Toolbar);
    menu.AppendOwnerDrawItem(u"Missing", 0, idc::Update, 149);
    EXPECT_EQ(menu.ItemAt(0)->imageSource, idb::Toolbar);
    EXPECT_EQ(menu.ItemAt(0)->imageIndex, 4);
    ASSERT_NE(menu.ItemAt(0)->images, nullptr);
    EXPECT_EQ(menu.ItemAt(0)->images->GetImageCount(), 6);
    EXPECT_EQ(menu.ItemAt(1)->imageSource, -1);
    EXPECT_EQ(menu.ItemAt(1)->images, nullptr);
}

TEST(IconMenuDrawing, ClassicHighlightStartsAfterTheImageColumn) {
    Painted painted(false);
    const CImageList images = SixImages();
    painted.menu.ModifyOwnerDrawItemA(nullptr, 1020, &images, 5);
    const CIconMenu& popup = Popup(painted.menu);
    const MenuItem& update = *popup.ItemAt(0);

    const QImage plain = Paint(popup, update, 0);
    EXPECT_EQ(plain.pixelColor(80, 1), Q(212, 208, 200));
    EXPECT_EQ(plain.pixelColor(2 + 5, 0 + 2 + 5), QColor(50, 200, 30)); // image 5 at (L + 2, T + dy + 2)

    const QImage selected = Paint(popup, update, ods::Selected);
    EXPECT_EQ(selected.pixelColor(21, 10), Q(10, 36, 106)); // the bar from L + W + 5
    EXPECT_EQ(selected.pixelColor(159, 18), Q(10, 36, 106));
    EXPECT_EQ(selected.pixelColor(20, 10), Q(212, 208, 200)); // the image column keeps the face
    // The raised frame around the selected image: highlight top-left, shadow bottom-right.
    EXPECT_EQ(selected.pixelColor(0, 0), Q(255, 255, 255));
    EXPECT_EQ(selected.pixelColor(19, 18), Q(100, 100, 100));

    // Greyed and selected: the bar stays, the words turn the face colour.
    const QImage greyed = Paint(popup, update, ods::Selected | ods::Grayed);
    EXPECT_EQ(greyed.pixelColor(21, 10), Q(10, 36, 106));
    // On the dark bar, the words are the only light pixels.
    EXPECT_GT(Count(greyed, {25, 2, 35, 15}, [](const QColor& c) { return c.red() > 150; }), 10);
}

TEST(IconMenuDrawing, SeparatorsAreAnEtchedLineHalfWayDown) {
    {
        Painted painted(false);
        const CIconMenu& popup = Popup(painted.menu);
        const QImage image = Paint(popup, *popup.ItemAt(1), 0, 100, 9);
        EXPECT_EQ(image.pixelColor(50, 4), Q(100, 100, 100)); // shadow on top
        EXPECT_EQ(image.pixelColor(50, 5), Q(255, 255, 255)); // highlight under it
        EXPECT_EQ(image.pixelColor(50, 3), Q(212, 208, 200));
        EXPECT_EQ(image.pixelColor(0, 4), Q(100, 100, 100)); // across the whole width
    }
    // The flat style leaves the column and etches the rest.
    Painted painted(true);
    const CIconMenu& popup = Popup(painted.menu);
    const QImage image = Paint(popup, *popup.ItemAt(1), 0, 100, 9);
    EXPECT_EQ(image.pixelColor(5, 4), Q(212, 208, 200));
    EXPECT_EQ(image.pixelColor(25, 4), Q(100, 100, 100)); // from L + W + 9
    EXPECT_EQ(image.pixelColor(24, 4), Q(250, 250, 250));
    EXPECT_EQ(image.pixelColor(60, 5), Q(255, 255, 255));
}

TEST(IconMenuDrawing, FlatStyleTintsTheColumnAndFramesTheSelection) {
    Painted painted(true);
    const CImageList images = SixImages();
    painted.menu.ModifyOwnerDrawItemA(nullptr, 1015, &images, 0);
    const CIconMenu& popup = Popup(painted.menu);
    const MenuItem& add = *popup.ItemAt(2);

    const QImage plain = Paint(popup, add, 0);
    EXPECT_EQ(plain.pixelColor(10, 0), Q(212, 208, 200));  // the column
    EXPECT_EQ(plain.pixelColor(80, 10), Q(250, 250, 250)); // the background
    EXPECT_EQ(plain.pixelColor(20, 10), Q(212, 208, 200)); // the column ends before L + W + 5
    EXPECT_EQ(plain.pixelColor(21, 10), Q(250, 250, 250));

    const QImage selected = Paint(popup, add, ods::Selected);
    EXPECT_EQ(selected.pixelColor(80, 10), Q(181, 189, 210)); // the highlight lightened by 0.7
    EXPECT_EQ(selected.pixelColor(80, 0), Q(10, 36, 106));    // framed in the highlight colour
    EXPECT_EQ(selected.pixelColor(159, 10), Q(10, 36, 106));
    EXPECT_EQ(selected.pixelColor(3 + 5, 2 + 5), QColor(0, 200, 30)); // image at (L + 3, T + dy + 2)

    // A greyed item under the mouse is not highlighted, and its words are grey.
    const QImage greyed = Paint(popup, add, ods::Selected | ods::Grayed);
    EXPECT_EQ(greyed.pixelColor(80, 10), Q(250, 250, 250));
    EXPECT_GT(Count(greyed, {25, 2, 65, 15}, [](const QColor& c) { return c == Q(128, 128, 129); }), 0);
}

TEST(IconMenuDrawing, AcceleratorTextEndsSixteenPixelsBeforeTheRightEdge) {
    static constexpr MenuSource kItems[] = {{mf::Popup | mf::End, 0, u8"P"}, {mf::End, 1, u8"Go\tF5"}};
    Painted painted(false, kMenuTemplate<kItems>);
    const CIconMenu& popup = Popup(painted.menu);
    const QImage image = Paint(popup, *popup.ItemAt(0), 0, 200, 19);
    // The rightmost dark pixel lies within three pixels left of the 16 left free.
    const auto dark = [](const QColor& c) { return c.red() < 100; };
    EXPECT_EQ(Count(image, {200 - 16, 0, 16, 19}, dark), 0);
    EXPECT_GT(Count(image, {200 - 16 - 4, 0, 20, 19}, dark), 0);
}

TEST(IconMenuStyle, ItemsAreMeasuredByTheirWordsAndTheSlotAndPaintedByTheirOwner) {
    Painted painted(false);
    const CIconMenu& owner = Popup(painted.menu);
    const int line = platform::SystemMetric(sm::CyMenu);
    const QSize size = owner.MeasureItem(*owner.ItemAt(0));
    EXPECT_EQ(size.width(), QFontMetrics(CIconMenu::MenuFont()).horizontalAdvance("更新") + 33);
    EXPECT_EQ(size.height(), std::max(19, line));
    EXPECT_EQ(owner.MeasureItem(*owner.ItemAt(1)), QSize(0, line >> 1)); // a separator

    QMenu* popup = owner.Native();
    popup->ensurePolished();
    const QRect update = popup->actionGeometry(popup->actions().at(0));
    const QRect separator = popup->actionGeometry(popup->actions().at(1));
    EXPECT_EQ(update.height(), std::max(19, line));
    EXPECT_EQ(separator.height(), line >> 1);
    EXPECT_EQ(separator.width(), update.width());
    const QImage shot = popup->grab().toImage();
    EXPECT_EQ(shot.pixelColor(update.right() - 3, update.center().y()), Q(212, 208, 200));

    platform::SetSystemMetric(sm::CyMenu, 30);
    EXPECT_EQ(owner.MeasureItem(*owner.ItemAt(0)).height(), 30);
    platform::SetSystemMetric(sm::CyMenu, line);
}

TEST(IconMenuDrawing, AGreyedImageIsEmbossedNotASolidSquareInEitherStyle) {
    for (const bool flat : {false, true}) {
        Painted painted(flat);
        const CImageList images = SixImages();
        painted.menu.ModifyOwnerDrawItemA(nullptr, 1017, &images, 2);
        const CIconMenu& popup = Popup(painted.menu);
        const QImage image = Paint(popup, *popup.ItemAt(4), ods::Grayed);
        // The diagonal is drawn in the shadow colour with a highlight copy beside it; the rest of
        // the 16 x 15 slot at (2, 2) keeps the column colour.
        const QRect slot(2, 2, 16, 15);
        const int shadow = Count(image, slot, [](const QColor& c) { return c == Q(100, 100, 100); });
        EXPECT_GE(shadow, 10) << flat;
        EXPECT_LE(shadow, 16) << flat;
        EXPECT_GE(Count(image, slot, [](const QColor& c) { return c == Q(255, 255, 255); }), 1) << flat;
        EXPECT_GE(Count(image, slot, [](const QColor& c) { return c == Q(212, 208, 200); }), 16 * 15 - 40)
            << flat;
    }
}

TEST(SystemColors, ThePaletteDecidesTheStyle) {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(239, 239, 239));
    palette.setColor(QPalette::Button, QColor(239, 239, 239));
    palette.setColor(QPalette::Highlight, QColor(48, 140, 198));
    platform::SysColorTable t = SysColorsFromPalette(palette);
    EXPECT_EQ(t[color::Menu], t[color::Face3d]); // classic
    EXPECT_EQ(t[color::Highlight], Rgb(48, 140, 198));
    palette.setColor(QPalette::Window, QColor(255, 255, 255));
    t = SysColorsFromPalette(palette);
    EXPECT_EQ(t[color::Menu], Rgb(255, 255, 255)); // flat
    EXPECT_EQ(t[color::Face3d], Rgb(239, 239, 239));
}
