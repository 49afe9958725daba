#pragma once

#include <QByteArray>

// Bitmap resources: BMP files compiled into the program as ":/bitmaps/<id>.bmp".
namespace idb {
inline constexpr int Toolbar = 150;  // the images of the toolbar resource 150, six 16 × 15, 16 colours
inline constexpr int Commands = 151; // refresh and select all, 16 × 15 each, 256 colours
inline constexpr int Exit = 152;     // 16 × 15, true colour
} // namespace idb

// The BMP file of a bitmap resource; empty when there is none.
QByteArray LoadBitmapResource(int id);

// The image of a command's first button on a toolbar resource, whose bitmap of the same id has
// one image for each button that is not a separator: how many such buttons come before it.
// False, *imageIndex untouched, when the toolbar or the command is missing; 0 is never a
// command, so it finds no separator. Only an index above 0 is stored: for the first image the
// caller's own value stands, which callers preset on purpose.
bool FindToolbarImage(unsigned commandId, int toolbarId, int* imageIndex);
