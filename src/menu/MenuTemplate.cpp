#include "menu/MenuTemplate.h"

#include "platform/Bytes.h"

namespace {

class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    bool Word(uint16_t& out) {
        if (m_at + 2 > m_bytes.size()) {
            return false;
        }
        out = platform::LoadLe16(m_bytes.data() + m_at);
        m_at += 2;
        return true;
    }

    bool Text(std::u16string& out) {
        out.clear();
        for (uint16_t c = 0; Word(c);) {
            if (c == 0) {
                return true;
            }
            out.push_back(static_cast<char16_t>(c));
        }
        return false;
    }

    bool Skip(size_t count) {
        if (m_at + count > m_bytes.size()) {
            return false;
        }
        m_at += count;
        return true;
    }

private:
    std::span<const uint8_t> m_bytes;
    size_t m_at = 0;
};

void PutWord(std::vector<uint8_t>& out, uint16_t w) {
    out.push_back(static_cast<uint8_t>(w & 0xFF));
    out.push_back(static_cast<uint8_t>(w >> 8));
}

} // namespace

std::optional<std::vector<MenuTemplateItem>> ParseMenuTemplate(std::span<const uint8_t> bytes) {
    Reader reader(bytes);
    uint16_t version = 0;
    uint16_t offset = 0;
    if (!reader.Word(version) || !reader.Word(offset) || !reader.Skip(offset)) {
        return std::nullopt;
    }
    std::vector<MenuTemplateItem> items;
    // Whether each open level has seen its last item; the template ends with the first level.
    std::vector<bool> closed{false};
    while (!closed.empty()) {
        MenuTemplateItem item;
        if (!reader.Word(item.flags)) {
            return std::nullopt;
        }
        const bool popup = (item.flags & MF_POPUP) != 0;
        if (!popup && !reader.Word(item.id)) {
            return std::nullopt;
        }
        if (!reader.Text(item.text)) {
            return std::nullopt;
        }
        const bool ends = (item.flags & MF_END) != 0;
        items.push_back(std::move(item));
        if (ends) {
            closed.back() = true;
        }
        if (popup) {
            // The popup's own items come next; its level's end is reached after them.
            closed.push_back(false);
            continue;
        }
        while (!closed.empty() && closed.back()) {
            closed.pop_back();
        }
    }
    return items;
}

std::vector<uint8_t> BuildMenuTemplate(const std::vector<MenuTemplateItem>& items) {
    std::vector<uint8_t> out;
    PutWord(out, 0);
    PutWord(out, 0);
    for (const MenuTemplateItem& item : items) {
        PutWord(out, item.flags);
        if ((item.flags & MF_POPUP) == 0) {
            PutWord(out, item.id);
        }
        for (const char16_t c : item.text) {
            PutWord(out, static_cast<uint16_t>(c));
        }
        PutWord(out, 0);
    }
    return out;
}
