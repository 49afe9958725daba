#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Decodes one UTF-8 character at text[i], i < text.size(); returns its length, or 0 when the
// bytes there are not a valid, shortest-form encoding of a scalar value (no surrogates).
size_t DecodeUtf8(std::string_view text, size_t i, char32_t& out);

// Appends v in the UTF-8 bit layout, which carries values up to 0x1FFFFF; byte order then
// follows value order, so sort keys may use the values above Unicode too.
void AppendUtf8(std::string& out, char32_t v);

// Whether every byte belongs to a character DecodeUtf8 accepts.
bool IsUtf8(std::string_view text);

// What a surrogate without its partner becomes between UTF-16 and UTF-8. Keep gives it the
// three-byte form of its value (as WTF-8 does) and takes that form back, so that text from a
// file goes back into it unit for unit; that form is no valid UTF-8.
enum class LoneSurrogates { Replace, Keep };

// UTF-16 and UTF-8 both ways; a bad byte, and with Replace a lone surrogate, becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text, LoneSurrogates lone = LoneSurrogates::Replace);
std::u16string Utf8ToUtf16(std::string_view text, LoneSurrogates lone = LoneSurrogates::Replace);

} // namespace platform
