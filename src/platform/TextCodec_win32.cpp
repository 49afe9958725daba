#include "platform/Cp932Table.h"
#include "platform/Path.h"
#include "platform/TextCodec.h"
#include "platform/Win32Files.h"

namespace platform {
namespace {

std::string Utf8Of(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size, nullptr,
                          nullptr);
    return out;
}

} // namespace

// Without best fit: a character with no code must not come back as a look-alike.
void FillCp932Table(Cp932Table& table) {
    for (char32_t c = 0x80; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        const auto wide = static_cast<wchar_t>(c);
        unsigned char out[4] = {};
        BOOL usedDefault = FALSE;
        const int written =
            ::WideCharToMultiByte(kProgramCodePage, WC_NO_BEST_FIT_CHARS, &wide, 1,
                                  reinterpret_cast<char*>(out), sizeof out, nullptr, &usedDefault);
        if (!usedDefault && written > 0) {
            table[c] = written == 1 ? out[0] : static_cast<uint16_t>(out[0] << 8 | out[1]);
        }
    }
}

std::string Cp932ToUtf8(std::string_view cp932) {
    // Character by character: a whole-text call would fail at the first invalid sequence, or,
    // without MB_ERR_INVALID_CHARS, replace it with whatever the code page chooses.
    std::wstring wide;
    size_t at = 0;
    while (at < cp932.size()) {
        const auto byte = static_cast<unsigned char>(cp932[at]);
        const size_t length = IsCp932LeadByte(byte) ? 2 : 1;
        // Windows gives these single bytes private or control characters; they are no text.
        if (byte == 0x80 || byte == 0xA0 || byte >= 0xFD) {
            wide += L'\uFFFD';
            ++at;
            continue;
        }
        wchar_t out[2] = {};
        const int n = at + length <= cp932.size()
                          ? ::MultiByteToWideChar(kProgramCodePage, MB_ERR_INVALID_CHARS, cp932.data() + at,
                                                  static_cast<int>(length), out, 2)
                          : 0;
        if (n <= 0) {
            wide += L'\uFFFD';
            ++at;
            continue;
        }
        wide.append(out, static_cast<size_t>(n));
        at += length;
    }
    return Utf8Of(wide);
}

} // namespace platform
