// Parses arbitrary bytes as a settings file (as they are, or after a UTF-8 or UTF-16 byte-order
// mark), sets one key and checks what must hold whatever the bytes are.

#include "FuzzCheck.h"
#include "platform/Profile.h"
#include "platform/Utf8.h"

#include <array>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

size_t CountLines(std::string_view text) {
    size_t lines = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            ++lines;
        }
    }
    return lines + (!text.empty() && !IsLineBreak(text.back()) ? 1 : 0);
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    a = Trim(a);
    b = Trim(b);
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// Names made of these, not empty after trimming, can always be written.
bool IsPlainName(std::string_view s) {
    if (Trim(s).empty()) {
        return false;
    }
    for (const char c : s) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == ' ' || c == '\t' || c == '_' || c == '.' || c == '-';
        if (!plain) {
            return false;
        }
    }
    return true;
}

bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

struct Probe {
    std::string section;
    std::string key;
};

std::vector<std::optional<std::string>> Look(const platform::IniText& text,
                                             const std::vector<Probe>& probes) {
    std::vector<std::optional<std::string>> values;
    values.reserve(probes.size());
    for (const Probe& probe : probes) {
        std::optional<std::string> value = text.Find(probe.section, probe.key);
        Check(!value || !HasLineBreakOrNul(*value), "a value holds a line break or a NUL");
        values.push_back(std::move(value));
    }
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(24);
    const std::string key = input.ConsumeRandomLengthString(24);
    const std::string value = input.ConsumeRandomLengthString(64);
    constexpr std::array<std::string_view, 4> kNewLines = {"\n", "\r\n", "\r", "\n\r"};
    const std::string_view newLine = kNewLines[input.ConsumeIntegralInRange<size_t>(0, kNewLines.size() - 1)];
    constexpr std::array<std::string_view, 4> kMarks = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
    const std::string_view mark = kMarks[input.ConsumeIntegralInRange<size_t>(0, kMarks.size() - 1)];
    const std::string file = std::string(mark) + input.ConsumeRemainingBytesAsString();

    std::vector<Probe> probes;
    for (const char* s : {"a", "s", "[x", ""}) {
        for (const char* k : {"a", "k", "#", ""}) {
            probes.push_back({s, k});
        }
        probes.push_back({s, key});
        probes.push_back({section, s});
    }
    platform::IniText text(file);
    Check(text.FileBytes() == file, "a file read and written unchanged is not the same");
    const bool utf16 = file.starts_with("\xFF\xFE") || file.starts_with("\xFE\xFF");
    const std::string before = text.Text();
    const std::vector<std::optional<std::string>> valuesBefore = Look(text, probes);

    const bool set = text.Set(section, key, value, newLine);
    const std::string& after = text.Text();
    // Whatever is written reads back as the same text, in the file's own encoding.
    Check(platform::IniText(text.FileBytes()).Text() == after, "the written file reads back otherwise");
    if (!set) {
        Check(after == before, "a refused Set changed the text");
        Check(newLine == "\n\r" || !IsPlainName(section) || !IsPlainName(key) || HasLineBreakOrNul(value) ||
                  (utf16 && !platform::IsUtf8(value)),
              "a plain name and value were refused");
        return 0;
    }
    Check(newLine != "\n\r", "a line end that is none was accepted");
    Check(text.Find(section, key) == value, "the value set does not read back");

    // Only the key's own line changes, or lines are inserted whole.
    size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) {
        ++prefix;
    }
    size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
    }
    const std::string_view removed = std::string_view(before).substr(prefix, before.size() - prefix - suffix);
    const std::string_view added = std::string_view(after).substr(prefix, after.size() - prefix - suffix);
    Check(removed.find_first_of("\r\n") == std::string_view::npos, "bytes beyond one line were replaced");
    if (added.find_first_of("\r\n") != std::string_view::npos) {
        Check(removed.empty(), "a rewritten line gained a line break");
        Check(CountLines(after) > CountLines(before), "inserted lines merged with their neighbours");
    } else {
        Check(CountLines(after) == CountLines(before), "a rewrite changed the number of lines");
    }

    const std::vector<std::optional<std::string>> valuesAfter = Look(text, probes);
    for (size_t i = 0; i < probes.size(); ++i) {
        if (!(SameName(probes[i].section, section) && SameName(probes[i].key, key))) {
            Check(valuesAfter[i] == valuesBefore[i], "another key changed its value");
        }
    }

    const std::string once = after;
    Check(text.Set(section, key, value, newLine) && text.Text() == once,
          "setting the same again changed the text");
    return 0;
}
