#include "platform/Profile.h"

#include "platform/FileIO.h"
#include "platform/Utf8.h"

#include <cstdint>
#include <utility>

namespace platform {
namespace {

// The Windows functions hand values over in a buffer of 4,096 characters, terminator included.
constexpr size_t kMaxValueBytes = 4095;

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

#ifdef _WIN32
constexpr std::string_view kPlatformNewLine = "\r\n";
#else
constexpr std::string_view kPlatformNewLine = "\n";
#endif

// Around names.
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Around values.
bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

std::string_view TrimLeadingBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    return s;
}

std::string_view TrimBlanks(std::string_view s) {
    s = TrimLeadingBlanks(s);
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::string_view TrimSpace(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsSpace(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// How the bytes of an unmarked file are taken, which matters to names only.
enum class Charset { Utf8, Cp932 };

bool IsCp932Lead(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The length of the character at text[i]: a code page 932 lead byte takes the next byte whole.
// In UTF-8 every byte of a longer character is 0x80 or above, so its bytes may go one by one.
size_t CharLength(std::string_view text, size_t i, Charset charset) {
    return charset == Charset::Cp932 && IsCp932Lead(text[i]) && i + 1 < text.size() ? 2 : 1;
}

// A lead byte with nothing after it would take the "]" of its header for its trail byte.
bool EndsInLoneLeadByte(std::string_view name) {
    size_t last = 0;
    for (size_t i = 0; i < name.size(); i += CharLength(name, i, Charset::Cp932)) {
        last = i;
    }
    return !name.empty() && last + 1 == name.size() && IsCp932Lead(name.back());
}

// Only single-byte letters fold.
bool SameName(std::string_view a, std::string_view b, Charset charset) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size();) {
        const size_t length = CharLength(a, i, charset);
        if (length == 1 ? AsciiLower(a[i]) != AsciiLower(b[i]) : a.substr(i, 2) != b.substr(i, 2)) {
            return false;
        }
        i += length;
    }
    return true;
}

bool IsWrappedInQuotes(std::string_view s) {
    return s.size() > 1 && IsQuote(s.front()) && s.front() == s.back();
}

struct Line {
    size_t begin = 0; // first byte of its text
    size_t end = 0;   // one past its text: where its line end starts
    size_t next = 0;  // one past its line end
};

// The line starting at pos; CR LF, LF and CR all end a line.
Line LineAt(std::string_view text, size_t pos) {
    size_t end = pos;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r') {
        ++end;
    }
    size_t next = end;
    if (next < text.size()) {
        next += text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n' ? 2 : 1;
    }
    return {pos, end, next};
}

std::optional<std::string_view> FirstLineEnd(std::string_view text) {
    const size_t at = text.find_first_of("\r\n");
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    const Line line = LineAt(text, at);
    return text.substr(line.end, line.next - line.end);
}

// The name of a section header, which runs from '[' to the last ']' of the line.
std::optional<std::string_view> HeaderName(std::string_view line, Charset charset) {
    line = TrimLeadingBlanks(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    size_t close = std::string_view::npos;
    for (size_t i = 1; i < line.size(); i += CharLength(line, i, charset)) {
        if (line[i] == ']') {
            close = i;
        }
    }
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return TrimBlanks(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view name; // as spelled in the file, trimmed
    std::string_view rawValue;
};

// For a line that is no header.
std::optional<KeyLine> ParseKeyLine(std::string_view line) {
    const std::string_view text = TrimLeadingBlanks(line);
    if (!text.empty() && text.front() == ';') {
        return std::nullopt;
    }
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return KeyLine{TrimBlanks(text.substr(0, equals)), text.substr(equals + 1)};
}

std::string DecodeValue(std::string_view raw) {
    raw = raw.substr(0, raw.find('\0'));
    raw = TrimSpace(raw);
    if (IsWrappedInQuotes(raw)) {
        raw = raw.substr(1, raw.size() - 2);
    }
    return std::string(raw);
}

// Quotes a value that would otherwise lose its outer white space or its own quotes when read.
std::string EncodeValue(std::string_view value) {
    if (!value.empty() && (IsSpace(value.front()) || IsSpace(value.back()) || IsWrappedInQuotes(value))) {
        std::string quoted;
        quoted.reserve(value.size() + 2);
        quoted.append(1, '"').append(value).append(1, '"');
        return quoted;
    }
    return std::string(value);
}

bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// For trimmed names: whether the line written would read back as this section and key.
bool CanWrite(std::string_view section, std::string_view key, std::string_view value) {
    if (section.empty() || key.empty()) {
        return false;
    }
    if (HasLineBreakOrNul(section) || HasLineBreakOrNul(key) || HasLineBreakOrNul(value)) {
        return false;
    }
    if (section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos) {
        return false;
    }
    return key.front() != ';' && key.front() != '[';
}

struct Location {
    bool sectionFound = false;
    Line lastUsed;               // the section's last non-blank line, its header at least
    std::optional<Line> keyLine; // the first line of the key
    KeyLine key;
};

// One pass over the text, stopping at the key or at the end of the first matching section.
Location Locate(std::string_view text, std::string_view section, std::string_view key, Charset charset) {
    Location location;
    for (size_t pos = 0; pos < text.size();) {
        const Line line = LineAt(text, pos);
        pos = line.next;
        const std::string_view content = text.substr(line.begin, line.end - line.begin);
        if (const std::optional<std::string_view> name = HeaderName(content, charset)) {
            if (location.sectionFound) {
                break;
            }
            if (SameName(*name, section, charset)) {
                location.sectionFound = true;
                location.lastUsed = line;
            }
            continue;
        }
        if (!location.sectionFound) {
            continue;
        }
        if (!TrimSpace(content).empty()) {
            location.lastUsed = line;
        }
        if (const std::optional<KeyLine> keyLine = ParseKeyLine(content);
            keyLine && SameName(keyLine->name, key, charset)) {
            location.keyLine = line;
            location.key = *keyLine;
            break;
        }
    }
    return location;
}

bool IsLineEnd(std::string_view s) {
    return s == "\n" || s == "\r\n" || s == "\r";
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

void CutToValueLimit(std::string& value) {
    if (value.size() <= kMaxValueBytes) {
        return;
    }
    size_t cut = kMaxValueBytes;
    // A UTF-8 character has at most three continuation bytes; text in another encoding loses
    // at most three bytes more than it must.
    for (int i = 0; i < 3 && cut > 0 && IsContinuationByte(value[cut]); ++i) {
        --cut;
    }
    value.resize(cut);
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = AsciiLower(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// As the Windows function reads a number: no digits give 0, and the result wraps to 32 bits.
int ParseInt(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    uint32_t base = 10;
    if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    uint32_t number = 0;
    for (; i < s.size(); ++i) {
        const int digit = DigitValue(s[i]);
        if (digit < 0 || static_cast<uint32_t>(digit) >= base) {
            break;
        }
        number = number * base + static_cast<uint32_t>(digit);
    }
    if (negative) {
        number = 0u - number;
    }
    return static_cast<int>(number);
}

std::u16string UnitsOf(std::string_view bytes, bool littleEndian) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        units[i] = static_cast<char16_t>(littleEndian ? first | second << 8 : first << 8 | second);
    }
    return units;
}

std::string BytesOf(std::u16string_view units, bool littleEndian) {
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (const char16_t unit : units) {
        const auto low = static_cast<char>(unit & 0xFF);
        const auto high = static_cast<char>(unit >> 8);
        bytes.append(1, littleEndian ? low : high).append(1, littleEndian ? high : low);
    }
    return bytes;
}

} // namespace

IniText::IniText(std::string fileBytes) {
    const std::string_view bytes = fileBytes;
    const bool littleEndian = bytes.starts_with(kUtf16LeMark);
    if (littleEndian || bytes.starts_with(kUtf16BeMark)) {
        m_encoding = littleEndian ? Encoding::Utf16Le : Encoding::Utf16Be;
        const std::string_view units = bytes.substr(kUtf16LeMark.size());
        m_oddByte = units.substr(units.size() & ~size_t{1});
        m_text = Utf16ToUtf8(UnitsOf(units, littleEndian), LoneSurrogates::Keep);
    } else if (bytes.starts_with(kUtf8Mark)) {
        m_encoding = Encoding::Utf8;
        m_text = bytes.substr(kUtf8Mark.size());
    } else {
        m_cp932 = !IsUtf8(bytes);
        m_text = std::move(fileBytes);
    }
}

std::string IniText::FileBytes() const {
    switch (m_encoding) {
    case Encoding::Unmarked:
        return m_text;
    case Encoding::Utf8:
        return std::string(kUtf8Mark) + m_text;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
        break;
    }
    const bool littleEndian = m_encoding == Encoding::Utf16Le;
    return std::string(littleEndian ? kUtf16LeMark : kUtf16BeMark) +
           BytesOf(Utf8ToUtf16(m_text, LoneSurrogates::Keep), littleEndian) + m_oddByte;
}

std::optional<std::string> IniText::Find(std::string_view section, std::string_view key) const {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    if (section.empty() || key.empty()) {
        return std::nullopt;
    }
    const Location location = Locate(m_text, section, key, m_cp932 ? Charset::Cp932 : Charset::Utf8);
    if (!location.keyLine) {
        return std::nullopt;
    }
    return DecodeValue(location.key.rawValue);
}

bool IniText::Set(std::string_view section, std::string_view key, std::string_view value,
                  std::string_view newLine) {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    if (!CanWrite(section, key, value) || !IsLineEnd(newLine)) {
        return false;
    }
    const bool utf16 = m_encoding == Encoding::Utf16Le || m_encoding == Encoding::Utf16Be;
    if (utf16 && !(IsUtf8(section) && IsUtf8(key) && IsUtf8(value))) {
        return false;
    }
    if ((m_cp932 || !IsUtf8(section)) && EndsInLoneLeadByte(section)) {
        return false;
    }
    const std::string encoded = EncodeValue(value);
    const Location location = Locate(m_text, section, key, m_cp932 ? Charset::Cp932 : Charset::Utf8);
    if (location.keyLine) {
        std::string line;
        line.reserve(location.key.name.size() + 1 + encoded.size());
        line.append(location.key.name).append(1, '=').append(encoded);
        m_text.replace(location.keyLine->begin, location.keyLine->end - location.keyLine->begin, line);
        return true;
    }

    const std::string lineEnd(FirstLineEnd(m_text).value_or(newLine));
    std::string insert;
    size_t at = m_text.size();
    if (location.sectionFound) {
        at = location.lastUsed.next;
        if (location.lastUsed.end == at) {
            insert += lineEnd; // the last line of the file had none
        }
        insert.append(key).append(1, '=').append(encoded);
        // A CR right before an LF would make one line end of the two, swallowing the empty line
        // that follows.
        insert += lineEnd == "\r" && at < m_text.size() && m_text[at] == '\n' ? "\r\n" : lineEnd;
    } else {
        if (!m_text.empty() && m_text.back() != '\n' && m_text.back() != '\r') {
            insert += lineEnd;
        }
        insert.append(1, '[').append(section).append(1, ']').append(lineEnd);
        insert.append(key).append(1, '=').append(encoded).append(lineEnd);
    }
    m_text.insert(at, insert);
    return true;
}

ProfileStore::ProfileStore(std::string path, CreateFolders createFolders)
    : m_path(std::move(path)), m_createFolders(createFolders) {}

int ProfileStore::GetInt(std::string_view section, std::string_view key, int defaultValue) {
    const std::optional<std::string> value = Find(section, key);
    return value && !value->empty() ? ParseInt(*value) : defaultValue;
}

std::string ProfileStore::GetString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) {
    std::optional<std::string> value = Find(section, key);
    if (!value) {
        while (!defaultValue.empty() && defaultValue.back() == ' ') {
            defaultValue.remove_suffix(1);
        }
        value.emplace(defaultValue);
    }
    CutToValueLimit(*value);
    return std::move(*value);
}

bool ProfileStore::WriteInt(std::string_view section, std::string_view key, int value) {
    return Write(section, key, std::to_string(value));
}

bool ProfileStore::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    return Write(section, key, value);
}

ProfileStore::Snapshot ProfileStore::Load() const {
    std::string bytes;
    const std::error_code error = ReadFileBytes(m_path, kMaxProfileBytes, bytes);
    if (!error) {
        return {IniText(std::move(bytes)), true, {}};
    }
    // A missing file may be created; one that is there but could not be read must stay as it is.
    return {IniText(), error == std::errc::no_such_file_or_directory, {}};
}

ProfileStore::Snapshot& ProfileStore::Held() {
    if (!m_batch) {
        m_batch = Load();
    }
    return *m_batch;
}

std::optional<std::string> ProfileStore::Find(std::string_view section, std::string_view key) {
    if (m_batchDepth == 0) {
        return Load().text.Find(section, key);
    }
    return Held().text.Find(section, key);
}

bool ProfileStore::Write(std::string_view section, std::string_view key, std::string_view value) {
    Change change{std::string(section), std::string(key), std::string(value)};
    if (m_batchDepth == 0) {
        return Save({std::move(change)});
    }
    Snapshot& snapshot = Held();
    // A value that already reads back the same is no change: the batch need not write for it.
    const bool same = snapshot.text.Find(section, key) == value;
    if (!snapshot.writable || !snapshot.text.Set(section, key, value, kPlatformNewLine)) {
        return false;
    }
    if (!same) {
        snapshot.changes.push_back(std::move(change));
    }
    return true;
}

// The changes go onto the file as it is when it is locked, not as it was read: what another
// program wrote in between survives.
bool ProfileStore::Save(const std::vector<Change>& changes) const {
    bool refused = false;
    const FileChange apply = [&](const std::optional<std::string>& old) -> std::optional<std::string> {
        IniText text(old.value_or(std::string()));
        for (const Change& change : changes) {
            refused = !text.Set(change.section, change.key, change.value, kPlatformNewLine);
            if (refused) {
                return std::nullopt;
            }
        }
        std::string bytes = text.FileBytes();
        if (old == bytes) {
            return std::nullopt;
        }
        return bytes;
    };
    m_lastError = UpdateFile(m_path, kMaxProfileBytes, m_createFolders, apply);
    if (!m_lastError && refused) {
        m_lastError = std::make_error_code(std::errc::invalid_argument);
    }
    return !m_lastError;
}

bool ProfileStore::FlushBatch() {
    if (!m_batch || m_batch->changes.empty()) {
        return true;
    }
    if (!Save(m_batch->changes)) {
        return false;
    }
    m_batch->changes.clear();
    return true;
}

ProfileStore::Batch::Batch(ProfileStore& store) : m_store(store) {
    ++m_store.m_batchDepth;
}

ProfileStore::Batch::~Batch() {
    if (--m_store.m_batchDepth > 0) {
        return;
    }
    try {
        m_store.FlushBatch();
    } catch (...) {
        // Out of memory while saving: the old file is still whole, and Flush reports failures.
    }
    m_store.m_batch.reset();
}

bool ProfileStore::Batch::Flush() {
    return m_store.FlushBatch();
}

} // namespace platform
