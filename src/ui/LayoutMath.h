#pragma once

// What a registered control does when its dialog grows.
inline constexpr int LAYOUT_MOVE_X = 1; // moves right with the width growth
inline constexpr int LAYOUT_MOVE_Y = 2; // moves down with the height growth
inline constexpr int LAYOUT_SIZE_X = 4; // its right edge follows the width growth
inline constexpr int LAYOUT_SIZE_Y = 8; // its bottom edge follows the height growth

struct LayoutRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

// The growth since the last layout, counted only above the base size: below it, controls keep
// their base places, and coming back from below moves them only by the part beyond it.
constexpr int LayoutGrowth(int current, int last, int base) {
    return (current > base ? current : base) - (last > base ? last : base);
}

// The flags applied each on its own, in this order: bottom, right, move down, move right.
constexpr LayoutRect ApplyLayoutFlags(LayoutRect r, int flags, int dW, int dH) {
    if ((flags & LAYOUT_SIZE_Y) != 0) {
        r.bottom += dH;
    }
    if ((flags & LAYOUT_SIZE_X) != 0) {
        r.right += dW;
    }
    if ((flags & LAYOUT_MOVE_Y) != 0) {
        r.top += dH;
        r.bottom += dH;
    }
    if ((flags & LAYOUT_MOVE_X) != 0) {
        r.left += dW;
        r.right += dW;
    }
    return r;
}
