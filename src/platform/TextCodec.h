#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The code page 932 code of a Unicode character: the byte of a single-byte character, or
// lead × 256 + trail of a double-byte one. 0 when the character has none (and for U+0000).
uint16_t Cp932Code(char32_t c);

// A key whose byte order (as std::string compares) is the order of the text's code page 932
// codes, character by character, a shorter text first when it is the other's beginning.
// A character with no code sorts after every character that has one, by its Unicode value;
// a byte that is not part of valid UTF-8 sorts after both, by its value.
std::string Cp932SortKey(std::string_view utf8);

// Code page 932 bytes to UTF-8. Bytes with no character become U+FFFD.
std::string Cp932ToUtf8(std::string_view cp932);

} // namespace platform
