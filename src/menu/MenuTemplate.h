#pragma once

#include "platform/Utf8.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Menu item flags as Windows numbers them.
inline constexpr unsigned MF_STRING = 0x0;
inline constexpr unsigned MF_BYCOMMAND = 0x0;
inline constexpr unsigned MF_ENABLED = 0x0;
inline constexpr unsigned MF_GRAYED = 0x1;
inline constexpr unsigned MF_DISABLED = 0x2;
inline constexpr unsigned MF_POPUP = 0x10;
inline constexpr unsigned MF_END = 0x80;
inline constexpr unsigned MF_OWNERDRAW = 0x100;
inline constexpr unsigned MF_BYPOSITION = 0x400;
inline constexpr unsigned MF_SEPARATOR = 0x800;

// One item of a standard menu template: a 16-bit flags word, a 16-bit command id unless the
// item opens a popup, and its text as NUL-terminated UTF-16. MF_END marks the last item of a
// level.
struct MenuTemplateItem {
    uint16_t flags = 0;
    uint16_t id = 0; // 0 for popups and separators
    std::u16string text;
    friend bool operator==(const MenuTemplateItem&, const MenuTemplateItem&) = default;
};

// The items of a template (header: version and offset words; items from 4 + offset bytes on),
// in order, as far as the levels they open are closed again. No value for a template that is
// cut short or whose levels never close.
std::optional<std::vector<MenuTemplateItem>> ParseMenuTemplate(std::span<const uint8_t> bytes);

// The bytes of a template holding these items (version 0, offset 0).
std::vector<uint8_t> BuildMenuTemplate(const std::vector<MenuTemplateItem>& items);

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;
