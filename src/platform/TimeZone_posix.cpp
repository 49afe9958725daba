// Local time and UTC through the C library's reading of the time zone database (TZ, else
// /etc/localtime), which is what every other program on the system shows. UTC to local is one
// localtime_r. Local to UTC finds the offsets in force around the date from the same data:
// mktime with tm_isdst = -1 guesses wrong where a change carries no daylight flag or a negative
// one (Europe/Dublin), and where a zone skips a whole day (Pacific/Apia, 2011).
#include "platform/SystemTime.h"

#include <ctime>
#include <vector>

namespace platform {
namespace {

constexpr int64_t kHour = 3600;
// Every offset the database knows lies within 16 hours of UTC (local mean times included);
// looking 30 hours either side finds every moment a local time can stand for.
constexpr int64_t kReach = 30 * kHour;

std::optional<int64_t> OffsetAt(int64_t t) {
    const auto at = static_cast<std::time_t>(t);
    std::tm tm{};
    if (localtime_r(&at, &tm) == nullptr) {
        return std::nullopt;
    }
    return static_cast<int64_t>(tm.tm_gmtoff);
}

// A stretch of time with one offset from UTC.
struct Span {
    int64_t from; // first second
    int64_t to;   // first second of the next span
    int64_t offset;
};

// The first second in (lo, hi] at which the offset is no longer that of lo.
int64_t ChangeBetween(int64_t lo, int64_t hi, int64_t offsetAtLo) {
    while (hi - lo > 1) {
        const int64_t mid = lo + (hi - lo) / 2;
        if (OffsetAt(mid) == offsetAtLo) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return hi;
}

// The offsets in force from lo to hi, looked at hourly and each change found to the second.
// Zones change at most a few times a year, and never twice within an hour.
std::optional<std::vector<Span>> SpansAround(int64_t lo, int64_t hi) {
    std::vector<Span> spans;
    auto offset = OffsetAt(lo);
    if (!offset) {
        return std::nullopt;
    }
    spans.push_back({lo, hi, *offset});
    for (int64_t t = lo + kHour; t <= hi; t += kHour) {
        const auto next = OffsetAt(t);
        if (!next) {
            return std::nullopt;
        }
        if (*next != spans.back().offset) {
            const int64_t change = ChangeBetween(t - kHour, t, spans.back().offset);
            spans.back().to = change;
            spans.push_back({change, hi, *OffsetAt(change)});
        }
    }
    return spans;
}

} // namespace

std::optional<UtcTime> LocalToUtc(const SYSTEMTIME& local) {
    if (!IsValidSystemTime(local)) {
        return std::nullopt;
    }
    SYSTEMTIME whole = local;
    whole.wMilliseconds = 0;
    const int64_t wall = FieldsToUtc(whole)->seconds; // the wall time's own numbers, read as UTC
    const auto spans = SpansAround(wall - kReach, wall + kReach);
    if (!spans) {
        return std::nullopt;
    }
    const uint32_t nanoseconds = static_cast<uint32_t>(local.wMilliseconds) * 1000000U;
    // The moments that show this wall time; a time shown twice (clocks put back) is the earlier.
    for (const Span& span : *spans) {
        const int64_t t = wall - span.offset;
        if (t >= span.from && t < span.to) {
            return UtcTime{t, nanoseconds};
        }
    }
    // A time the clocks skipped: read with the offset before the change, it comes out as late
    // after the change as it was meant after the last time before it.
    for (size_t i = 1; i < spans->size(); ++i) {
        const Span& before = (*spans)[i - 1];
        const Span& after = (*spans)[i];
        if (wall >= after.from + before.offset && wall < after.from + after.offset) {
            return UtcTime{wall - before.offset, nanoseconds};
        }
    }
    return std::nullopt;
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
