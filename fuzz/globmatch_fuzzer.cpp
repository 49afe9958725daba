// Matches arbitrary bytes as glob and as name, both ways round, and checks what holds for any
// glob: the matcher must neither crash nor take exponential time on runs of stars.
#include "shell/GlobMatch.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool HasWildcard(std::string_view s) {
    return s.find_first_of("*?[") != std::string_view::npos;
}

void Check(std::string_view pattern, std::string_view text, bool fold) {
    const bool matched = GlobMatch(pattern, text, fold);
    const std::string p(pattern);
    // A star added at either end can take nothing, or anything after the end.
    if (matched) {
        Require(GlobMatch("*" + p, text, fold));
        Require(GlobMatch(p + "*", text, fold));
        Require(GlobMatch(p + "*",
                          std::string(text) + "\xff"
                                              "tail",
                          fold));
    }
    // A last character is the same as a set of just that character.
    if (!pattern.empty() && pattern.find('[') == std::string_view::npos) {
        const char last = pattern.back();
        if (static_cast<unsigned char>(last) < 0x80 &&
            std::string_view("*?]!^").find(last) == std::string_view::npos) {
            const std::string set = p.substr(0, p.size() - 1) + "[" + last + "]";
            Require(GlobMatch(set, text, fold) == matched);
        }
    }
    // Without wildcards, a glob matches itself and, unfolded, nothing else.
    if (!HasWildcard(pattern)) {
        Require(GlobMatch(pattern, pattern, fold));
        Require(fold || matched == (pattern == text));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte chooses the case folding and where the rest splits into glob and name.
    const bool fold = (data[0] & 1) != 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t split = rest.empty() ? 0 : (data[0] >> 1) % (rest.size() + 1);
    const std::string_view first = rest.substr(0, split);
    const std::string_view second = rest.substr(split);
    Check(first, second, fold);
    Check(second, first, fold);
    Require(GlobMatch("*", first, fold));
    return 0;
}
