#pragma once

#include "platform/Win32Constants.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Menus in the standard menu template format: a header of two 16-bit words (version, offset),
// then from 4 + offset bytes on, per item, a flags word, a command word unless the item opens a
// popup, and the text as NUL-terminated UTF-16, all little-endian. win32::mf::Popup: the items
// of the popup follow; win32::mf::End: the last item of its level.

// An item as the source writes it: the words in UTF-8; no id and no words make a separator.
struct MenuSource {
    uint16_t flags = 0;
    uint16_t id = 0;
    std::u8string_view text;
};

// An item as a template holds it, with the level it is on (0: the top).
struct MenuTemplateItem {
    uint16_t flags = 0;
    uint16_t id = 0;
    std::u16string text;
    int level = 0;
    friend bool operator==(const MenuTemplateItem&, const MenuTemplateItem&) = default;
};

namespace menu_template {

// Calls put with each UTF-16 unit of text; throws for bytes that are not UTF-8.
template <class Put> constexpr void ToUtf16(std::u8string_view text, Put put) {
    constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<uint8_t>(text[i]);
        const size_t length = lead < 0x80       ? 1
                              : lead >> 5 == 6  ? 2
                              : lead >> 4 == 14 ? 3
                              : lead >> 3 == 30 ? 4
                                                : 0;
        if (length == 0 || i + length > text.size()) {
            throw std::invalid_argument("menu text is not UTF-8");
        }
        char32_t c = length == 1 ? lead : lead & (0x7Fu >> length);
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<uint8_t>(text[i + k]);
            if (next >> 6 != 2) {
                throw std::invalid_argument("menu text is not UTF-8");
            }
            c = c << 6 | (next & 0x3Fu);
        }
        if (c < kShortest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            throw std::invalid_argument("menu text is not UTF-8");
        }
        if (c >= 0x10000) {
            put(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            put(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            put(static_cast<char16_t>(c));
        }
        i += length;
    }
}

} // namespace menu_template

// The length of the template of these items. Throws (in a constant: does not compile) for text
// that is not UTF-8, and for levels that do not all close with the last item.
constexpr size_t MenuTemplateSize(std::span<const MenuSource> items) {
    size_t size = 4;
    int open = 1; // levels begun and not yet ended
    for (const MenuSource& item : items) {
        if (open == 0) {
            throw std::invalid_argument("menu items after the last level ended");
        }
        size_t units = 0;
        menu_template::ToUtf16(item.text, [&](char16_t) { ++units; });
        const bool popup = (item.flags & win32::mf::Popup) != 0;
        size += (popup ? 2 : 4) + 2 * (units + 1);
        open += (popup ? 1 : 0) - ((item.flags & win32::mf::End) != 0 ? 1 : 0);
    }
    if (open != 0) {
        throw std::invalid_argument("a menu level does not end");
    }
    return size;
}

// Writes the template of the items to out, which holds MenuTemplateSize(items) bytes.
constexpr void WriteMenuTemplate(std::span<const MenuSource> items, std::span<uint8_t> out) {
    size_t at = 0;
    const auto word = [&](unsigned w) {
        out[at++] = static_cast<uint8_t>(w & 0xFF);
        out[at++] = static_cast<uint8_t>(w >> 8);
    };
    word(0);
    word(0);
    for (const MenuSource& item : items) {
        word(item.flags);
        if ((item.flags & win32::mf::Popup) == 0) {
            word(item.id);
        }
        menu_template::ToUtf16(item.text, word);
        word(0);
    }
}

// The template bytes of a menu written in the source, made by the compiler.
template <const auto& Items>
inline constexpr auto kMenuTemplate = [] {
    std::array<uint8_t, MenuTemplateSize(Items)> bytes{};
    WriteMenuTemplate(Items, bytes);
    return bytes;
}();

// The same at run time.
std::vector<uint8_t> BuildMenuTemplate(std::span<const MenuSource> items);

// The items of a template, in order, as far as the levels they open are closed again. No value
// for a template that is cut short or whose levels never close.
std::optional<std::vector<MenuTemplateItem>> ParseMenuTemplate(std::span<const uint8_t> bytes);
