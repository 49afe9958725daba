// Reads arbitrary user.DOSATTRIB values and writes new attributes into them.
#include "platform/DosAttrib.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) {
        return 0;
    }
    uint32_t attributes = 0;
    std::memcpy(&attributes, data, sizeof attributes);
    const std::string_view existing(reinterpret_cast<const char*>(data + 4), size - 4);
    (void)platform::ParseDosAttrib(existing);
    // Whatever was there, the new value reads back as written.
    const std::string written = platform::EncodeDosAttrib(existing, attributes);
    const auto back = platform::ParseDosAttrib(written);
    if (!back || *back != attributes) {
        std::abort();
    }
    // A binary record keeps its length apart from the text in front.
    if (platform::EncodeDosAttrib(written, attributes) != written) {
        std::abort();
    }
    return 0;
}
