#pragma once

#include <cstdint>
#include <optional>

// A calendar time as the Win32 record holds it: eight unsigned 16-bit fields in this order.
// wDayOfWeek counts from Sunday = 0. The program's own on every system, so that this header
// needs none of them; the Windows bodies include <windows.h> through platform/Win32.h, which
// keeps the system's record of the same name and layout out of the way.
struct SYSTEMTIME {
    uint16_t wYear;
    uint16_t wMonth;
    uint16_t wDayOfWeek;
    uint16_t wDay;
    uint16_t wHour;
    uint16_t wMinute;
    uint16_t wSecond;
    uint16_t wMilliseconds;
};

namespace platform {

// A moment in UTC: whole seconds since 1970-01-01 00:00:00 UTC (negative before) and the
// nanoseconds within that second.
struct UtcTime {
    int64_t seconds = 0;
    uint32_t nanoseconds = 0;

    friend bool operator==(const UtcTime&, const UtcTime&) = default;
};

inline constexpr uint16_t kFirstYear = 1601;
inline constexpr uint16_t kLastYear = 9999;
// The last year a Windows SYSTEMTIME reached from a file time can hold.
inline constexpr uint16_t kLastConvertibleYear = 30827;

// True for a real calendar date from 1601-01-01 through 9999-12-31.
bool IsValidDate(int year, int month, int day);

// True when every field is a real calendar value from 1601-01-01 through 9999-12-31
// (wDayOfWeek is not looked at).
bool IsValidSystemTime(const SYSTEMTIME& time);

// Local time to UTC with the offset in force at that date, as the time zone database has it.
// A local time that a daylight-saving change skips comes out one step later. No value for an
// invalid record.
std::optional<UtcTime> LocalToUtc(const SYSTEMTIME& local);

// UTC to local time with the offset in force at that moment; wMilliseconds is the nanoseconds
// truncated. No value outside the years 1601 through 30827.
std::optional<SYSTEMTIME> UtcToLocal(const UtcTime& utc);

// A calendar record read as UTC itself, and back, with no time zone involved. No value for an
// invalid record, nor outside the years 1601 through 30827.
std::optional<UtcTime> FieldsToUtc(const SYSTEMTIME& fields);
std::optional<SYSTEMTIME> UtcToFields(const UtcTime& utc);

// Windows file times: 100-nanosecond ticks since 1601-01-01 00:00:00 UTC, the unit NTFS and SMB
// keep creation times in. No value for a moment before 1601.
UtcTime FromFileTimeTicks(uint64_t ticks);
std::optional<uint64_t> ToFileTimeTicks(const UtcTime& time);

} // namespace platform
