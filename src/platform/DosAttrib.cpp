#include "platform/DosAttrib.h"

#include "platform/Bytes.h"
#include "platform/Error.h"

#include <array>
#include <cstdio>

namespace platform {
namespace {

constexpr uint32_t kValidAttrib = 0x01;
constexpr uint32_t kValidCreateTime = 0x10;
constexpr size_t kNone = SIZE_MAX;

// Where a version's fields lie from the start of its structure.
struct InfoLayout {
    size_t size;       // up to the end of the last fixed field
    size_t attrib;     // the 32-bit attribute word
    size_t validFlags; // kNone before version 3
    size_t createTime; // kNone where Samba reads no creation time
};

constexpr std::array<InfoLayout, 5> kLayouts = {{
    {40, 0, kNone, 24},    // 1
    {52, 4, kNone, kNone}, // 2: the name follows; Samba never reads its create_time
    {44, 4, 0, 28},        // 3
    {24, 4, 0, 16},        // 4
    {16, 4, 0, 8},         // 5
}};

size_t AlignUp(size_t offset, size_t alignment) {
    return (offset + alignment - 1) / alignment * alignment;
}

// The value's parts, found without copying.
struct Parts {
    std::string_view text;              // before the NUL
    uint32_t textValue = 0;             // the text form's attribute word
    const InfoLayout* layout = nullptr; // none for the text form
    uint16_t version = 0;
    size_t info = 0; // where the structure starts
};

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Samba reads the text with sscanf("%x"): an optional 0x, then hex digits up to the first other
// character, the low 32 bits kept. A text without a digit gives it nothing to read.
std::optional<uint32_t> ParseHexText(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && IsHexDigit(text[2])) {
        text.remove_prefix(2);
    }
    if (text.empty() || !IsHexDigit(text[0])) {
        return std::nullopt;
    }
    uint32_t v = 0;
    for (size_t i = 0; i < text.size() && IsHexDigit(text[i]); ++i) {
        const char c = text[i];
        const int d = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        v = v << 4 | static_cast<uint32_t>(d);
    }
    return v;
}

std::error_code FindParts(std::string_view value, Parts& parts) {
    const size_t nul = value.find('\0');
    parts.text = value.substr(0, nul);
    if (nul == std::string_view::npos || nul + 1 == value.size()) {
        // Nothing behind the text: the text form.
        const auto v = ParseHexText(parts.text);
        if (!v) {
            return make_error_code(Errc::dos_record_damaged);
        }
        parts.textValue = *v;
        return {};
    }
    const size_t at = AlignUp(nul + 1, 2);
    if (at + 4 > value.size()) {
        return make_error_code(Errc::dos_record_damaged);
    }
    parts.version = LoadLe16(value.data() + at);
    if (LoadLe16(value.data() + at + 2) != parts.version || parts.version == 0 || parts.version == 0xFFFF) {
        return make_error_code(Errc::dos_record_damaged);
    }
    if (parts.version > kLayouts.size()) {
        return make_error_code(Errc::dos_record_newer);
    }
    parts.layout = &kLayouts[parts.version - 1];
    parts.info = AlignUp(at + 4, 4);
    if (parts.info + parts.layout->size > value.size()) {
        return make_error_code(Errc::dos_record_damaged);
    }
    return {};
}

std::string HexText(uint32_t attributes) {
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "0x%x", attributes);
    return text.data();
}

// Text, NUL, then the version twice, each part aligned as NDR aligns it.
std::string Head(std::string text, uint16_t version) {
    text.push_back('\0');
    text.resize(AlignUp(text.size(), 2), '\0');
    for (int i = 0; i < 2; ++i) {
        text.push_back(static_cast<char>(version & 0xFF));
        text.push_back(static_cast<char>(version >> 8));
    }
    text.resize(AlignUp(text.size(), 4), '\0');
    return text;
}

// A version 4 record as Samba writes one: no text, no itime.
std::string NewRecord(uint32_t attributes, uint64_t created) {
    const InfoLayout& layout = kLayouts[3];
    std::string out = Head("", 4);
    const size_t info = out.size();
    out.resize(info + layout.size, '\0');
    StoreLe32(out.data() + info + layout.validFlags, kValidAttrib | kValidCreateTime);
    StoreLe32(out.data() + info + layout.attrib, attributes);
    StoreLe64(out.data() + info + layout.createTime, created);
    return out;
}

} // namespace

std::error_code DecodeDosAttrib(std::string_view value, DosAttrib& out) {
    out = DosAttrib{};
    if (value.empty()) {
        return {};
    }
    Parts parts;
    if (auto ec = FindParts(value, parts)) {
        return ec;
    }
    out.raw = value;
    out.version = parts.version;
    if (parts.layout == nullptr) {
        out.attributes = parts.textValue;
        return {};
    }
    const char* info = value.data() + parts.info;
    const InfoLayout& layout = *parts.layout;
    out.attributes = LoadLe32(info + layout.attrib);
    if (layout.createTime != kNone) {
        const bool valid =
            layout.validFlags == kNone || (LoadLe32(info + layout.validFlags) & kValidCreateTime) != 0;
        const uint64_t created = LoadLe64(info + layout.createTime);
        if (valid && created != 0) {
            out.created = created;
        }
    }
    return {};
}

std::error_code EncodeDosAttrib(const DosAttrib& record, std::string& out) {
    Parts parts;
    if (!record.raw.empty()) {
        if (auto ec = FindParts(record.raw, parts)) {
            return ec;
        }
    }
    if (record.created && *record.created == 0) {
        return make_error_code(Errc::time_not_stored);
    }
    const InfoLayout* layout = parts.layout;
    if (record.created && (layout == nullptr || layout->createTime == kNone)) {
        out = NewRecord(record.attributes, *record.created);
        return {};
    }
    if (layout == nullptr) {
        // With its NUL, as Samba writes the text.
        out = HexText(record.attributes);
        out.push_back('\0');
        return {};
    }
    // The text may change length, which moves what follows: rebuild the head and copy the
    // structure across whole, which keeps its fields aligned as they were.
    out = Head(parts.text.empty() ? std::string() : HexText(record.attributes), parts.version);
    const size_t info = out.size();
    out.append(record.raw, parts.info);
    char* base = out.data() + info;
    StoreLe32(base + layout->attrib, record.attributes);
    uint32_t valid = kValidAttrib;
    if (record.created) {
        StoreLe64(base + layout->createTime, *record.created);
        valid |= kValidCreateTime;
    }
    if (layout->validFlags != kNone) {
        StoreLe32(base + layout->validFlags, LoadLe32(base + layout->validFlags) | valid);
    }
    return {};
}

std::optional<uint32_t> ParseDosAttrib(std::string_view value) {
    DosAttrib record;
    if (value.empty() || DecodeDosAttrib(value, record)) {
        return std::nullopt;
    }
    return record.attributes;
}

std::error_code EncodeDosAttrib(std::string_view existing, uint32_t attributes, std::string& out) {
    DosAttrib record;
    if (auto ec = DecodeDosAttrib(existing, record)) {
        return ec;
    }
    record.attributes = attributes;
    return EncodeDosAttrib(record, out);
}

} // namespace platform
