#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

#include <vector>

// A row of equally wide images cut from one picture, in which one colour stands for
// "transparent" (pure red for the program's icons and button faces, white for the header
// arrows).
class CImageList {
public:
    CImageList() = default;

    // Cuts the picture at path (a file or a ":/" resource) into images imageWidth pixels wide
    // and as high as the picture, replacing what the list held. False, with the list empty,
    // when it cannot be read.
    bool Create(const QString& path, int imageWidth, const QColor& mask);
    // The same, appending to the list; false, and nothing added, when it cannot be read.
    bool Append(const QString& path, int imageWidth, const QColor& mask);
    // Appends the images cut from picture.
    void Add(const QImage& picture, int imageWidth, const QColor& mask);

    // An empty list of cx × cy images.
    void Create(int cx, int cy);
    // Appends one image (an icon), scaled to the list's size when it differs; its index.
    int AddImage(const QPixmap& image);
    // Appends the images cut from a bitmap at the list's width, mask colour transparent; the
    // index of the first, or -1 when the bitmap gives none.
    int AddMasked(const QImage& bitmap, const QColor& mask);
    // Removes every image; the size stays.
    void DeleteImageList() { m_images.clear(); }
    QSize GetIconSize() const { return m_size.isValid() ? m_size : ImageSize(); }

    int GetImageCount() const { return static_cast<int>(m_images.size()); }
    QSize ImageSize() const { return m_images.empty() ? QSize() : m_images.front().size(); }
    const QPixmap& Pixmap(int index) const { return m_images.at(static_cast<size_t>(index)); }
    QIcon Icon(int index) const { return QIcon(Pixmap(index)); }

private:
    std::vector<QPixmap> m_images;
    QSize m_size; // set by Create(cx, cy)
};
