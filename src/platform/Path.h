#pragma once

#include <string>
#include <string_view>

namespace platform {

// How a path is taken apart. Posix: "/" is the only separator and "\" is part of a name.
// Windows: "\" and "/" both separate, a leading "X:" is the drive, and the bytes are code page
// 932, so the trail byte of a double-byte character is never taken for a separator.
enum class PathStyle {
    Posix,
    Windows,
#ifdef _WIN32
    Native = Windows,
#else
    Native = Posix,
#endif
};

struct SplitPathResult {
    std::string folder; // drive and directory, ending in a separator unless empty
    std::string name;   // base name and extension; empty when the path ends in a separator
};

// Splits a full path into its folder and its last component; folder + name gives the path back.
SplitPathResult SplitPath(std::string_view path, PathStyle style = PathStyle::Native);

// folder + name with one separator between them (none added when folder is empty or already
// ends in a separator).
std::string JoinPath(std::string_view folder, std::string_view name, PathStyle style = PathStyle::Native);

// path as seen from currentFolder: itself when absolute, else currentFolder joined with it,
// "./" in front dropped. Nothing else is taken out: ".." after a link is not where it looks.
std::string FullPath(std::string_view path, std::string_view currentFolder,
                     PathStyle style = PathStyle::Native);

// True for a code page 932 lead byte (0x81-0x9F, 0xE0-0xFC).
constexpr bool IsCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// True for a byte that can follow a lead byte (0x40-0x7E, 0x80-0xFC): "\\" can, "/" cannot.
constexpr bool IsCp932TrailByte(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

} // namespace platform
