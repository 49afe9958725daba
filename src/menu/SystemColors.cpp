#include "menu/SystemColors.h"

#include <QFontMetrics>

#include <algorithm>

platform::SysColorTable SysColorsFromPalette(const QPalette& p) {
    platform::SysColorTable t = platform::DefaultSysColors();
    t[COLOR_MENU] = FromQColor(p.color(QPalette::Active, QPalette::Window));
    t[COLOR_MENUTEXT] = FromQColor(p.color(QPalette::Active, QPalette::WindowText));
    t[COLOR_HIGHLIGHT] = FromQColor(p.color(QPalette::Active, QPalette::Highlight));
    t[COLOR_HIGHLIGHTTEXT] = FromQColor(p.color(QPalette::Active, QPalette::HighlightedText));
    t[COLOR_3DFACE] = FromQColor(p.color(QPalette::Active, QPalette::Button));
    t[COLOR_BTNSHADOW] = FromQColor(p.color(QPalette::Active, QPalette::Dark));
    t[COLOR_GRAYTEXT] = FromQColor(p.color(QPalette::Disabled, QPalette::WindowText));
    t[COLOR_BTNTEXT] = FromQColor(p.color(QPalette::Active, QPalette::ButtonText));
    t[COLOR_BTNHIGHLIGHT] = FromQColor(p.color(QPalette::Active, QPalette::Light));
    t[COLOR_3DLIGHT] = FromQColor(p.color(QPalette::Active, QPalette::Midlight));
    return t;
}

void ApplySystemColors(const QPalette& palette, const QFont& menuFont) {
    platform::SetSysColors(SysColorsFromPalette(palette));
    // A menu line: the font's height and the room the classic menus leave around it.
    platform::SetSystemMetric(SM_CYMENU, std::max(19, QFontMetrics(menuFont).height() + 7));
}
