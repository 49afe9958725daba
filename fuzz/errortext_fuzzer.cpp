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
    // The path as given, then the text on the same line, and one line end of its own.
    const std::string_view rest = std::string_view(line).substr(std::min(path.size(), line.size()));
    if (line.compare(0, path.size(), path) != 0 || rest.empty() || rest.back() != '\n' ||
        rest.find_first_of("\r\n") != rest.size() - 1) {
        std::abort();
    }
    return 0;
}
