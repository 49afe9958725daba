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

} // namespace platform
