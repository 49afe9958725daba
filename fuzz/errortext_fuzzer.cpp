// Builds failure lines from arbitrary paths and error codes.
#include "filelist/FileFacts.h"
#include "platform/Error.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

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
    const std::string text = platform::ErrorText(error);
    // Exactly the path, " - ", the text and one line end; the text never brings its own.
    if (line != path + " - " + text + "\n" || text.find('\n') != std::string::npos) {
        std::abort();
    }
    return 0;
}
