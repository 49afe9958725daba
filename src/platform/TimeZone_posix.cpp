#include "platform/SystemTime.h"

#include <ctime>

namespace platform {

std::optional<UtcTime> LocalToUtc(const SYSTEMTIME& local) {
    if (!IsValidSystemTime(local)) {
        return std::nullopt;
    }
    std::tm tm{};
    tm.tm_year = local.wYear - 1900;
    tm.tm_mon = local.wMonth - 1;
    tm.tm_mday = local.wDay;
    tm.tm_hour = local.wHour;
    tm.tm_min = local.wMinute;
    tm.tm_sec = local.wSecond;
    tm.tm_isdst = -1; // let the zone rules of that date decide
    // mktime's -1 is also a real moment; an untouched tm_wday tells a failure apart.
    tm.tm_wday = -1;
    const std::time_t t = std::mktime(&tm);
    if (tm.tm_wday == -1) {
        return std::nullopt;
    }
    return UtcTime{static_cast<int64_t>(t), static_cast<uint32_t>(local.wMilliseconds) * 1000000U};
}

std::optional<SYSTEMTIME> UtcToLocal(const UtcTime& utc) {
    const auto t = static_cast<std::time_t>(utc.seconds);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr) {
        return std::nullopt;
    }
    const long year = tm.tm_year + 1900L;
    if (year < kFirstYear || year > kLastConvertibleYear) {
        return std::nullopt;
    }
    SYSTEMTIME st{};
    st.wYear = static_cast<uint16_t>(year);
    st.wMonth = static_cast<uint16_t>(tm.tm_mon + 1);
    st.wDayOfWeek = static_cast<uint16_t>(tm.tm_wday);
    st.wDay = static_cast<uint16_t>(tm.tm_mday);
    st.wHour = static_cast<uint16_t>(tm.tm_hour);
    st.wMinute = static_cast<uint16_t>(tm.tm_min);
    // A leap second from the zone data shows as :59, as the Win32 record cannot hold :60.
    st.wSecond = static_cast<uint16_t>(tm.tm_sec > 59 ? 59 : tm.tm_sec);
    st.wMilliseconds = static_cast<uint16_t>(utc.nanoseconds / 1000000U);
    return st;
}

} // namespace platform
