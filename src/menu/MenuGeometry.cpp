#include "menu/MenuGeometry.h"

#include <initializer_list>

uint32_t LightenColor(uint32_t rgb, double factor) {
    if (!(factor > 0.0 && factor <= 1.0)) {
        return rgb;
    }
    uint32_t out = 0;
    for (const int shift : {16, 8, 0}) {
        const auto v = static_cast<int>((rgb >> shift) & 0xFF);
        out |= static_cast<uint32_t>(v + factor * (255 - v)) << shift;
    }
    return out;
}

MenuItemLayout LayoutMenuItem(const CRect& r, int w, int h, bool hasAccelerator) {
    MenuItemLayout l;
    // Division truncates toward zero, and a negative offset becomes 0.
    l.dy = (r.bottom - r.top - h - 4) / 2;
    if (l.dy < 0) {
        l.dy = 0;
    }
    l.imageFrame = {r.left + 1, r.top + l.dy + 1, r.left + w + 3, r.top + l.dy + h + 3};
    l.imageBox = {r.left, r.top + l.dy, r.left + w + 4, r.top + l.dy + h + 4};
    l.text = {r.left + w + 9, r.top - 1, r.right - (hasAccelerator ? w : 0), r.bottom - 1};
    l.classicCheck = {r.left + 1, r.top + l.dy + 2, r.left + w + 1, r.top + l.dy + h + 2};
    l.flatCheck = {r.left + 2, r.top + l.dy + 2, r.left + w + 2, r.top + l.dy + h + 3};
    return l;
}
