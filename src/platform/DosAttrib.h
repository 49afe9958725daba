#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The DOS attribute word as Samba keeps it in the extended attribute user.DOSATTRIB: either the
// text form "0x20", or a binary record that starts with such a text (possibly empty), NUL, and
// then a versioned structure holding the attribute field.

// The attribute word held by a value; no value when neither form can be read.
std::optional<uint32_t> ParseDosAttrib(std::string_view value);

// A new value holding the attribute word. An existing binary record keeps every other field
// and only its attribute field (and text) changes; otherwise the text form "0x%x" and a NUL.
std::string EncodeDosAttrib(std::string_view existing, uint32_t attributes);

} // namespace platform
