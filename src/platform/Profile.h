#pragma once

#include "platform/FileIO.h"

#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace platform {

// A real settings file is a few KB. Anything larger is not ours: it is neither parsed nor replaced.
inline constexpr size_t kMaxProfileBytes = size_t{16} << 20;

// The text of one INI file and the profile functions' rules for reading and changing it.
// No I/O: ProfileStore below reads and writes the file.
class IniText {
public:
    IniText() = default;
    // Takes a file's bytes. After a byte-order mark, UTF-16 (little- or big-endian) is read as
    // UTF-8, and UTF-8 as it is. Bytes without a mark are the text as they are: UTF-8 when they
    // are valid UTF-8, else code page 932, where a double-byte character's trail byte may be a
    // letter that must not fold, or a "]" that ends no header.
    explicit IniText(std::string fileBytes);

    // The value of a key: cut at a NUL byte, then trimmed, then one pair of surrounding quotes
    // removed. No value when the section or the key is missing, or a name is empty.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    // Sets a key, changing no other byte: an existing key's line is rewritten in place, a new
    // key goes after the last non-empty line of its section, a new section at the end.
    // newLine ("\n", "\r\n" or "\r") is used only when the text has no line end of its own yet.
    // False, and nothing changed, for names or values that cannot be written as one line, or
    // that a UTF-16 file cannot hold (anything but valid UTF-8).
    bool Set(std::string_view section, std::string_view key, std::string_view value,
             std::string_view newLine);

    // The text as the file holds it: its byte-order mark, then the text in its encoding, every
    // unit that Set did not change as it was read.
    std::string FileBytes() const;
    // The text in the program's encoding (UTF-8, or the file's bytes where it has no mark).
    const std::string& Text() const { return m_text; }

private:
    enum class Encoding { Unmarked, Utf8, Utf16Le, Utf16Be };

    std::string m_text;
    Encoding m_encoding = Encoding::Unmarked;
    bool m_cp932 = false;  // an unmarked text that is no valid UTF-8
    std::string m_oddByte; // the last byte of a UTF-16 file of odd length, kept last
};

// A settings file read and written with the semantics of the Windows private profile functions.
// Each call reads (and a write call writes) the file, unless a Batch holds it in memory. Writing
// goes through UpdateFile: it refuses a read-only file, keeps the file's identity and applies
// the change to the file as it is at that moment, under its lock.
class ProfileStore {
public:
    using CreateFolders = platform::CreateFolders;

    explicit ProfileStore(std::string path, CreateFolders createFolders = CreateFolders::No);

    const std::string& Path() const { return m_path; }

    // The default comes back for a missing file, section or key, and for an empty value.
    int GetInt(std::string_view section, std::string_view key, int defaultValue);
    // Cut to 4,095 bytes (never inside a UTF-8 character). The default, trailing spaces removed,
    // for a missing file, section or key.
    std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue);
    // Writes "%d". False when the file cannot be written (read-only included); the old file is
    // then unchanged.
    bool WriteInt(std::string_view section, std::string_view key, int value);
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    // Why the last write of the file failed; empty after one that succeeded.
    std::error_code LastWriteError() const { return m_lastError; }

    // Holds the file in memory for its lifetime: read once at the first call. When the batch ends
    // (or at Flush), the keys it changed are written once onto the file as it is then, so that
    // keys another program wrote meanwhile survive.
    class Batch {
    public:
        explicit Batch(ProfileStore& store);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        // Writes pending changes now; false when the file could not be written. The changes stay
        // pending then, and the end of the batch tries once more.
        bool Flush();

    private:
        ProfileStore& m_store;
    };

private:
    struct Change {
        std::string section;
        std::string key;
        std::string value;
    };
    struct Snapshot {
        IniText text;
        // False when the file exists but could not be read: it must then never be replaced.
        bool writable = false;
        std::vector<Change> changes; // the batch's own, in the order made
    };

    Snapshot Load() const;
    Snapshot& Held();
    std::optional<std::string> Find(std::string_view section, std::string_view key);
    bool Write(std::string_view section, std::string_view key, std::string_view value);
    bool Save(const std::vector<Change>& changes) const;
    bool FlushBatch();

    std::string m_path;
    CreateFolders m_createFolders;
    int m_batchDepth = 0;
    std::optional<Snapshot> m_batch; // the file while a Batch is open, once read
    mutable std::error_code m_lastError;
};

} // namespace platform
