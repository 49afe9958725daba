#include "menu/MenuImages.h"

#include "menu/SystemColors.h"
#include "res/Bitmaps.h"
#include "res/ImageList.h"

#include <QPainter>

using namespace win32;

namespace {

QImage Decode(int bitmapId) {
    return QImage::fromData(LoadBitmapResource(bitmapId), "BMP");
}

} // namespace

bool CopyListImage(const CImageList* source, int index, CImageList* target) {
    if (source == nullptr || target == nullptr || index < 0 || index >= source->GetImageCount()) {
        return false;
    }
    // Taken before Create empties the target, which may be the source.
    const QPixmap image = source->Pixmap(index);
    const QSize size = source->GetIconSize();
    target->Create(size.width(), size.height());
    return target->AddImage(image) == 0;
}

QImage LoadMappedBitmap(int bitmapId) {
    QImage bitmap = Decode(bitmapId);
    if (bitmap.colorCount() != 16) {
        return {};
    }
    // The palette is mapped, so that a grey mapped onto another grey is not mapped again.
    const std::pair<QRgb, int> greys[] = {{qRgb(0, 0, 0), color::BtnText},
                                          {qRgb(128, 128, 128), color::BtnShadow},
                                          {qRgb(192, 192, 192), color::BtnFace},
                                          {qRgb(255, 255, 255), color::BtnHighlight}};
    QList<QRgb> palette = bitmap.colorTable();
    for (QRgb& entry : palette) {
        const auto* grey =
            std::find_if(std::begin(greys), std::end(greys), [&](auto g) { return g.first == entry; });
        entry = grey != std::end(greys) ? SysColor(grey->second).rgb() : entry;
    }
    bitmap.setColorTable(palette);
    return bitmap.convertToFormat(QImage::Format_RGB32);
}

bool AddBitmapImages(CImageList* target, int bitmapId) {
    const QImage mapped = LoadMappedBitmap(bitmapId);
    const QImage bitmap = mapped.isNull() ? Decode(bitmapId) : mapped;
    return target != nullptr && !bitmap.isNull() && target->AddMasked(bitmap, SysColor(color::BtnFace)) >= 0;
}

QImage MakeIconBitmap(const CImageList* source, int index, int w, int h) {
    if (w <= 0 || h <= 0) {
        return {};
    }
    // Over the button face, which embossing reads as background. Over the menu colour, as the
    // classic code drew it, a menu whose colour differs from the face (the flat style) embossed
    // every greyed image as a solid square.
    QImage out(w, h, QImage::Format_RGB32);
    out.fill(SysColor(color::BtnFace));
    if (source != nullptr && index >= 0 && index < source->GetImageCount()) {
        // Nearest neighbour, as the system stretches: no blended colours at the mask edges.
        QPainter(&out).drawPixmap(QRect(0, 0, w, h), source->Pixmap(index));
    }
    return out;
}

void DrawEmbossed(QPainter& target, int x, int y, int cx, int cy, const QImage& source, int sx, int sy,
                  const QColor& background) {
    if (cx <= 0 || cy <= 0) {
        return;
    }
    const QRgb face = SysColor(color::BtnFace).rgb();
    const QRgb highlight = SysColor(color::BtnHighlight).rgb();
    // Pixels outside the source belong to no shape.
    const auto inShape = [&](int i, int j) {
        const QPoint at(sx + i, sy + j);
        const QRgb c = source.valid(at) ? source.pixel(at) | 0xFF000000u : face;
        return i >= 0 && j >= 0 && c != face && c != highlight;
    };
    QImage surface(cx, cy, QImage::Format_RGB32);
    const auto paint = [&](const auto& where, const QColor& color) {
        for (int j = 0; j < cy; ++j) {
            for (int i = 0; i < cx; ++i) {
                if (where(i, j)) {
                    surface.setPixel(i, j, color.rgb());
                }
            }
        }
    };
    // The highlight copy first, one pixel right and down; the second copy covers all of it but
    // its lower and right edges.
    surface.fill(background);
    paint(inShape, SysColor(color::BtnHighlight));
    target.drawImage(x + 1, y + 1, surface);
    paint([&](int i, int j) { return inShape(i - 1, j - 1); }, SysColor(color::BtnHighlight));
    paint(inShape, SysColor(color::BtnShadow));
    target.drawImage(x, y, surface);
}
