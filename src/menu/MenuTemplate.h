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

// Menus in the standard menu template format: two header words (version, offset), then from
// 4 + offset bytes on, per item, a flags word, a command word unless the item opens a popup,
// and the words as NUL-terminated UTF-16, all little-endian. win32::mf::Popup: the popup's items
// follow; win32::mf::End: the last item of its level.

// An item as the source writes it, its words in UTF-8; no id and no words make a separator.
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

// Writes the template of the items to out, which holds all of it, or only measures it when out
// is empty; its length. Throws (in a constant expression: does not compile) for words that are
// not UTF-8 and for levels that do not all end with the last item.
constexpr size_t EncodeMenuTemplate(std::span<const MenuSource> items, std::span<uint8_t> out = {}) {
    constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000}; // by length, for each UTF-8 form
    size_t at = 0;
    const auto word = [&](char32_t w) {
        if (!out.empty()) {
            out[at] = static_cast<uint8_t>(w & 0xFF);
            out[at + 1] = static_cast<uint8_t>(w >> 8);
        }
        at += 2;
    };
    word(0);
    word(0);
    int open = 1; // levels begun and not yet ended
    for (const MenuSource& item : items) {
        const bool popup = (item.flags & win32::mf::Popup) != 0;
        if (open == 0) {
            throw std::invalid_argument("menu items after the last level ended");
        }
        word(item.flags);
        if (!popup) {
            word(item.id);
        }
        for (size_t i = 0, n = 0; i < item.text.size(); i += n) {
            const auto lead = static_cast<uint8_t>(item.text[i]);
            n = lead < 0x80 ? 1 : lead >> 5 == 6 ? 2 : lead >> 4 == 14 ? 3 : lead >> 3 == 30 ? 4 : 0;
            bool valid = n != 0 && i + n <= item.text.size();
            char32_t c = n == 1 ? lead : lead & (0x7Fu >> n);
            for (size_t k = 1; valid && k < n; ++k) {
                valid = (item.text[i + k] & 0xC0) == 0x80;
                c = c << 6 | (item.text[i + k] & 0x3Fu);
            }
            if (!valid || c < kShortest[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
                throw std::invalid_argument("menu words that are not UTF-8");
            }
            if (c >= 0x10000) {
                word(0xD800 + ((c - 0x10000) >> 10));
                c = 0xDC00 + (c & 0x3FF);
            }
            word(c);
        }
        word(0);
        open += (popup ? 1 : 0) - ((item.flags & win32::mf::End) != 0 ? 1 : 0);
    }
    if (open != 0) {
        throw std::invalid_argument("a menu level that does not end");
    }
    return at;
}

// The template bytes of a menu written in the source, made by the compiler.
template <const auto& Items>
inline constexpr auto kMenuTemplate = [] {
    std::array<uint8_t, EncodeMenuTemplate(Items)> bytes{};
    EncodeMenuTemplate(Items, bytes);
    return bytes;
}();

// The items of a template, in order, as far as the levels they open are closed again. No value
// for a template that is cut short or whose levels never close.
std::optional<std::vector<MenuTemplateItem>> ParseMenuTemplate(std::span<const uint8_t> bytes);
