#pragma once

#include "platform/SysColors.h"

// A rectangle as Windows keeps one: right and bottom are just outside it.
struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const CRect&, const CRect&) = default;
};

// Each of red, green and blue moved toward white by the factor: v + f × (255 − v), truncated.
// Factors outside (0, 1] leave the colour as it is.
COLORREF LightenColor(COLORREF color, double factor);

// Where the parts of one menu item go, for an item rectangle and an image slot W × H.
struct MenuItemLayout {
    int dy = 0;       // the image slot's offset from the top, centring it
    CRect imageFrame; // IF
    CRect imageBox;   // IB
    CRect text;       // TR: the text, its right edge W further left when there is an accelerator
    CRect classicCheck;
    CRect flatCheck;
};

MenuItemLayout LayoutMenuItem(const CRect& item, int imageWidth, int imageHeight, bool hasAccelerator);

// The seven strokes of a check mark drawn at (x, y), three pixels each: stroke i covers the
// pixels (x + i, y + s) to (x + i, y + s + 2) with s = 2, 3, 4, 3, 2, 1, 0.
inline constexpr int kCheckMarkOffsets[7] = {2, 3, 4, 3, 2, 1, 0};
