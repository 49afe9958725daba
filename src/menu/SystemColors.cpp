#include "menu/SystemColors.h"

#include <QFontMetrics>

#include <algorithm>

platform::SysColorTable SysColorsFromPalette(const QPalette& p) {
    using namespace win32::color;
    platform::SysColorTable t = platform::DefaultSysColors();
    const auto set = [&](int index, QPalette::ColorRole role, QPalette::ColorGroup group = QPalette::Active) {
        t[static_cast<size_t>(index)] = p.color(group, role).rgb() & 0xFFFFFF;
    };
    set(Menu, QPalette::Window);
    set(MenuText, QPalette::WindowText);
    set(Highlight, QPalette::Highlight);
    set(HighlightText, QPalette::HighlightedText);
    set(Face3d, QPalette::Button);
    set(BtnShadow, QPalette::Dark);
    set(GrayText, QPalette::WindowText, QPalette::Disabled);
    set(BtnText, QPalette::ButtonText);
    set(BtnHighlight, QPalette::Light);
    set(Light3d, QPalette::Midlight);
    return t;
}

void ApplySystemColors(const QPalette& palette, const QFont& menuFont) {
    platform::SetSysColors(SysColorsFromPalette(palette));
    // A menu line: the font's height and the room the classic menus leave around it.
    platform::SetSystemMetric(win32::sm::CyMenu, std::max(19, QFontMetrics(menuFont).height() + 7));
}
