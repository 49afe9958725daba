// Splits arbitrary bytes as a path in both styles and checks what every caller relies on.
#include "platform/Path.h"
#include "platform/TextCodec.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Check(std::string_view path, platform::PathStyle style) {
    const auto split = platform::SplitPath(path, style);
    // The two parts always give the path back.
    if (split.folder + split.name != path) {
        std::abort();
    }
    // The name never holds a separator, unless it is a code page 932 trail byte.
    const size_t slash = split.name.find('/');
    if (slash != std::string_view::npos) {
        std::abort();
    }
    // Splitting the folder again leaves no name: it ends in a separator (or a drive) or is empty.
    const auto again = platform::SplitPath(split.folder, style);
    if (!again.name.empty()) {
        std::abort();
    }
    // Joining the parts back does not double the separator.
    if (!split.folder.empty() && platform::JoinPath(split.folder, split.name, style) != path) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view path(reinterpret_cast<const char*>(data), size);
    Check(path, platform::PathStyle::Posix);
    Check(path, platform::PathStyle::Windows);
    // Any name has a sort key, and a name sorts before itself with more after it.
    if (!(platform::Cp932SortKey(path) < platform::Cp932SortKey(std::string(path) + "x"))) {
        std::abort();
    }
    return 0;
}
