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

    int GetImageCount() const { return static_cast<int>(m_images.size()); }
    QSize ImageSize() const { return m_images.empty() ? QSize() : m_images.front().size(); }
    const QPixmap& Pixmap(int index) const { return m_images.at(static_cast<size_t>(index)); }
    QIcon Icon(int index) const { return QIcon(Pixmap(index)); }

private:
    std::vector<QPixmap> m_images;
};
