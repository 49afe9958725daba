#include "platform/TextCodec.h"

namespace platform {
namespace {

constexpr uint32_t kNoCodeBase = 0x10000;   // + Unicode value
constexpr uint32_t kBadByteBase = 0x120000; // + byte value

// Decodes one UTF-8 character at text[i]; returns its length, or 0 when the bytes there are
// not a valid, shortest-form encoding of a scalar value.
size_t DecodeUtf8(std::string_view text, size_t i, char32_t& out) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
        out = b0;
        return 1;
    }
    size_t len = 0;
    char32_t c = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, c = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, c = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, c = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > text.size()) {
        return 0;
    }
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80) {
            return 0;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return 0;
    }
    out = c;
    return len;
}

// Writes v with the UTF-8 bit layout extended to 21 bits: byte order then follows value order.
void AppendOrdered(std::string& key, uint32_t v) {
    if (v < 0x80) {
        key.push_back(static_cast<char>(v));
    } else if (v < 0x800) {
        key.push_back(static_cast<char>(0xC0 | (v >> 6)));
        key.push_back(static_cast<char>(0x80 | (v & 0x3F)));
    } else if (v < 0x10000) {
        key.push_back(static_cast<char>(0xE0 | (v >> 12)));
        key.push_back(static_cast<char>(0x80 | ((v >> 6) & 0x3F)));
        key.push_back(static_cast<char>(0x80 | (v & 0x3F)));
    } else {
        key.push_back(static_cast<char>(0xF0 | (v >> 18)));
        key.push_back(static_cast<char>(0x80 | ((v >> 12) & 0x3F)));
        key.push_back(static_cast<char>(0x80 | ((v >> 6) & 0x3F)));
        key.push_back(static_cast<char>(0x80 | (v & 0x3F)));
    }
}

} // namespace

std::string Cp932SortKey(std::string_view utf8) {
    std::string key;
    key.reserve(utf8.size() + utf8.size() / 2);
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t c = 0;
        const size_t len = DecodeUtf8(utf8, i, c);
        if (len == 0) {
            AppendOrdered(key, kBadByteBase + static_cast<unsigned char>(utf8[i]));
            ++i;
            continue;
        }
        i += len;
        if (c < 0x80) {
            key.push_back(static_cast<char>(c));
            continue;
        }
        const uint16_t code = Cp932Code(c);
        AppendOrdered(key, code != 0 ? code : kNoCodeBase + c);
    }
    return key;
}

} // namespace platform
