#pragma once

#include "platform/SystemTime.h"

#include <vector>

namespace systemtime_test {

inline SYSTEMTIME Make(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    const auto u = [](int v) { return static_cast<uint16_t>(v); };
    return SYSTEMTIME{u(y), u(mo), 0, u(d), u(h), u(mi), u(s), u(ms)};
}

// Every field but the weekday.
inline std::vector<int> Fields(const SYSTEMTIME& t) {
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

} // namespace systemtime_test
