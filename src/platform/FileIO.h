#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>

namespace platform {

// Reads a whole regular file into out (emptied first). Never blocks, not even on a FIFO.
// Errors: no_such_file_or_directory when it is missing, file_too_large when it holds more than
// maxBytes, is_a_directory or invalid_argument when it is not a regular file.
std::error_code ReadFileBytes(const std::string& path, size_t maxBytes, std::string& out);

// Replaces the file at path with bytes so that it holds either the old or the new content, never
// a mix, even when the process dies on the way: a temporary file in the same folder is written,
// synced and renamed over it. The new file keeps the old one's mode (a new file gets 0666 less
// the umask). When path is a symbolic link, the file it names is replaced and the link stays.
// With createFolders, missing folders on the way are made (mode 0700). On failure the old file
// is untouched and no temporary file is left.
std::error_code ReplaceFileAtomically(const std::string& path, std::string_view bytes, bool createFolders);

} // namespace platform
