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

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar, and back.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t days, int64_t& y, unsigned& m, unsigned& d) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0);
}

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
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

std::optional<UtcTime> FieldsToUtc(const SYSTEMTIME& t) {
    if (!IsValidSystemTime(t)) {
        return std::nullopt;
    }
    const int64_t days = DaysFromCivil(t.wYear, t.wMonth, t.wDay);
    return UtcTime{days * 86400 + t.wHour * 3600 + t.wMinute * 60 + t.wSecond,
                   static_cast<uint32_t>(t.wMilliseconds) * 1000000U};
}

std::optional<SYSTEMTIME> UtcToFields(const UtcTime& utc) {
    const int64_t days = FloorDiv(utc.seconds, 86400);
    const int64_t second = utc.seconds - days * 86400;
    int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(days, year, month, day);
    if (year < kFirstYear || year > kLastConvertibleYear) {
        return std::nullopt;
    }
    SYSTEMTIME t{};
    t.wYear = static_cast<uint16_t>(year);
    t.wMonth = static_cast<uint16_t>(month);
    t.wDayOfWeek = static_cast<uint16_t>(days + 4 - FloorDiv(days + 4, 7) * 7); // 1970-01-01: Thursday
    t.wDay = static_cast<uint16_t>(day);
    t.wHour = static_cast<uint16_t>(second / 3600);
    t.wMinute = static_cast<uint16_t>(second / 60 % 60);
    t.wSecond = static_cast<uint16_t>(second % 60);
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
