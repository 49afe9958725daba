#pragma once

#include "platform/SysColors.h"

#include <QColor>
#include <QFont>
#include <QPalette>

// A colour of the system colour table (win32::color).
inline QColor SysColor(int index) {
    return QColor(platform::SysColor(index));
}

// The system colour table as the toolkit's palette gives it: the menu in the window colour,
// the 3-D face in the button colour (equal in the usual palettes: the classic menu style), and
// the 3-D edges, highlight and texts from their palette roles.
platform::SysColorTable SysColorsFromPalette(const QPalette& palette);

// Puts the palette's colours and the menu font's line height into the tables the menus read.
void ApplySystemColors(const QPalette& palette, const QFont& menuFont);
