#include "platform/TextCodec.h"
#include "platform/Utf8.h"

namespace platform {
namespace {

constexpr uint32_t kNoCodeBase = 0x10000;   // + Unicode value
constexpr uint32_t kBadByteBase = 0x120000; // + byte value

} // namespace

std::string Cp932SortKey(std::string_view utf8) {
    std::string key;
    key.reserve(utf8.size() + utf8.size() / 2);
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t c = 0;
        const size_t len = DecodeUtf8(utf8, i, c);
        if (len == 0) {
            AppendUtf8(key, kBadByteBase + static_cast<unsigned char>(utf8[i]));
            ++i;
            continue;
        }
        i += len;
        if (c < 0x80) {
            key.push_back(static_cast<char>(c));
            continue;
        }
        const uint16_t code = Cp932Code(c);
        AppendUtf8(key, code != 0 ? code : kNoCodeBase + c);
    }
    return key;
}

} // namespace platform
