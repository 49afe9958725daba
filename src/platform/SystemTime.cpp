#include "platform/SystemTime.h"

namespace platform {
namespace {

// Seconds from 1601-01-01 to 1970-01-01.
constexpr int64_t kFileTimeEpochOffset = 11644473600;
constexpr int64_t kTicksPerSecond = 10000000;

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

} // namespace

bool IsValidDate(int year, int month, int day) {
    return year >= kFirstYear && year <= kLastYear && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

bool IsValidSystemTime(const SYSTEMTIME& t) {
    return IsValidDate(t.wYear, t.wMonth, t.wDay) && t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 &&
           t.wMilliseconds < 1000;
}

UtcTime FromFileTimeTicks(uint64_t ticks) {
    const auto seconds = static_cast<int64_t>(ticks / kTicksPerSecond);
    const auto rest = static_cast<uint32_t>(ticks % kTicksPerSecond);
    return UtcTime{seconds - kFileTimeEpochOffset, rest * 100U};
}

std::optional<uint64_t> ToFileTimeTicks(const UtcTime& time) {
    const int64_t seconds = time.seconds + kFileTimeEpochOffset;
    if (seconds < 0 || seconds > static_cast<int64_t>(UINT64_MAX / kTicksPerSecond) - 1) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(seconds) * kTicksPerSecond + time.nanoseconds / 100U;
}

} // namespace platform
