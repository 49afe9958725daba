#pragma once

#include "menu/SystemColors.h"

#include <QImage>

#ifndef CLR_INVALID
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
#endif

// A bitmap the menu draws into and from: opaque pixels, 32 bits each.
class CBitmap {
public:
    // A cx × cy bitmap, black until drawn on; false, and no bitmap, for an empty size.
    bool CreateBitmap(int cx, int cy) {
        m_image = cx > 0 && cy > 0 ? QImage(cx, cy, QImage::Format_RGB32) : QImage();
        if (m_image.isNull()) {
            return false;
        }
        m_image.fill(Qt::black);
        return true;
    }

    bool IsNull() const { return m_image.isNull(); }
    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    // CLR_INVALID outside the bitmap.
    COLORREF GetPixel(int x, int y) const {
        if (!m_image.valid(x, y)) {
            return CLR_INVALID;
        }
        return FromQRgb(m_image.pixel(x, y));
    }

    QImage& Image() { return m_image; }
    const QImage& Image() const { return m_image; }

private:
    QImage m_image;
};
