#include "res/ImageList.h"

#include <QImage>

bool CImageList::Create(const QString& path, int imageWidth, const QColor& mask) {
    m_images.clear();
    m_size = QSize();
    return Append(path, imageWidth, mask);
}

bool CImageList::Append(const QString& path, int imageWidth, const QColor& mask) {
    const QImage picture(path);
    if (picture.isNull() || imageWidth <= 0) {
        return false;
    }
    Add(picture, imageWidth, mask);
    return true;
}

void CImageList::Add(const QImage& picture, int imageWidth, const QColor& mask) {
    QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = mask.rgb() & 0x00FFFFFF;
    for (int y = 0; y < argb.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if ((line[x] & 0x00FFFFFF) == key) {
                line[x] = 0;
            }
        }
    }
    for (int x = 0; x + imageWidth <= argb.width(); x += imageWidth) {
        m_images.push_back(QPixmap::fromImage(argb.copy(x, 0, imageWidth, argb.height())));
    }
}

void CImageList::Create(int cx, int cy) {
    m_images.clear();
    m_size = QSize(cx, cy);
}

int CImageList::AddImage(const QPixmap& image) {
    if (image.isNull()) {
        return -1;
    }
    const bool scale = m_size.isValid() && image.size() != m_size;
    m_images.push_back(scale ? image.scaled(m_size, Qt::IgnoreAspectRatio, Qt::FastTransformation) : image);
    return GetImageCount() - 1;
}

int CImageList::AddMasked(const QImage& bitmap, const QColor& mask) {
    const int width = m_size.isValid() ? m_size.width() : bitmap.height();
    const int before = GetImageCount();
    if (bitmap.isNull() || width <= 0 || bitmap.width() < width) {
        return -1;
    }
    Add(bitmap, width, mask);
    return GetImageCount() > before ? before : -1;
}
