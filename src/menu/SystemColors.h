#pragma once

#include "platform/SysColors.h"

#include <QColor>
#include <QFont>
#include <QPalette>

// Between the table's COLORREF (0x00BBGGRR) and Qt's colours.
inline QRgb ToQRgb(COLORREF c) {
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

inline QColor ToQColor(COLORREF c) {
    return QColor(ToQRgb(c));
}

inline COLORREF FromQRgb(QRgb c) {
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

inline COLORREF FromQColor(const QColor& c) {
    return FromQRgb(c.rgb());
}

// The system colour table as the toolkit's palette gives it: the menu in the window colour,
// the 3-D face in the button colour (equal in the usual palettes: the classic menu style), and
// the 3-D edges, highlight and texts from their palette roles.
platform::SysColorTable SysColorsFromPalette(const QPalette& palette);

// Puts the palette's colours and the menu font's line height into the tables the menus read.
void ApplySystemColors(const QPalette& palette, const QFont& menuFont);
