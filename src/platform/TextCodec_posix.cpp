#include "platform/Cp932Table.h"
#include "platform/TextCodec.h"

#include <cerrno>
#include <iconv.h>

namespace platform {
// iconv converts one character at a time here (see FillCp932Table).
void FillCp932Table(Cp932Table& table) {
    iconv_t cd = iconv_open("CP932", "UTF-32LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return;
    }
    for (char32_t c = 0x80; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        unsigned char in[4] = {static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 8), 0, 0};
        unsigned char out[4] = {};
        char* inPtr = reinterpret_cast<char*>(in);
        char* outPtr = reinterpret_cast<char*>(out);
        size_t inLeft = sizeof in;
        size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
            continue;
        }
        const size_t written = sizeof out - outLeft;
        if (written == 1) {
            table[c] = out[0];
        } else if (written == 2) {
            table[c] = static_cast<uint16_t>(out[0] << 8 | out[1]);
        }
    }
    iconv_close(cd);
}

std::string Cp932ToUtf8(std::string_view cp932) {
    std::string out;
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return out;
    }
    out.reserve(cp932.size() * 3 / 2 + 4);
    std::string input(cp932);
    char* in = input.data();
    size_t inLeft = input.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* o = buffer;
        size_t oLeft = sizeof buffer;
        const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buffer, static_cast<size_t>(o - buffer));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            // An invalid or cut-off sequence: one replacement character, then go on.
            out.append("\xEF\xBF\xBD");
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

} // namespace platform
