#include "platform/DosAttrib.h"

#include "platform/Bytes.h"

#include <cstdio>

namespace platform {
namespace {

// Where the binary record's parts lie. The record is NDR: little-endian, each field aligned to
// its own size from the start of the value.
struct BinaryLayout {
    size_t textEnd = 0;   // index of the text's NUL
    size_t infoStart = 0; // start of the versioned structure
    size_t attribAt = 0;  // the 32-bit attribute field
    uint16_t version = 0;
};

size_t AlignUp(size_t offset, size_t alignment) {
    return (offset + alignment - 1) / alignment * alignment;
}

std::optional<BinaryLayout> FindBinaryLayout(std::string_view value) {
    const size_t nul = value.find('\0');
    if (nul == std::string_view::npos) {
        return std::nullopt;
    }
    BinaryLayout layout;
    layout.textEnd = nul;
    size_t at = AlignUp(nul + 1, 2);
    if (at + 4 > value.size()) {
        return std::nullopt;
    }
    layout.version = LoadLe16(value.data() + at);
    // The union's switch value repeats the version.
    if (LoadLe16(value.data() + at + 2) != layout.version) {
        return std::nullopt;
    }
    layout.infoStart = AlignUp(at + 4, 4);
    switch (layout.version) {
    case 1:
        layout.attribAt = layout.infoStart;
        break;
    case 2:
    case 3:
    case 4:
    case 5:
        // flags / valid_flags first, then the attribute field.
        layout.attribAt = layout.infoStart + 4;
        break;
    default:
        return std::nullopt;
    }
    if (layout.attribAt + 4 > value.size()) {
        return std::nullopt;
    }
    return layout;
}

std::optional<uint32_t> ParseHexText(std::string_view text) {
    if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) {
        return std::nullopt;
    }
    uint32_t v = 0;
    size_t digits = 0;
    for (size_t i = 2; i < text.size() && digits < 8; ++i, ++digits) {
        const char c = text[i];
        uint32_t d = 0;
        if (c >= '0' && c <= '9') {
            d = static_cast<uint32_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            d = static_cast<uint32_t>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            d = static_cast<uint32_t>(c - 'A' + 10);
        } else {
            break;
        }
        v = v << 4 | d;
    }
    if (digits == 0) {
        return std::nullopt;
    }
    return v;
}

std::string HexText(uint32_t attributes) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", attributes);
    return text;
}

} // namespace

std::optional<uint32_t> ParseDosAttrib(std::string_view value) {
    if (const auto layout = FindBinaryLayout(value)) {
        return LoadLe32(value.data() + layout->attribAt);
    }
    return ParseHexText(value.substr(0, value.find('\0')));
}

std::string EncodeDosAttrib(std::string_view existing, uint32_t attributes) {
    const auto layout = FindBinaryLayout(existing);
    if (!layout) {
        // With its NUL, as Samba's own record parser expects the text to end in one.
        std::string text = HexText(attributes);
        text.push_back('\0');
        return text;
    }
    // The text in front may change length, which moves the fields behind it: rebuild the
    // record with the same alignment rules and copy the structure across unchanged.
    const bool hadText = layout->textEnd > 0;
    std::string out = hadText ? HexText(attributes) : std::string();
    out.push_back('\0');
    out.resize(AlignUp(out.size(), 2), '\0');
    const size_t versionAt = AlignUp(layout->textEnd + 1, 2);
    out.append(existing.substr(versionAt, 4));
    out.resize(AlignUp(out.size(), 4), '\0');
    const size_t newInfoStart = out.size();
    out.append(existing.substr(layout->infoStart));
    StoreLe32(out.data() + newInfoStart + (layout->attribAt - layout->infoStart), attributes);
    if (layout->version >= 3) {
        // valid_flags: say that the attribute field holds a value.
        StoreLe32(out.data() + newInfoStart, LoadLe32(out.data() + newInfoStart) | 0x1);
    }
    return out;
}

} // namespace platform
