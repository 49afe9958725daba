#include "menu/MenuImages.h"

#include "menu/Bitmap.h"
#include "menu/DC.h"
#include "menu/Dib.h"
#include "res/Bitmaps.h"
#include "res/ImageList.h"
#include "res/Toolbars.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace {

constexpr COLORREF kText = RGB(10, 20, 30);
constexpr COLORREF kShadow = RGB(40, 50, 60);
constexpr COLORREF kFace = RGB(70, 80, 90);
constexpr COLORREF kHighlight = RGB(200, 210, 220);
constexpr COLORREF kMenu = RGB(1, 130, 2);

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kSilver = RGB(192, 192, 192);
constexpr COLORREF kWhite = RGB(255, 255, 255);

COLORREF ColorAt(const QImage& image, int x, int y) {
    const QRgb c = image.pixel(x, y);
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

bool Opaque(const QImage& image, int x, int y) {
    return qAlpha(image.pixel(x, y)) == 255;
}

bool Transparent(const QImage& image, int x, int y) {
    return qAlpha(image.pixel(x, y)) == 0;
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

    // Button and menu colours unlike the classic greys and unlike each other.
    static void UseTestColors() {
        platform::SysColorTable t = platform::DefaultSysColors();
        t[COLOR_BTNTEXT] = kText;
        t[COLOR_BTNSHADOW] = kShadow;
        t[COLOR_BTNFACE] = kFace;
        t[COLOR_BTNHIGHLIGHT] = kHighlight;
        t[COLOR_MENU] = kMenu;
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

using MenuImagesCopy = MenuImages;

TEST_F(MenuImagesCopy, TheTargetHoldsOnlyTheChosenImageAtTheSourceSize) {
    const CImageList source = SixImages();
    CImageList target;
    target.Create(16, 15);
    ASSERT_EQ(target.AddImage(QPixmap::fromImage(Plain(idb::Exit))), 0);
    ASSERT_EQ(target.AddImage(QPixmap::fromImage(Plain(idb::Exit))), 1);

    EXPECT_TRUE(CopyListImage(&source, 5, &target));
    ASSERT_EQ(target.GetImageCount(), 1);
    EXPECT_EQ(target.GetIconSize(), QSize(16, 16));
    EXPECT_EQ(ImageOf(target, 0), ImageOf(source, 5));
    EXPECT_NE(ImageOf(target, 0), ImageOf(source, 4));
    EXPECT_EQ(source.GetImageCount(), 6);

    EXPECT_TRUE(CopyListImage(&source, 0, &target));
    ASSERT_EQ(target.GetImageCount(), 1);
    EXPECT_EQ(ImageOf(target, 0), ImageOf(source, 0));
}

TEST_F(MenuImagesCopy, AListCanBeCutDownToOneOfItsOwnImages) {
    CImageList list = SixImages();
    const QImage third = ImageOf(list, 2);
    EXPECT_TRUE(CopyListImage(&list, 2, &list));
    ASSERT_EQ(list.GetImageCount(), 1);
    EXPECT_EQ(ImageOf(list, 0), third);
}

TEST_F(MenuImagesCopy, RefusalsChangeNothing) {
    const CImageList source = SixImages();
    CImageList target;
    target.Create(16, 15);
    ASSERT_TRUE(AddBitmapImages(&target, idb::Commands));
    const QImage before = ImageOf(target, 1);

    for (const int index : {-1, 6, 1000}) {
        EXPECT_FALSE(CopyListImage(&source, index, &target)) << index;
    }
    EXPECT_FALSE(CopyListImage(nullptr, 0, &target));
    EXPECT_FALSE(CopyListImage(&source, 0, nullptr));
    const CImageList empty;
    EXPECT_FALSE(CopyListImage(&empty, 0, &target));

    EXPECT_EQ(target.GetImageCount(), 2);
    EXPECT_EQ(target.GetIconSize(), QSize(16, 15));
    EXPECT_EQ(ImageOf(target, 1), before);
}

using MenuImagesBitmaps = MenuImages;

TEST_F(MenuImagesBitmaps, TheResourcesHaveTheDepthsTheyStandFor) {
    const struct {
        int id;
        int bits;
        int colors;
        int width;
    } expected[] = {{idb::Toolbar, 4, 16, 96}, {idb::Commands, 8, 256, 32}, {idb::Exit, 24, 0, 16}};
    for (const auto& e : expected) {
        const QByteArray file = LoadBitmapResource(e.id);
        const auto info = ReadBmpInfo(
            {reinterpret_cast<const uint8_t*>(file.constData()), static_cast<size_t>(file.size())});
        ASSERT_TRUE(info) << e.id;
        EXPECT_EQ(info->bitCount, e.bits) << e.id;
        EXPECT_EQ(info->colorCount, e.colors) << e.id;
        EXPECT_EQ(info->width, e.width) << e.id;
        EXPECT_EQ(info->height, 15) << e.id;
    }
    EXPECT_TRUE(LoadBitmapResource(149).isEmpty());
    EXPECT_TRUE(LoadBitmapResource(0).isEmpty());
}

TEST_F(MenuImagesBitmaps, TheSixteenColourStripTakesTheButtonColours) {
    const QImage plain = Plain(idb::Toolbar);
    UseTestColors();
    const std::optional<QImage> mapped = LoadMappedBitmap(idb::Toolbar);
    ASSERT_TRUE(mapped);
    ASSERT_EQ(mapped->size(), plain.size());
    const std::map<COLORREF, COLORREF> greys = {
        {kBlack, kText}, {kGrey, kShadow}, {kSilver, kFace}, {kWhite, kHighlight}};
    std::map<COLORREF, int> seen;
    int others = 0;
    for (int y = 0; y < plain.height(); ++y) {
        for (int x = 0; x < plain.width(); ++x) {
            const COLORREF was = ColorAt(plain, x, y);
            const auto grey = greys.find(was);
            if (grey != greys.end()) {
                ++seen[was];
                EXPECT_EQ(ColorAt(*mapped, x, y), grey->second) << x << ',' << y;
            } else {
                ++others;
                EXPECT_EQ(ColorAt(*mapped, x, y), was) << x << ',' << y;
            }
        }
    }
    EXPECT_EQ(seen.size(), 4u) << "the strip shows every grey";
    EXPECT_GT(others, 0) << "and colours that stay";
}

TEST_F(MenuImagesBitmaps, EachPixelIsMappedOnceWhenTheButtonColoursAreGreysThemselves) {
    const QImage plain = Plain(idb::Toolbar);
    platform::SysColorTable t = platform::DefaultSysColors();
    t[COLOR_BTNTEXT] = kGrey;       // black becomes the dark grey...
    t[COLOR_BTNSHADOW] = kWhite;    // ...which becomes white...
    t[COLOR_BTNHIGHLIGHT] = kBlack; // ...which becomes black
    platform::SetSysColors(t);
    const std::optional<QImage> mapped = LoadMappedBitmap(idb::Toolbar);
    ASSERT_TRUE(mapped);
    const std::map<COLORREF, COLORREF> greys = {
        {kBlack, kGrey}, {kGrey, kWhite}, {kSilver, kSilver}, {kWhite, kBlack}};
    for (int y = 0; y < plain.height(); ++y) {
        for (int x = 0; x < plain.width(); ++x) {
            const auto grey = greys.find(ColorAt(plain, x, y));
            if (grey != greys.end()) {
                EXPECT_EQ(ColorAt(*mapped, x, y), grey->second) << x << ',' << y;
            }
        }
    }
}

TEST_F(MenuImagesBitmaps, OnlySixteenColourBitmapsAreMapped) {
    UseTestColors();
    EXPECT_FALSE(LoadMappedBitmap(idb::Commands));
    EXPECT_FALSE(LoadMappedBitmap(idb::Exit));
    EXPECT_FALSE(LoadMappedBitmap(149));
    EXPECT_FALSE(LoadMappedBitmap(-1));
}

TEST_F(MenuImagesBitmaps, TheStripIsCutIntoSixImagesWithTheFaceTransparent) {
    const QImage plain = Plain(idb::Toolbar);
    UseTestColors();
    CImageList list;
    list.Create(16, 15);
    ASSERT_TRUE(AddBitmapImages(&list, idb::Toolbar));
    ASSERT_EQ(list.GetImageCount(), 6);
    const std::map<COLORREF, COLORREF> greys = {{kBlack, kText}, {kGrey, kShadow}, {kWhite, kHighlight}};
    int transparent = 0;
    for (int i = 0; i < 6; ++i) {
        const QImage image = ImageOf(list, i);
        ASSERT_EQ(image.size(), QSize(16, 15));
        for (int y = 0; y < 15; ++y) {
            for (int x = 0; x < 16; ++x) {
                const COLORREF was = ColorAt(plain, 16 * i + x, y);
                if (was == kSilver) {
                    ++transparent;
                    EXPECT_TRUE(Transparent(image, x, y)) << i << ':' << x << ',' << y;
                    continue;
                }
                const auto grey = greys.find(was);
                EXPECT_TRUE(Opaque(image, x, y)) << i << ':' << x << ',' << y;
                EXPECT_EQ(ColorAt(image, x, y), grey != greys.end() ? grey->second : was)
                    << i << ':' << x << ',' << y;
            }
        }
    }
    EXPECT_GT(transparent, 0);
}

TEST_F(MenuImagesBitmaps, TheToolbarHasAnImageForEveryButton) {
    const ToolbarResource* toolbar = FindToolbarResource(idr::Toolbar);
    ASSERT_NE(toolbar, nullptr);
    CImageList list;
    list.Create(toolbar->buttonWidth, toolbar->buttonHeight);
    ASSERT_TRUE(AddBitmapImages(&list, idb::Toolbar));
    const auto buttons = std::count_if(toolbar->commands.begin(), toolbar->commands.end(),
                                       [](unsigned command) { return command != 0; });
    EXPECT_EQ(list.GetImageCount(), buttons);
    EXPECT_EQ(list.ImageSize(), QSize(toolbar->buttonWidth, toolbar->buttonHeight));
}

TEST_F(MenuImagesBitmaps, OtherDepthsAreAddedAsTheyAre) {
    const QImage plain = Plain(idb::Commands);
    CImageList list;
    list.Create(16, 15);
    ASSERT_TRUE(AddBitmapImages(&list, idb::Commands));
    ASSERT_EQ(list.GetImageCount(), 2);
    // With the classic face, the grey around the pictures is transparent...
    int transparent = 0;
    int white = 0;
    for (int i = 0; i < 2; ++i) {
        const QImage image = ImageOf(list, i);
        for (int y = 0; y < 15; ++y) {
            for (int x = 0; x < 16; ++x) {
                const COLORREF was = ColorAt(plain, 16 * i + x, y);
                transparent += was == kSilver ? 1 : 0;
                white += was == kWhite ? 1 : 0;
                EXPECT_EQ(Transparent(image, x, y), was == kSilver) << i << ':' << x << ',' << y;
            }
        }
    }
    ASSERT_GT(transparent, 0);
    ASSERT_GT(white, 0);

    // ...and with other button colours no pixel changes: the face colour is no longer there, so
    // nothing is transparent, and the greys are not mapped.
    UseTestColors();
    CImageList unmapped;
    unmapped.Create(16, 15);
    ASSERT_TRUE(AddBitmapImages(&unmapped, idb::Commands));
    ASSERT_EQ(unmapped.GetImageCount(), 2);
    for (int i = 0; i < 2; ++i) {
        const QImage image = ImageOf(unmapped, i);
        for (int y = 0; y < 15; ++y) {
            for (int x = 0; x < 16; ++x) {
                EXPECT_TRUE(Opaque(image, x, y));
                EXPECT_EQ(ColorAt(image, x, y), ColorAt(plain, 16 * i + x, y)) << i << ':' << x << ',' << y;
            }
        }
    }

    CImageList trueColour;
    trueColour.Create(16, 15);
    ASSERT_TRUE(AddBitmapImages(&trueColour, idb::Exit));
    ASSERT_EQ(trueColour.GetImageCount(), 1);
    EXPECT_EQ(ImageOf(trueColour, 0).convertToFormat(QImage::Format_RGB32), Plain(idb::Exit));
}

TEST_F(MenuImagesBitmaps, ImagesAreAppendedAndMissingBitmapsAddNothing) {
    UseTestColors(); // no face colour in the true-colour picture: every pixel stays
    CImageList list;
    list.Create(16, 15);
    ASSERT_TRUE(AddBitmapImages(&list, idb::Exit));
    ASSERT_TRUE(AddBitmapImages(&list, idb::Toolbar));
    EXPECT_EQ(list.GetImageCount(), 7);
    EXPECT_EQ(ImageOf(list, 0).convertToFormat(QImage::Format_RGB32), Plain(idb::Exit));

    EXPECT_FALSE(AddBitmapImages(&list, 149));
    EXPECT_FALSE(AddBitmapImages(&list, -1));
    EXPECT_EQ(list.GetImageCount(), 7);
    EXPECT_FALSE(AddBitmapImages(nullptr, idb::Toolbar));

    // Images wider than the bitmap: nothing to cut.
    CImageList wide;
    wide.Create(20, 15);
    EXPECT_FALSE(AddBitmapImages(&wide, idb::Exit));
    EXPECT_EQ(wide.GetImageCount(), 0);
}

using MenuImagesIcon = MenuImages;

TEST_F(MenuImagesIcon, TheButtonFaceShowsWhereTheImageIsTransparent) {
    UseTestColors();
    const CImageList list = SixImages();
    CBitmap out;
    QImage unused(1, 1, QImage::Format_RGB32);
    QPainter painter(&unused);
    CDC dc(painter);
    EXPECT_TRUE(MakeIconBitmap(&dc, &list, 3, &out, 16, 16));
    ASSERT_EQ(out.Image().size(), QSize(16, 16));
    const QImage source = ImageOf(list, 3);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(out.GetPixel(x, y), y == 0 ? kFace : ColorAt(source, x, y)) << x << ',' << y;
        }
    }
}

TEST_F(MenuImagesIcon, TheImageIsScaledToTheSlot) {
    UseTestColors();
    const CImageList list = SixImages();
    const QImage source = ImageOf(list, 5);
    CBitmap out;
    EXPECT_TRUE(MakeIconBitmap(nullptr, &list, 5, &out, 32, 32));
    ASSERT_EQ(out.Image().size(), QSize(32, 32));
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const COLORREF expected = y < 2 ? kFace : ColorAt(source, x / 2, y / 2);
            EXPECT_EQ(out.GetPixel(x, y), expected) << x << ',' << y;
        }
    }

    // A 16 × 16 image in the 16 × 15 slot loses a row, not a column.
    EXPECT_TRUE(MakeIconBitmap(nullptr, &list, 5, &out, 16, 15));
    ASSERT_EQ(out.Image().size(), QSize(16, 15));
    for (int x = 0; x < 16; ++x) {
        EXPECT_EQ(out.GetPixel(x, 0), kFace);
        EXPECT_EQ(out.GetPixel(x, 14), ColorAt(source, x, 15));
    }
    EXPECT_EQ(out.GetPixel(8, 2), kBlack) << "the index column is still there";
}

TEST_F(MenuImagesIcon, NoImageLeavesTheButtonFace) {
    UseTestColors();
    const CImageList list = SixImages();
    for (const int index : {-1, 6}) {
        CBitmap out;
        EXPECT_TRUE(MakeIconBitmap(nullptr, &list, index, &out, 16, 15));
        ASSERT_EQ(out.Image().size(), QSize(16, 15));
        for (int y = 0; y < 15; ++y) {
            for (int x = 0; x < 16; ++x) {
                ASSERT_EQ(out.GetPixel(x, y), kFace) << index << ':' << x << ',' << y;
            }
        }
    }
    CBitmap out;
    EXPECT_TRUE(MakeIconBitmap(nullptr, nullptr, 0, &out, 4, 4));
    EXPECT_EQ(out.GetPixel(3, 3), kFace);
    EXPECT_EQ(out.GetPixel(4, 3), CLR_INVALID);
    EXPECT_TRUE(MakeIconBitmap(nullptr, &list, 0, &out, 0, 15));
    EXPECT_TRUE(out.IsNull());
    EXPECT_TRUE(MakeIconBitmap(nullptr, &list, 0, nullptr, 16, 15));
}

namespace {

constexpr COLORREF kBackground = RGB(5, 6, 7);
constexpr COLORREF kUntouched = RGB(255, 0, 255);

// A bitmap of the button face with a few pixels of another colour.
CBitmap FaceBitmap(int cx, int cy, const std::vector<QPoint>& shape, COLORREF shapeColor = kBlack) {
    CBitmap bitmap;
    EXPECT_TRUE(bitmap.CreateBitmap(cx, cy));
    bitmap.Image().fill(QColor(GetRValue(kFace), GetGValue(kFace), GetBValue(kFace)));
    for (const QPoint& p : shape) {
        bitmap.Image().setPixel(p, qRgb(GetRValue(shapeColor), GetGValue(shapeColor), GetBValue(shapeColor)));
    }
    return bitmap;
}

// DrawEmbossed on a 24 × 24 surface that starts magenta.
QImage Emboss(const CBitmap& source, int x, int y, int cx, int cy, int sx = 0, int sy = 0) {
    QImage target(24, 24, QImage::Format_RGB32);
    target.fill(QColor(255, 0, 255));
    QPainter painter(&target);
    CDC dc(painter);
    DrawEmbossed(&dc, x, y, cx, cy, &source, sx, sy, kBackground);
    painter.end();
    return target;
}

// The whole surface: the given pixels, the background elsewhere in the cx × cy area at (x, y)
// and in the row below it and the column right of it (both from x + 1, y + 1), untouched
// outside.
void ExpectSurface(const QImage& target, int x, int y, int cx, int cy,
                   const std::map<std::pair<int, int>, COLORREF>& pixels) {
    for (int py = 0; py < target.height(); ++py) {
        for (int px = 0; px < target.width(); ++px) {
            const bool area = px >= x && px < x + cx && py >= y && py < y + cy;
            const bool edge =
                (py == y + cy && px > x && px <= x + cx) || (px == x + cx && py > y && py <= y + cy);
            const auto given = pixels.find({px, py});
            const COLORREF expected = given != pixels.end() ? given->second
                                      : area || edge        ? kBackground
                                                            : kUntouched;
            EXPECT_EQ(ColorAt(target, px, py), expected) << px << ',' << py;
        }
    }
}

} // namespace

using MenuImagesEmboss = MenuImages;

TEST_F(MenuImagesEmboss, AFaceColouredBitmapLeavesOnlyTheBackground) {
    UseTestColors();
    ExpectSurface(Emboss(FaceBitmap(16, 15, {}), 2, 3, 16, 15), 2, 3, 16, 15, {});
    // The button highlight counts as background too.
    const CBitmap lit = FaceBitmap(16, 15, {{0, 0}, {5, 5}, {15, 14}}, kHighlight);
    ExpectSurface(Emboss(lit, 2, 3, 16, 15), 2, 3, 16, 15, {});
}

TEST_F(MenuImagesEmboss, APixelOfTheShapeGetsItsShadowAndHighlight) {
    UseTestColors();
    ExpectSurface(Emboss(FaceBitmap(16, 15, {{5, 4}}), 2, 3, 16, 15), 2, 3, 16, 15,
                  {{{7, 7}, kShadow}, {{8, 8}, kHighlight}});
    // Any colour other than the face and the highlight belongs to the shape.
    ExpectSurface(Emboss(FaceBitmap(16, 15, {{0, 0}}, kShadow), 0, 0, 16, 15), 0, 0, 16, 15,
                  {{{0, 0}, kShadow}, {{1, 1}, kHighlight}});
}

TEST_F(MenuImagesEmboss, TheLastPixelsHighlightFallsBelowAndRightOfTheArea) {
    UseTestColors();
    ExpectSurface(Emboss(FaceBitmap(16, 15, {{15, 14}}), 2, 3, 16, 15), 2, 3, 16, 15,
                  {{{17, 17}, kShadow}, {{18, 18}, kHighlight}});
    ExpectSurface(Emboss(FaceBitmap(16, 15, {{15, 0}, {0, 14}}), 2, 3, 16, 15), 2, 3, 16, 15,
                  {{{17, 3}, kShadow}, {{18, 4}, kHighlight}, {{2, 17}, kShadow}, {{3, 18}, kHighlight}});
}

TEST_F(MenuImagesEmboss, TheShadowCoversTheHighlightOfItsNeighbour) {
    UseTestColors();
    ExpectSurface(Emboss(FaceBitmap(16, 15, {{3, 3}, {4, 4}, {4, 3}}), 1, 1, 16, 15), 1, 1, 16, 15,
                  {{{4, 4}, kShadow},
                   {{5, 5}, kShadow},
                   {{5, 4}, kShadow},
                   {{6, 6}, kHighlight},
                   {{6, 5}, kHighlight}});
}

TEST_F(MenuImagesEmboss, TheShapeIsReadAtTheSourceOffset) {
    UseTestColors();
    // Only the pixel inside the part read counts.
    const CBitmap strip = FaceBitmap(32, 15, {{20, 2}, {3, 3}});
    ExpectSurface(Emboss(strip, 2, 3, 16, 15, 16, 0), 2, 3, 16, 15,
                  {{{6, 5}, kShadow}, {{7, 6}, kHighlight}});
    ExpectSurface(Emboss(strip, 0, 0, 4, 4, 18, 1), 0, 0, 4, 4, {{{2, 1}, kShadow}, {{3, 2}, kHighlight}});
    // What lies beyond the source is background.
    ExpectSurface(Emboss(FaceBitmap(16, 15, {{12, 1}}), 2, 3, 16, 15, 10, 0), 2, 3, 16, 15,
                  {{{4, 4}, kShadow}, {{5, 5}, kHighlight}});
    ExpectSurface(Emboss(FaceBitmap(4, 4, {{0, 0}}), 5, 5, 6, 6, -1, -1), 5, 5, 6, 6,
                  {{{6, 6}, kShadow}, {{7, 7}, kHighlight}});
}

TEST_F(MenuImagesEmboss, NothingIsDrawnWithoutAnArea) {
    UseTestColors();
    const CBitmap bitmap = FaceBitmap(16, 15, {{0, 0}});
    ExpectSurface(Emboss(bitmap, 2, 3, 0, 15), 0, 0, 0, 0, {});
    ExpectSurface(Emboss(bitmap, 2, 3, 16, -1), 0, 0, 0, 0, {});
    QImage target(4, 4, QImage::Format_RGB32);
    target.fill(QColor(255, 0, 255));
    QPainter painter(&target);
    CDC dc(painter);
    DrawEmbossed(&dc, 0, 0, 2, 2, nullptr, 0, 0, kBackground);
    DrawEmbossed(nullptr, 0, 0, 2, 2, &bitmap, 0, 0, kBackground);
    painter.end();
    EXPECT_EQ(ColorAt(target, 0, 0), kUntouched);
}

TEST_F(MenuImagesEmboss, AGreyedMenuIconFromTheStrip) {
    // The classic colours: a loaded toolbar image, flattened onto the menu and embossed, keeps
    // only the outline of its picture.
    CImageList list;
    list.Create(16, 15);
    ASSERT_TRUE(AddBitmapImages(&list, idb::Toolbar));
    CBitmap icon;
    ASSERT_TRUE(MakeIconBitmap(nullptr, &list, 2, &icon, 16, 15));
    const QImage target = Emboss(icon, 2, 3, 16, 15);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    int shadows = 0;
    for (int y = 0; y < 15; ++y) {
        for (int x = 0; x < 16; ++x) {
            const bool drawn = icon.GetPixel(x, y) != GetSysColor(COLOR_MENU);
            const COLORREF c = ColorAt(target, 2 + x, 3 + y);
            EXPECT_EQ(c == shadow, drawn) << x << ',' << y;
            EXPECT_TRUE(c == shadow || c == highlight || c == kBackground) << x << ',' << y;
            shadows += drawn ? 1 : 0;
        }
    }
    EXPECT_GT(shadows, 0);
}
