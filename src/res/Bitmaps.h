#pragma once

#include "res/Toolbars.h"

#include <QByteArray>

// Bitmap resources: BMP files compiled into the program as ":/bitmaps/<id>.bmp".
namespace idb {
inline constexpr int Toolbar = idr::Toolbar; // the toolbar's six 16 × 15 images, 16 colours
inline constexpr int Commands = 151;         // refresh and select all, 16 × 15 each, 256 colours
inline constexpr int Exit = 152;             // 16 × 15, true colour
} // namespace idb

// The BMP file of a bitmap resource; empty when there is none.
QByteArray LoadBitmapResource(int id);
