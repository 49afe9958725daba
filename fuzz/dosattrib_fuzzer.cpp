// Reads arbitrary user.DOSATTRIB values and writes new attributes and creation times into them.
// Input: the attribute word (4 bytes), a creation time (8 bytes, 0: leave it), then the value.
#include "FuzzCheck.h"
#include "platform/DosAttrib.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

// Bytes from the value's start to its structure, for a value with a NUL.
size_t HeadSize(std::string_view value) {
    const size_t afterNul = value.find('\0') + 1;
    return ((afterNul + 1) / 2 * 2 + 4 + 3) / 4 * 4;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 12) {
        return 0;
    }
    uint32_t attributes = 0;
    uint64_t created = 0;
    std::memcpy(&attributes, data, sizeof attributes);
    std::memcpy(&created, data + 4, sizeof created);
    const std::string_view value(reinterpret_cast<const char*>(data + 12), size - 12);

    platform::DosAttrib before;
    const std::error_code readError = platform::DecodeDosAttrib(value, before);
    platform::DosAttrib wanted = before;
    wanted.raw = value;
    wanted.attributes = attributes;
    if (created != 0) {
        wanted.created = created;
    }
    std::string written;
    const std::error_code writeError = platform::EncodeDosAttrib(wanted, written);
    // What cannot be read is never overwritten.
    Check(writeError == readError, "encoding fails exactly where decoding does");
    if (readError) {
        return 0;
    }

    platform::DosAttrib after;
    Check(!platform::DecodeDosAttrib(written, after), "what was written reads");
    Check(after.attributes == attributes, "the attributes read back");
    Check(after.created == wanted.created, "the creation time reads back, or the old one stays");
    if (after.version == before.version && before.version != 0) {
        Check(written.size() - HeadSize(written) == value.size() - HeadSize(value),
              "the fields behind the head keep their size");
    } else {
        Check(after.version == 4 || (after.version == 0 && before.version == 0),
              "only a new version 4 record");
    }
    std::string again;
    Check(!platform::EncodeDosAttrib(after, again) && again == written,
          "rewriting what was read changes nothing");
    return 0;
}
