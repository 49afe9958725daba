#include "menu/SystemColors.h"

#include <QFontMetrics>

#include <algorithm>

namespace {

COLORREF Ref(const QColor& c) {
    return RGB(c.red(), c.green(), c.blue());
}

} // namespace

platform::SysColorTable SysColorsFromPalette(const QPalette& p) {
    platform::SysColorTable t = platform::DefaultSysColors();
    t[COLOR_MENU] = Ref(p.color(QPalette::Active, QPalette::Window));
    t[COLOR_MENUTEXT] = Ref(p.color(QPalette::Active, QPalette::WindowText));
    t[COLOR_HIGHLIGHT] = Ref(p.color(QPalette::Active, QPalette::Highlight));
    t[COLOR_HIGHLIGHTTEXT] = Ref(p.color(QPalette::Active, QPalette::HighlightedText));
    t[COLOR_3DFACE] = Ref(p.color(QPalette::Active, QPalette::Button));
    t[COLOR_BTNSHADOW] = Ref(p.color(QPalette::Active, QPalette::Dark));
    t[COLOR_GRAYTEXT] = Ref(p.color(QPalette::Disabled, QPalette::WindowText));
    t[COLOR_BTNTEXT] = Ref(p.color(QPalette::Active, QPalette::ButtonText));
    t[COLOR_BTNHIGHLIGHT] = Ref(p.color(QPalette::Active, QPalette::Light));
    t[COLOR_3DLIGHT] = Ref(p.color(QPalette::Active, QPalette::Midlight));
    return t;
}

void ApplySystemColors(const QPalette& palette, const QFont& menuFont) {
    platform::SetSysColors(SysColorsFromPalette(palette));
    // A menu line: the font's height and the room the classic menus leave around it.
    platform::SetSystemMetric(SM_CYMENU, std::max(19, QFontMetrics(menuFont).height() + 7));
}
