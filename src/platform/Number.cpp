#include "platform/Number.h"

#include <limits>

namespace platform {

namespace {

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

int32_t Atoi(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    const int64_t limit = negative ? kMax + 1 : kMax;
    int64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value >= limit) {
            value = limit; // keep reading nothing more: the rest cannot bring it back in range
            break;
        }
    }
    return static_cast<int32_t>(negative ? -value : value);
}

} // namespace platform
