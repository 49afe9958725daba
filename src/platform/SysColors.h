#pragma once

#include "platform/Win32Constants.h"

#include <array>
#include <cstdint>

// The system colours and metrics the owner-drawn menu paints with, by their Windows indexes
// (win32::color, win32::sm): a table that the windows fill from the toolkit's palette and that
// tests replace. Colours are 0xRRGGBB.
namespace platform {

using SysColorTable = std::array<uint32_t, win32::color::Count>;

constexpr uint32_t Rgb(int r, int g, int b) {
    return static_cast<uint32_t>((r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF));
}

// The classic grey scheme, in use until a table is set.
SysColorTable DefaultSysColors();
void SetSysColors(const SysColorTable& colors);
// 0 for an index outside the table.
uint32_t SysColor(int index);

void SetSystemMetric(int index, int value);
// The value set, or 0; win32::sm::CyMenu is 19 (a menu line at 96 dots per inch) until set.
int SystemMetric(int index);

} // namespace platform
