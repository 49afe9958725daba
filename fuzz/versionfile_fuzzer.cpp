// Reads arbitrary bytes as the version file a web server sends, and builds the message shown.
#include "FuzzCheck.h"
#include "version/VersionText.h"

#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const VersionOutcome outcome = ParseVersionFile(text);
    // Whatever the server sent, the values are pieces of it, and a version is newer or absent.
    Check(outcome.version.empty() || text.find(outcome.version) != std::string_view::npos,
          "version from the text");
    Check(outcome.date.empty() || text.find(outcome.date) != std::string_view::npos, "date from the text");
    Check(outcome.version.empty() || NewerVersionText(outcome.version) == outcome.version, "only newer");
    if (!outcome.version.empty()) {
        // Shown as UTF-8 whatever bytes it held.
        const std::string message = NewerVersionMessage(outcome);
        Check(!message.empty(), "a message");
    }
    // A file with CR LF line ends reads as the same file with LF (where no lead byte of a
    // double-byte character stands before a line end, which would take the CR as its trail).
    std::string lf;
    for (const char c : text.substr(0, text.find('\0'))) {
        if (c == '\n' && !lf.empty() && static_cast<unsigned char>(lf.back()) >= 0x80) {
            return 0;
        }
        if (c != '\r') {
            lf += c;
        }
    }
    std::string crlf;
    for (const char c : lf) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const VersionOutcome a = ParseVersionFile(lf);
    const VersionOutcome b = ParseVersionFile(crlf);
    Check(a.version == b.version && a.date == b.date, "CR LF reads as LF");
    return 0;
}
