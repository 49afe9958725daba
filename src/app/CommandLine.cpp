#include "app/CommandLine.h"

#include "platform/Path.h"
#include "version/AppVersion.h"

#include <string_view>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The path of a local file:// URL, its escapes turned back into bytes; none for any other URL.
bool FromFileUrl(std::string_view url, std::string& path) {
    constexpr std::string_view kLocal = "file://";
    if (url.substr(0, kLocal.size()) != kLocal) {
        return false;
    }
    url.remove_prefix(kLocal.size());
    if (url.substr(0, 9) == "localhost") {
        url.remove_prefix(9);
    }
    if (url.empty() || url.front() != '/') {
        return false; // another host's file
    }
    path.clear();
    for (size_t i = 0; i < url.size(); ++i) {
        const int high = url[i] == '%' && i + 2 < url.size() ? HexDigit(url[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(url[i + 2]) : -1;
        if (low >= 0) {
            path += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            path += url[i];
        }
    }
    return true;
}

// A full path for the list: relative to the current folder, without "./" in front and without
// separators at the end (the row's name is the last component).
std::string FullPath(const std::string& given, const std::string& currentFolder) {
    std::string path = platform::FullPath(given, currentFolder);
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args, const std::string& currentFolder) {
    CommandLine line;
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "--help" || arg == "-h")) {
            line.action = CommandLine::Action::ShowHelp;
        } else if (options && arg == "--version") {
            line.action = CommandLine::Action::ShowVersion;
        } else if (options && arg.size() > 1 && arg.front() == '-') {
            return {CommandLine::Action::Fail, {}, "unknown option: " + arg};
        } else if (arg.empty()) {
            return {CommandLine::Action::Fail, {}, "an empty path"};
        } else {
            std::string path;
            if (arg.find("://") != std::string::npos && !FromFileUrl(arg, path)) {
                return {CommandLine::Action::Fail, {}, "not a local file: " + arg};
            }
            line.paths.push_back(FullPath(path.empty() ? arg : path, currentFolder));
        }
    }
    return line;
}

std::string CommandLineHelp() {
    return std::string("Datemark ") + APP_VERSION +
           "\n"
           "Sets the creation and last-write times and the read-only, hidden and archive\n"
           "attributes of files and folders.\n\n"
           "Usage: datemark [--] [FILE|FOLDER]...\n"
           "  The files and folders given are listed in the window.\n"
           "  --help     show this text\n"
           "  --version  show the version\n";
}
