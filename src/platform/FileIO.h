#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace platform {

// Reads a whole regular file into out (emptied first). Never blocks, not even on a FIFO, except
// while UpdateFile rewrites the file in place: it waits for that to end, so that it never reads a
// half-written file. Errors: no_such_file_or_directory when it is missing, file_too_large when it
// holds more than maxBytes, is_a_directory or invalid_argument when it is not a regular file.
std::error_code ReadFileBytes(const std::string& path, size_t maxBytes, std::string& out);

enum class CreateFolders { No, Yes };

// Given the file's bytes (no value when there is no file), the bytes it is to hold, or no value
// to leave it as it is.
using FileChange = std::function<std::optional<std::string>(const std::optional<std::string>& old)>;

// Reads the file at path, lets change decide its new bytes and writes them, so that two
// processes doing this at once each see the other's result (an advisory lock is held from the
// read to the write) and the file holds the old or the new bytes, never a mix:
//  - an existing file is replaced by a temporary file written in the same folder, synced and
//    renamed over it. The new file keeps the old one's mode, its owner and group where this
//    process may set them, and its extended attributes (user.* ones and ACLs always; others,
//    such as security.*, where this process may set them). A file with more than one hard link is instead
//    rewritten in place, so that all its names keep seeing it: space is reserved first and the
//    old bytes are put back when writing fails, but a crash halfway leaves it half-written.
//  - a missing file is created (mode 0666 less the umask) without replacing a file that
//    appeared meanwhile: change is then asked again, with that file's bytes. With createFolders,
//    missing folders on the way are made (mode 0700).
// When path is a symbolic link, the file it names is changed and the link stays.
// Errors: those of ReadFileBytes; permission_denied for a read-only file (no write permission
// bit at all, which binds root too) and for one this process may not read and write. On failure
// the old file is untouched and no temporary file is left.
std::error_code UpdateFile(const std::string& path, size_t maxBytes, CreateFolders createFolders,
                           const FileChange& change);

// Whether UpdateFile could write the file at path as far as permissions tell: the file is
// read-write for this process and not read-only, and its folder may be written (unless the file
// is rewritten in place); for a missing file, whether its folder may be written.
bool CanUpdateFile(const std::string& path);

// A new file written in records: each record reaches the file whole or not at all, also when
// the process is killed between two of them (Sync makes them outlast a power cut too). Space for
// the first reserveBytes is taken when the file is made, so that a disk already full fails
// then, not halfway, and again for each further reserveBytes. Until closed, the file may be as
// long as the space taken, zero bytes following the last record: appending then changes no
// length, which costs a file system far less. Mode 0600; with createFolders, missing folders are
// made (0700).
// Where the space taken can be mapped, a record is copied into the mapping rather than written
// by a call: its first four bytes first, then the middle, then its last four, each four-byte
// part as one store when the file is appended to in multiples of 4. A process killed halfway
// through a record so leaves its last four bytes zero, for the reader to tell.
class AppendFile {
public:
    static std::unique_ptr<AppendFile> Create(const std::string& path, CreateFolders createFolders,
                                              size_t reserveBytes, std::error_code& error);
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    std::error_code Append(std::string_view record);
    std::error_code Sync();
    // Cuts the file to what was appended, giving back the space beyond, and closes; the errors
    // of closing.
    std::error_code Close();

private:
    AppendFile(int fd, uint64_t reserve) : m_fd(fd), m_reserve(reserve) {}
    std::error_code TakeSpace(uint64_t bytes);
    void Map();
    void Unmap();
    int m_fd = -1;
    uint64_t m_reserve = 0;
    uint64_t m_written = 0;
    uint64_t m_taken = 0;  // the file's length: space held ahead, zero bytes beyond m_written
    char* m_map = nullptr; // m_mapSize bytes of the file from m_mapStart, where it is mapped
    uint64_t m_mapStart = 0;
    uint64_t m_mapSize = 0;
};

// The names in a folder, "." and ".." left out, in no particular order.
std::error_code ListFolder(const std::string& folder, std::vector<std::string>& names);

std::error_code RemoveFile(const std::string& path);

} // namespace platform
