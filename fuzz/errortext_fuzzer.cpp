// Builds failure lines from arbitrary paths and error codes.
#include "filelist/FileFacts.h"
#include "platform/Error.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) {
        return 0;
    }
    int32_t code = 0;
    std::memcpy(&code, data, sizeof code);
    const bool own = (data[4] & 1) != 0;
    const std::string path(reinterpret_cast<const char*>(data + 5), size - 5);
    const std::error_code error = own ? std::error_code(code, platform::DatemarkCategory())
                                      : std::error_code(code, std::system_category());
    const std::string line = MakeErrorText(path, error);
    // One line whatever the name holds: no control character but the line end of its own, and
    // none of Unicode's line ends either.
    const std::string_view body = std::string_view(line).substr(0, line.empty() ? 0 : line.size() - 1);
    const bool control = std::any_of(
        body.begin(), body.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
    if (line.empty() || line.back() != '\n' || control || body.find("\xc2\x85") != body.npos ||
        body.find("\xe2\x80\xa8") != body.npos || body.find("\xe2\x80\xa9") != body.npos) {
        std::abort();
    }
    return 0;
}
