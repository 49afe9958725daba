#include "cli/JsonText.h"

#include "platform/Utf8.h"

#include <cstdint>

void AppendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x80) {
            if (c == '"' || c == '\\') {
                out += '\\';
            }
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (c < 0x20) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
            ++i;
            continue;
        }
        char32_t code = 0;
        const size_t size = platform::DecodeUtf8(text, i, code);
        if (size == 0) {
            out += "\uFFFD";
            ++i;
        } else if (code == 0x2028 || code == 0x2029) {
            out += code == 0x2028 ? "\\u2028" : "\\u2029";
            i += size;
        } else {
            out.append(text.substr(i, size));
            i += size;
        }
    }
    out += '"';
}

std::string Base64(std::string_view bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
        uint32_t group = 0;
        for (size_t k = 0; k < 3; ++k) {
            group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0U);
        }
        for (size_t k = 0; k < 4; ++k) {
            out += k <= n ? kDigits[(group >> (18 - 6 * k)) & 0x3F] : '=';
        }
    }
    return out;
}
