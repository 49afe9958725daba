#include "platform/SystemTime.h"

namespace platform {
namespace {

constexpr int64_t kSecondsPerDay = 86400;
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

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2 ? 1 : 0;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct Civil {
    int64_t year;
    int month;
    int day;
};

Civil CivilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
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

std::optional<UtcTime> CivilToUtc(const SYSTEMTIME& t) {
    if (!IsValidSystemTime(t)) {
        return std::nullopt;
    }
    const int64_t days = DaysFromCivil(t.wYear, t.wMonth, t.wDay);
    return UtcTime{days * kSecondsPerDay + t.wHour * 3600 + t.wMinute * 60 + t.wSecond,
                   static_cast<uint32_t>(t.wMilliseconds) * 1000000U};
}

std::optional<SYSTEMTIME> UtcToCivil(const UtcTime& utc) {
    const int64_t days = FloorDiv(utc.seconds, kSecondsPerDay);
    const int64_t secondOfDay = utc.seconds - days * kSecondsPerDay;
    const Civil c = CivilFromDays(days);
    if (c.year < kFirstYear || c.year > kLastConvertibleYear) {
        return std::nullopt;
    }
    SYSTEMTIME t{};
    t.wYear = static_cast<uint16_t>(c.year);
    t.wMonth = static_cast<uint16_t>(c.month);
    t.wDay = static_cast<uint16_t>(c.day);
    // 1970-01-01 was a Thursday.
    t.wDayOfWeek = static_cast<uint16_t>(((days % 7) + 11) % 7);
    t.wHour = static_cast<uint16_t>(secondOfDay / 3600);
    t.wMinute = static_cast<uint16_t>(secondOfDay / 60 % 60);
    t.wSecond = static_cast<uint16_t>(secondOfDay % 60);
    t.wMilliseconds = static_cast<uint16_t>(utc.nanoseconds / 1000000U);
    return t;
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
