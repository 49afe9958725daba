#pragma once

#include <array>
#include <cstdint>

// The system colours and metrics the owner-drawn menu paints with, by their Windows indexes.
// On Windows they are the system's own; elsewhere a table that the windows fill from the
// toolkit's palette, and that tests replace.
#ifdef _WIN32
#include <windows.h>
#else
using COLORREF = uint32_t; // 0x00BBGGRR

constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16);
}
constexpr int GetRValue(COLORREF c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GetGValue(COLORREF c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int GetBValue(COLORREF c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

inline constexpr int COLOR_MENU = 4;
inline constexpr int COLOR_MENUTEXT = 7;
inline constexpr int COLOR_HIGHLIGHT = 13;
inline constexpr int COLOR_HIGHLIGHTTEXT = 14;
inline constexpr int COLOR_3DFACE = 15;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_GRAYTEXT = 17;
inline constexpr int COLOR_BTNTEXT = 18;
inline constexpr int COLOR_BTNHIGHLIGHT = 20;
inline constexpr int COLOR_3DLIGHT = 22;

inline constexpr int SM_CYMENU = 15;

COLORREF GetSysColor(int index);
int GetSystemMetrics(int index);
#endif

namespace platform {

inline constexpr int kSysColorCount = 31;
using SysColorTable = std::array<COLORREF, kSysColorCount>;

// The classic grey scheme, in use until a table is set.
SysColorTable DefaultSysColors();

// Replaces the colour table (not on Windows, where the system's colours are used).
void SetSysColors(const SysColorTable& colors);
void SetSystemMetric(int index, int value);

} // namespace platform
