#pragma once

// What the text code bodies share; not part of the layer's interface.

#include <array>
#include <cstdint>

namespace platform {

// The code page 932 code of every character U+0080..U+FFFF (see Cp932Code), 0 where it has none.
using Cp932Table = std::array<uint16_t, 0x10000>;

// Each system's converter fills it, one character at a time: a whole-text conversion would stop
// at (or replace) the first character that has no code.
void FillCp932Table(Cp932Table& table);

} // namespace platform
