#include "version/VersionText.h"

#include "platform/Number.h"
#include "platform/Path.h"
#include "platform/TextCodec.h"
#include "version/AppVersion.h"

#include <array>
#include <cstdint>

namespace {

std::array<int32_t, 3> Fields(std::string_view version) {
    std::array<int32_t, 3> fields{};
    for (size_t f = 0; f < fields.size(); ++f) {
        const size_t dot = version.find('.');
        fields[f] = platform::Atoi(version.substr(0, dot));
        if (dot == std::string_view::npos) {
            break; // the fields after it do not exist: 0
        }
        version.remove_prefix(dot + 1);
    }
    return fields;
}

bool StartsWith(std::string_view line, std::string_view prefix) {
    return line.substr(0, prefix.size()) == prefix;
}

} // namespace

std::string NewerVersionText(std::string_view remote) {
    return Fields(remote) > Fields(APP_VERSION) ? std::string(remote) : std::string();
}

VersionOutcome ParseVersionFile(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    VersionOutcome outcome;
    bool inSection = false;
    const auto look = [&](std::string_view line) {
        if (line.empty()) {
            return;
        }
        if (line == "[Datemark]") {
            inSection = true;
        } else if (line.front() == '[') {
            inSection = false;
        } else if (inSection && StartsWith(line, "Version=")) {
            outcome.version = NewerVersionText(line.substr(8));
        } else if (inSection && StartsWith(line, "Date=")) {
            outcome.date = std::string(line.substr(5));
        }
    };
    // Cut at every LF that stands on a character boundary: the byte after a double-byte
    // character's lead byte belongs to that character. One CR before the LF goes with it, since
    // most servers and Windows editors end lines in CR LF (a CR is never a trail byte).
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (platform::IsCp932LeadByte(c) && i + 1 < text.size()) {
            i += 2;
            continue;
        }
        if (c == '\n') {
            const size_t end = i > start && text[i - 1] == '\r' ? i - 1 : i;
            look(text.substr(start, end - start));
            start = i + 1;
        }
        ++i;
    }
    look(text.substr(start));
    return outcome;
}

std::string NewerVersionMessage(const VersionOutcome& outcome) {
    const std::string version = platform::Cp932ToUtf8(outcome.version);
    if (!outcome.date.empty()) {
        return "[" + platform::Cp932ToUtf8(outcome.date) + "] にﾊﾞｰｼﾞｮﾝ [" + version +
               "] がﾘﾘｰｽされています。";
    }
    return "ﾊﾞｰｼﾞｮﾝ [" + version + "] がﾘﾘｰｽされています。";
}
