#include "platform/Path.h"

namespace platform {
namespace {

bool IsSeparator(char c, PathStyle style) {
    return c == '/' || (style == PathStyle::Windows && c == '\\');
}

// Index just past the last separator, or 0 when there is none.
size_t NameStart(std::string_view path, PathStyle style) {
    size_t start = 0;
    size_t i = 0;
    if (style == PathStyle::Windows && path.size() >= 2 && path[1] == ':') {
        start = i = 2;
    }
    while (i < path.size()) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (style == PathStyle::Windows && IsCp932LeadByte(c) && i + 1 < path.size() &&
            IsCp932TrailByte(static_cast<unsigned char>(path[i + 1]))) {
            i += 2;
            continue;
        }
        ++i;
        if (IsSeparator(static_cast<char>(c), style)) {
            start = i;
        }
    }
    return start;
}

} // namespace

SplitPathResult SplitPath(std::string_view path, PathStyle style) {
    const size_t start = NameStart(path, style);
    return {std::string(path.substr(0, start)), std::string(path.substr(start))};
}

std::string JoinPath(std::string_view folder, std::string_view name, PathStyle style) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder);
    if (!folder.empty() && NameStart(folder, style) != folder.size()) {
        path.push_back(style == PathStyle::Windows ? '\\' : '/');
    }
    path.append(name);
    return path;
}

std::string FullPath(std::string_view path, std::string_view currentFolder, PathStyle style) {
    const auto separatorAt = [&](size_t i) { return i < path.size() && IsSeparator(path[i], style); };
    if (separatorAt(0)) {
        // Windows: "\\server\share" is whole; "\folder" is on the current folder's drive.
        const bool onDrive = style == PathStyle::Windows && !separatorAt(1) && currentFolder.size() >= 2 &&
                             currentFolder[1] == ':';
        return onDrive ? std::string(currentFolder.substr(0, 2)).append(path) : std::string(path);
    }
    if (style == PathStyle::Windows && path.size() >= 2 && path[1] == ':') {
        return std::string(path); // "X:\..." is whole; "X:name" is left to the system
    }
    while (path.size() >= 2 && path[0] == '.' && separatorAt(1)) {
        path.remove_prefix(2);
        while (separatorAt(0)) {
            path.remove_prefix(1);
        }
    }
    return path.empty() || path == "." ? std::string(currentFolder) : JoinPath(currentFolder, path, style);
}

} // namespace platform
