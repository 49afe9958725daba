#include "menu/MenuImages.h"

#include "menu/Bitmap.h"
#include "menu/DC.h"
#include "menu/Dib.h"
#include "res/Bitmaps.h"
#include "res/ImageList.h"

#include <QPainter>

#include <span>
#include <utility>
#include <vector>

namespace {

struct Decoded {
    QImage image;
    int colors; // palette entries
};

// A bitmap resource whose headers hold together, decoded.
std::optional<Decoded> LoadBitmap(int bitmapId) {
    const QByteArray file = LoadBitmapResource(bitmapId);
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(file.constData()),
                                         static_cast<size_t>(file.size()));
    if (!ReadBmpInfo(bytes)) {
        return std::nullopt;
    }
    QImage image = QImage::fromData(file, "BMP");
    if (image.isNull()) {
        return std::nullopt;
    }
    return Decoded{std::move(image), DibColorCount(bytes.subspan(kBmpFileHeaderSize))};
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

std::optional<QImage> LoadMappedBitmap(int bitmapId) {
    const std::optional<Decoded> bitmap = LoadBitmap(bitmapId);
    if (!bitmap || bitmap->colors != 16) {
        return std::nullopt;
    }
    // Looked up by the colour drawn, so that a colour mapped onto another grey stays.
    struct Mapping {
        QRgb from;
        int to;
    };
    const Mapping mappings[] = {
        {qRgb(0, 0, 0), COLOR_BTNTEXT},
        {qRgb(128, 128, 128), COLOR_BTNSHADOW},
        {qRgb(192, 192, 192), COLOR_BTNFACE},
        {qRgb(255, 255, 255), COLOR_BTNHIGHLIGHT},
    };
    QImage mapped = bitmap->image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < mapped.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(mapped.scanLine(y));
        for (int x = 0; x < mapped.width(); ++x) {
            for (const Mapping& m : mappings) {
                if (line[x] == m.from) {
                    line[x] = ToQRgb(GetSysColor(m.to));
                    break;
                }
            }
        }
    }
    return mapped;
}

bool AddBitmapImages(CImageList* target, int bitmapId) {
    if (target == nullptr) {
        return false;
    }
    const QColor face = ToQColor(GetSysColor(COLOR_BTNFACE));
    if (const std::optional<QImage> mapped = LoadMappedBitmap(bitmapId)) {
        return target->AddMasked(*mapped, face) >= 0;
    }
    const std::optional<Decoded> plain = LoadBitmap(bitmapId);
    return plain && target->AddMasked(plain->image, face) >= 0;
}

bool MakeIconBitmap(CDC* /*target*/, const CImageList* source, int index, CBitmap* out, int w, int h) {
    // The bitmap does not depend on the surface it will be drawn on, unlike a device's own.
    if (out == nullptr || !out->CreateBitmap(w, h)) {
        return true;
    }
    QPainter painter(&out->Image());
    CDC dc(painter);
    // Over the button face, which embossing reads as background. Over the menu colour, as the
    // classic code drew it, a menu whose colour differs from the face (the flat style) embossed
    // every greyed image as a solid square.
    dc.FillSolidRect({0, 0, w, h}, GetSysColor(COLOR_BTNFACE));
    if (source != nullptr && index >= 0 && index < source->GetImageCount()) {
        // Nearest neighbour, as the system stretches: no blended colours at the mask edges.
        painter.drawPixmap(QRect(0, 0, w, h), source->Pixmap(index));
    }
    return true;
}

void DrawEmbossed(CDC* target, int x, int y, int cx, int cy, const CBitmap* source, int sx, int sy,
                  COLORREF background) {
    if (target == nullptr || source == nullptr || cx <= 0 || cy <= 0) {
        return;
    }
    QImage surface(cx, cy, QImage::Format_RGB32);
    if (surface.isNull()) {
        return;
    }
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    // Pixels outside the source read as background: they belong to no shape.
    std::vector<char> shape(static_cast<size_t>(cx) * static_cast<size_t>(cy));
    const auto at = [cx](int i, int j) {
        return static_cast<size_t>(j) * static_cast<size_t>(cx) + static_cast<size_t>(i);
    };
    for (int j = 0; j < cy; ++j) {
        for (int i = 0; i < cx; ++i) {
            const COLORREF c = source->GetPixel(sx + i, sy + j);
            shape[at(i, j)] = c != CLR_INVALID && c != face && c != highlight;
        }
    }
    const auto inShape = [&](int i, int j) { return i >= 0 && j >= 0 && shape[at(i, j)] != 0; };
    const auto paint = [&](const auto& where, COLORREF color) {
        const QRgb rgb = ToQRgb(color);
        for (int j = 0; j < cy; ++j) {
            auto* line = reinterpret_cast<QRgb*>(surface.scanLine(j));
            for (int i = 0; i < cx; ++i) {
                if (where(i, j)) {
                    line[i] = rgb;
                }
            }
        }
    };
    // The highlight copy first, one pixel right and down; the second copy covers all of it but
    // its lower and right edges.
    surface.fill(ToQRgb(background));
    paint(inShape, highlight);
    target->DrawImage(x + 1, y + 1, surface);
    paint([&](int i, int j) { return inShape(i - 1, j - 1); }, highlight);
    paint(inShape, GetSysColor(COLOR_BTNSHADOW));
    target->DrawImage(x, y, surface);
}
