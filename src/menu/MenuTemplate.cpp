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
        for (uint16_t c = 0; Word(c);) {
            if (c == 0) {
                return true;
            }
            out.push_back(static_cast<char16_t>(c));
        }
        return false;
    }

    bool Skip(size_t count) {
        m_at += count;
        return m_at <= m_bytes.size();
    }

private:
    std::span<const uint8_t> m_bytes;
    size_t m_at = 0;
};

} // namespace

std::vector<uint8_t> BuildMenuTemplate(std::span<const MenuSource> items) {
    std::vector<uint8_t> bytes(MenuTemplateSize(items));
    WriteMenuTemplate(items, bytes);
    return bytes;
}

std::optional<std::vector<MenuTemplateItem>> ParseMenuTemplate(std::span<const uint8_t> bytes) {
    Reader reader(bytes);
    uint16_t version = 0;
    uint16_t offset = 0;
    if (!reader.Word(version) || !reader.Word(offset) || !reader.Skip(offset)) {
        return std::nullopt;
    }
    std::vector<MenuTemplateItem> items;
    // Whether each open level has seen its last item; a popup's level ends only after its items.
    std::vector<bool> ended{false};
    while (!ended.empty()) {
        MenuTemplateItem item;
        item.level = static_cast<int>(ended.size()) - 1;
        if (!reader.Word(item.flags)) {
            return std::nullopt;
        }
        const bool popup = (item.flags & win32::mf::Popup) != 0;
        if ((!popup && !reader.Word(item.id)) || !reader.Text(item.text)) {
            return std::nullopt;
        }
        if ((item.flags & win32::mf::End) != 0) {
            ended.back() = true;
        }
        items.push_back(std::move(item));
        if (popup) {
            ended.push_back(false);
            continue;
        }
        while (!ended.empty() && ended.back()) {
            ended.pop_back();
        }
    }
    return items;
}
