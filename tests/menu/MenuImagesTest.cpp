#include "menu/MenuImages.h"

#include "menu/SystemColors.h"
#include "res/Bitmaps.h"
#include "res/ImageList.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

using namespace win32;
using platform::Rgb;

namespace {

constexpr uint32_t kText = Rgb(10, 20, 30);
constexpr uint32_t kShadow = Rgb(40, 50, 60);
constexpr uint32_t kFace = Rgb(70, 80, 90);
constexpr uint32_t kHighlight = Rgb(200, 210, 220);
constexpr uint32_t kMenu = Rgb(1, 130, 2);

constexpr uint32_t kBlack = Rgb(0, 0, 0);
constexpr uint32_t kGrey = Rgb(128, 128, 128);
constexpr uint32_t kSilver = Rgb(192, 192, 192);
constexpr uint32_t kWhite = Rgb(255, 255, 255);

uint32_t ColorAt(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

QImage ImageOf(const CImageList& list, int index) {
    return list.Pixmap(index).toImage().convertToFormat(QImage::Format_ARGB32);
}

// A bitmap resource decoded as it is, to compare the loaded pictures with.
QImage Plain(int id) {
    const QImage image = QImage::fromData(LoadBitmapResource(id), "BMP");
    EXPECT_FALSE(image.isNull()) << id;
    return image.convertToFormat(QImage::Format_RGB32);
}

// Every test starts from and leaves the classic colours.
class MenuImages : public ::testing::Test {
protected:
    void SetUp() override { platform::SetSysColors(platform::DefaultSysColors()); }
    void TearDown() override { platform::SetSysColors(platform::DefaultSysColors()); }

    // Button and menu colours unlike the classic greys and unlike each other; the button text
    // and highlight as given.
    static void UseTestColors(uint32_t text = kText, uint32_t shadow = kShadow,
                              uint32_t highlight = kHighlight) {
        platform::SysColorTable t = platform::DefaultSysColors();
        t[color::BtnText] = text;
        t[color::BtnShadow] = shadow;
        t[color::BtnFace] = kFace;
        t[color::BtnHighlight] = highlight;
        t[color::Menu] = kMenu;
        platform::SetSysColors(t);
    }
};

// Six 16 × 16 images, each one colour with its index drawn as a column of dark pixels, the
// rest of the top row transparent.
CImageList SixImages() {
    CImageList list;
    list.Create(16, 16);
    for (int i = 0; i < 6; ++i) {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(QColor(40 * i, 255 - 40 * i, 100));
        for (int x = 0; x < 16; ++x) {
            image.setPixel(x, 0, 0);
        }
        for (int y = 0; y <= i; ++y) {
            image.setPixel(i + 3, y + 2, qRgb(0, 0, 0));
        }
        EXPECT_EQ(list.AddImage(QPixmap::fromImage(image)), i);
    }
    return list;
}

} // namespace

TEST_F(MenuImages, ACopyHoldsOnlyTheChosenImageAtTheSourceSizeAndRefusalsChangeNothing) {
    CImageList source = SixImages();
    CImageList target;
    target.Create(16, 15);
    ASSERT_TRUE(AddBitmapImages(&target, idb::Commands));
    const QImage before = ImageOf(target, 1);
    const CImageList empty;
    for (const auto& [from, index] : std::initializer_list<std::pair<const CImageList*, int>>{
             {&source, -1}, {&source, 6}, {&source, 1000}, {nullptr, 0}, {&empty, 0}}) {
        EXPECT_FALSE(CopyListImage(from, index, &target)) << index;
    }
    EXPECT_FALSE(CopyListImage(&source, 0, nullptr));
    ASSERT_EQ(target.GetImageCount(), 2);
    EXPECT_EQ(target.GetIconSize(), QSize(16, 15));
    EXPECT_EQ(ImageOf(target, 1), before);

    EXPECT_TRUE(CopyListImage(&source, 5, &target));
    ASSERT_EQ(target.GetImageCount(), 1);
    EXPECT_EQ(target.GetIconSize(), QSize(16, 16));
    EXPECT_EQ(ImageOf(target, 0), ImageOf(source, 5));
    EXPECT_EQ(source.GetImageCount(), 6);

    // A list can be cut down to one of its own images.
    const QImage third = ImageOf(source, 2);
    EXPECT_TRUE(CopyListImage(&source, 2, &source));
    ASSERT_EQ(source.GetImageCount(), 1);
    EXPECT_EQ(ImageOf(source, 0), third);
}

// The bitmap path, which the program's own menus do not take.
TEST_F(MenuImages, TheToolbarStripsGreysAreMappedOnceAndItsFaceCutOut) {
    const QImage plain = Plain(idb::Toolbar);
    UseTestColors(kGrey, kWhite, kBlack); // black becomes the dark grey, which becomes white, ...
    const QImage mapped = LoadMappedBitmap(idb::Toolbar);
    ASSERT_EQ(mapped.size(), plain.size());
    CImageList list;
    list.Create(16, 15);
    ASSERT_TRUE(AddBitmapImages(&list, idb::Toolbar));
    ASSERT_EQ(list.GetImageCount() * 16, plain.width());
    const std::map<uint32_t, uint32_t> greys = {
        {kBlack, kGrey}, {kGrey, kWhite}, {kSilver, kFace}, {kWhite, kBlack}};
    for (int y = 0; y < plain.height(); ++y) {
        for (int x = 0; x < plain.width(); ++x) {
            const uint32_t was = ColorAt(plain, x, y);
            const auto grey = greys.find(was);
            EXPECT_EQ(ColorAt(mapped, x, y), grey != greys.end() ? grey->second : was) << x << ',' << y;
            EXPECT_EQ(qAlpha(ImageOf(list, x / 16).pixel(x % 16, y)) == 0, was == kSilver) << x << ',' << y;
        }
    }
    // Other depths are used as they are.
    EXPECT_TRUE(LoadMappedBitmap(idb::Commands).isNull());
    ASSERT_TRUE(AddBitmapImages(&list, idb::Commands));
    EXPECT_EQ(ImageOf(list, 6).convertToFormat(QImage::Format_RGB32),
              Plain(idb::Commands).copy(0, 0, 16, 15));
    EXPECT_FALSE(AddBitmapImages(&list, 149));
}

TEST_F(MenuImages, AnIconIsScaledOverTheButtonFaceAndNoImageLeavesTheFace) {
    UseTestColors();
    const CImageList list = SixImages();
    const QImage source = ImageOf(list, 5);
    QImage out = MakeIconBitmap(&list, 5, 32, 32);
    ASSERT_EQ(out.size(), QSize(32, 32));
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const uint32_t expected = y < 2 ? kFace : ColorAt(source, x / 2, y / 2);
            EXPECT_EQ(ColorAt(out, x, y), expected) << x << ',' << y;
        }
    }

    // A 16 × 16 image in the 16 × 15 slot loses a row, not a column.
    out = MakeIconBitmap(&list, 5, 16, 15);
    ASSERT_EQ(out.size(), QSize(16, 15));
    for (int x = 0; x < 16; ++x) {
        EXPECT_EQ(ColorAt(out, x, 0), kFace);
        EXPECT_EQ(ColorAt(out, x, 14), ColorAt(source, x, 15));
    }
    EXPECT_EQ(ColorAt(out, 8, 2), kBlack) << "the index column is still there";

    for (const int index : {-1, 6}) {
        out = MakeIconBitmap(&list, index, 16, 15);
        ASSERT_EQ(out.size(), QSize(16, 15));
        for (int y = 0; y < 15; ++y) {
            for (int x = 0; x < 16; ++x) {
                ASSERT_EQ(ColorAt(out, x, y), kFace) << index << ':' << x << ',' << y;
            }
        }
    }
    out = MakeIconBitmap(nullptr, 0, 4, 4);
    EXPECT_EQ(out.size(), QSize(4, 4));
    EXPECT_EQ(ColorAt(out, 3, 3), kFace);
    EXPECT_TRUE(MakeIconBitmap(&list, 0, 0, 15).isNull());
}

namespace {

constexpr uint32_t kBackground = Rgb(5, 6, 7);
constexpr uint32_t kUntouched = Rgb(255, 0, 255);

// A bitmap of the button face with a few pixels of another colour.
QImage FaceBitmap(int cx, int cy, const std::vector<QPoint>& shape, uint32_t shapeColor = kBlack) {
    QImage bitmap(cx, cy, QImage::Format_RGB32);
    bitmap.fill(QColor(kFace));
    for (const QPoint& p : shape) {
        bitmap.setPixel(p, QColor(shapeColor).rgb());
    }
    return bitmap;
}

// The part of source at from drawn embossed into area, and the pixels expected in shadow and in
// highlight.
struct EmbossCase {
    QImage source;
    QRect area; // x, y, cx, cy
    QPoint from;
    std::vector<QPoint> shadow;
    std::vector<QPoint> highlight;
};

// DrawEmbossed on a 24 × 24 surface that starts magenta leaves the pixels given, the background
// elsewhere in the area and in the row below it and the column right of it (both one pixel in
// from its left and top), untouched outside; all untouched for an empty area.
void ExpectEmbossed(const EmbossCase& c) {
    QImage target(24, 24, QImage::Format_RGB32);
    target.fill(QColor(kUntouched));
    const int x = c.area.x();
    const int y = c.area.y();
    int cx = c.area.width();
    int cy = c.area.height();
    QPainter painter(&target);
    DrawEmbossed(painter, x, y, cx, cy, c.source, c.from.x(), c.from.y(), QColor(kBackground));
    painter.end();
    if (cx <= 0 || cy <= 0) {
        cx = cy = 0; // no area, and no edge either
    }
    for (int py = 0; py < target.height(); ++py) {
        for (int px = 0; px < target.width(); ++px) {
            const auto in = [&](const std::vector<QPoint>& s) {
                return std::ranges::count(s, QPoint(px, py)) > 0;
            };
            const bool area = px >= x && px < x + cx && py >= y && py < y + cy;
            const bool edge =
                (py == y + cy && px > x && px <= x + cx) || (px == x + cx && py > y && py <= y + cy);
            const uint32_t expected = in(c.shadow)      ? kShadow
                                      : in(c.highlight) ? kHighlight
                                      : area || edge    ? kBackground
                                                        : kUntouched;
            EXPECT_EQ(ColorAt(target, px, py), expected) << px << ',' << py;
        }
    }
}

} // namespace

TEST_F(MenuImages, EmbossingDrawsTheShapeInShadowOverItsHighlightOneDownAndRight) {
    UseTestColors();
    const QImage strip = FaceBitmap(32, 15, {{20, 2}, {3, 3}});
    const EmbossCase cases[] = {
        // The face colour and the button highlight are background.
        {FaceBitmap(16, 15, {}), {2, 3, 16, 15}, {}, {}, {}},
        {FaceBitmap(16, 15, {{0, 0}, {5, 5}, {15, 14}}, kHighlight), {2, 3, 16, 15}, {}, {}, {}},
        // A pixel of the shape, of any other colour, gets its shadow and highlight.
        {FaceBitmap(16, 15, {{5, 4}}), {2, 3, 16, 15}, {}, {{7, 7}}, {{8, 8}}},
        {FaceBitmap(16, 15, {{0, 0}}, kShadow), {0, 0, 16, 15}, {}, {{0, 0}}, {{1, 1}}},
        // The last pixels' highlight falls below and right of the area.
        {FaceBitmap(16, 15, {{15, 14}}), {2, 3, 16, 15}, {}, {{17, 17}}, {{18, 18}}},
        {FaceBitmap(16, 15, {{15, 0}, {0, 14}}), {2, 3, 16, 15}, {}, {{17, 3}, {2, 17}}, {{18, 4}, {3, 18}}},
        // The shadow covers the highlight of its neighbour.
        {FaceBitmap(16, 15, {{3, 3}, {4, 4}, {4, 3}}),
         {1, 1, 16, 15},
         {},
         {{4, 4}, {5, 5}, {5, 4}},
         {{6, 6}, {6, 5}}},
        // The shape is read at the source offset; beyond the source is background.
        {strip, {2, 3, 16, 15}, {16, 0}, {{6, 5}}, {{7, 6}}},
        {strip, {0, 0, 4, 4}, {18, 1}, {{2, 1}}, {{3, 2}}},
        {FaceBitmap(16, 15, {{12, 1}}), {2, 3, 16, 15}, {10, 0}, {{4, 4}}, {{5, 5}}},
        {FaceBitmap(4, 4, {{0, 0}}), {5, 5, 6, 6}, {-1, -1}, {{6, 6}}, {{7, 7}}},
        // Nothing is drawn without an area.
        {FaceBitmap(16, 15, {{0, 0}}), {2, 3, 0, 15}, {}, {}, {}},
        {FaceBitmap(16, 15, {{0, 0}}), {2, 3, 16, -1}, {}, {}, {}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        ExpectEmbossed(cases[i]);
    }
}
