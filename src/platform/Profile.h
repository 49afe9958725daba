#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The bytes of one INI file and the profile functions' rules for reading and changing them.
// No I/O: ProfileStore below reads and writes the file.
class IniText {
public:
    IniText() = default;
    explicit IniText(std::string bytes);

    // The value of a key: cut at a NUL byte, then trimmed, then one pair of surrounding quotes
    // removed. No value when the section or the key is missing, or a name is empty.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    // Sets a key, changing no other byte: an existing key's line is rewritten in place, a new
    // key goes after the last non-empty line of its section, a new section at the end.
    // newLine ("\n", "\r\n" or "\r") is used only when the text has no line end of its own yet.
    // False, and nothing changed, for names or values that cannot be written as one line.
    bool Set(std::string_view section, std::string_view key, std::string_view value,
             std::string_view newLine);

    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

// A settings file read and written with the semantics of the Windows private profile functions.
// Each call reads (and a write call writes) the file, unless a Batch holds it in memory.
class ProfileStore {
public:
    enum class CreateFolders { No, Yes };

    explicit ProfileStore(std::string path, CreateFolders createFolders = CreateFolders::No);

    const std::string& Path() const { return m_path; }

    // The default comes back for a missing file, section or key, and for an empty value.
    int GetProfileInt(std::string_view section, std::string_view key, int defaultValue);
    // Cut to 4,095 bytes (never inside a UTF-8 character). The default, trailing spaces removed,
    // for a missing file, section or key.
    std::string GetProfileString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue);
    // Writes "%d". False when the file cannot be written; the old file is then unchanged.
    bool WriteProfileInt(std::string_view section, std::string_view key, int value);
    bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value);

    // Holds the file in memory for its lifetime: read once at the first call, written once when
    // the batch ends (or at Flush) if anything changed.
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
    struct Snapshot {
        IniText text;
        // False when the file exists but could not be read: it must then never be replaced.
        bool writable = false;
        bool changed = false;
    };

    Snapshot Load() const;
    Snapshot& Held();
    std::optional<std::string> Find(std::string_view section, std::string_view key);
    bool Write(std::string_view section, std::string_view key, std::string_view value);
    bool Save(const IniText& text) const;
    bool FlushBatch();

    std::string m_path;
    CreateFolders m_createFolders;
    int m_batchDepth = 0;
    std::optional<Snapshot> m_batch; // the file while a Batch is open, once read
};

} // namespace platform
