// Local time and UTC with the offset of the date itself: the zone's rules for that year
// (GetTimeZoneInformationForYear, as the ...Ex calls use them, which Wine lacks), applied by
// SystemTimeToTzSpecificLocalTime and its inverse.
#include "platform/SystemTime.h"
#include "platform/Win32.h"

namespace platform {
namespace {

Win32SystemTime ToWin32(const SYSTEMTIME& t) {
    return {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

SYSTEMTIME FromWin32(const Win32SystemTime& t) {
    return {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

bool ZoneInYear(uint16_t year, TIME_ZONE_INFORMATION& zone) {
    DYNAMIC_TIME_ZONE_INFORMATION dynamic{};
    return ::GetDynamicTimeZoneInformation(&dynamic) != TIME_ZONE_ID_INVALID &&
           ::GetTimeZoneInformationForYear(year, &dynamic, &zone);
}

} // namespace

std::optional<UtcTime> LocalToUtc(const SYSTEMTIME& local) {
    if (!IsValidSystemTime(local)) {
        return std::nullopt;
    }
    TIME_ZONE_INFORMATION zone{};
    if (!ZoneInYear(local.wYear, zone)) {
        return std::nullopt;
    }
    const Win32SystemTime in = ToWin32(local);
    Win32SystemTime out{};
    if (!::TzSpecificLocalTimeToSystemTime(&zone, &in, &out)) {
        return std::nullopt;
    }
    auto utc = FieldsToUtc(FromWin32(out));
    if (utc) {
        utc->nanoseconds = static_cast<uint32_t>(local.wMilliseconds) * 1000000U;
    }
    return utc;
}

std::optional<SYSTEMTIME> UtcToLocal(const UtcTime& utc) {
    const auto fields = UtcToFields(utc);
    if (!fields) {
        return std::nullopt;
    }
    TIME_ZONE_INFORMATION zone{};
    if (!ZoneInYear(fields->wYear, zone)) {
        return std::nullopt;
    }
    const Win32SystemTime in = ToWin32(*fields);
    Win32SystemTime out{};
    if (!::SystemTimeToTzSpecificLocalTime(&zone, &in, &out)) {
        return std::nullopt;
    }
    SYSTEMTIME local = FromWin32(out);
    local.wMilliseconds = static_cast<uint16_t>(utc.nanoseconds / 1000000U);
    return local;
}

} // namespace platform
