// Feeds arbitrary bytes to what reads the command line's arguments and writes its JSON, and
// checks what holds for any input: a time read is one that can be written back and read again
// as the same moment, a duration stays within its bound, an attribute list never both sets and
// clears a bit, and any bytes make one valid JSON string.
#include "FuzzCheck.h"
#include "cli/AttributeArgs.h"
#include "cli/JsonText.h"
#include "cli/TimeArgs.h"
#include "platform/Utf8.h"
#include "shell/MimeGlobs.h"

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

// Local time is UTC here, so that every moment from 1601 to 9999 has a wall time in range.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TimeArg time;
    std::string error;
    if (ParseTime(text, {0, 0}, time, error) && time.moment) {
        const std::string written = FormatTime(*time.moment);
        TimeArg again;
        Check(ParseTime(written, {0, 0}, again, error) && again.moment == time.moment, "a time reads back");
    }
    int64_t seconds = 0;
    if (ParseDuration(text, seconds, error)) {
        Check(seconds <= 8400LL * 366 * 86400 && seconds >= -8400LL * 366 * 86400,
              "a duration within its bound");
    }
    ApplyRequest::AttributeChange change;
    if (ParseAttributeList(text, change, error)) {
        Check((change.set & change.clear) == 0, "no bit both set and cleared");
    }
    std::string json;
    AppendJsonString(json, text);
    Check(platform::IsUtf8(json) && json.size() >= 2 && json.front() == '"' && json.back() == '"',
          "valid JSON");
    for (size_t i = 1; i + 1 < json.size(); ++i) {
        Check(static_cast<unsigned char>(json[i]) >= 0x20, "no raw control character");
        if (json[i] == '\\') {
            ++i;
        } else {
            Check(json[i] != '"', "no bare quote");
        }
    }
    const MimeGlobs globs({text});
    Check(!globs.TypeOf(text).empty(), "a type for any name");
    return 0;
}
