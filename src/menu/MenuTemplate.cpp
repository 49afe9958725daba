#include "menu/MenuTemplate.h"

#include "platform/Bytes.h"

std::optional<std::vector<MenuTemplateItem>> ParseMenuTemplate(std::span<const uint8_t> bytes) {
    size_t at = 0;
    const auto word = [&](uint16_t& out) {
        if (at + 2 > bytes.size()) {
            return false;
        }
        out = platform::LoadLe16(bytes.data() + at);
        at += 2;
        return true;
    };
    uint16_t header = 0; // the version, then the offset of the items
    if (!word(header) || !word(header)) {
        return std::nullopt;
    }
    at += header;
    std::vector<MenuTemplateItem> items;
    // Whether each open level has seen its last item; a popup's level ends only after its items.
    std::vector<bool> ended{false};
    while (!ended.empty()) {
        MenuTemplateItem& item = items.emplace_back();
        item.level = static_cast<int>(ended.size()) - 1;
        if (!word(item.flags)) {
            return std::nullopt;
        }
        const bool popup = (item.flags & win32::mf::Popup) != 0;
        uint16_t c = 1; // stays above 0 when the bytes end first
        if (popup || word(item.id)) {
            while (word(c) && c != 0) {
                item.text.push_back(static_cast<char16_t>(c));
            }
        }
        if (c != 0) {
            return std::nullopt;
        }
        ended.back() = ended.back() || (item.flags & win32::mf::End) != 0;
        if (popup) {
            ended.push_back(false);
        }
        while (!popup && !ended.empty() && ended.back()) {
            ended.pop_back();
        }
    }
    return items;
}
