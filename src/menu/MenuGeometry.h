#pragma once

#include <cstdint>

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

// Each of red, green and blue of 0xRRGGBB moved toward white by the factor: v + f × (255 − v),
// truncated. Factors outside (0, 1] leave the colour as it is.
uint32_t LightenColor(uint32_t rgb, double factor);

// Where the parts of one menu item go, for an item rectangle and an image slot W × H.
struct MenuItemLayout {
    int dy = 0;       // the image slot's offset from the top, centring it
    CRect imageFrame; // inside the image box, one pixel in
    CRect imageBox;   // the image and its 3-D frame
    CRect text;       // its right edge W further left when there is an accelerator
    CRect classicCheck;
    CRect flatCheck;
};

MenuItemLayout LayoutMenuItem(const CRect& item, int imageWidth, int imageHeight, bool hasAccelerator);
