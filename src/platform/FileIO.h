#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <system_error>

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

} // namespace platform
