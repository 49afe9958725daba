#pragma once

#include "platform/SystemTime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A time given on the command line: the wall time as written, and the moment itself where the
// text fixes it (an offset from UTC, "Z", or "now"). Without one, the wall time is local time,
// converted by the window's rules when it is used.
struct TimeArg {
    SYSTEMTIME wall{};
    std::optional<platform::UtcTime> moment;
};

// Reads "now" (the moment given, to the second) or an ISO 8601 time: YYYY-MM-DD, optionally
// "T" (or one space) and hh:mm or hh:mm:ss, optionally "Z" or an offset +hh, +hhmm or +hh:mm
// (or "-"). Years 1601 to 9999. Fractions of a second are refused rather than dropped: whole
// seconds are written. False with a message saying what is wrong.
bool ParseTime(std::string_view text, const platform::UtcTime& now, TimeArg& out, std::string& error);

// Reads a duration with its sign: "+1h", "-2d3h", "+1w2d", "+90s", "+1h30m", or "+hh:mm:ss"
// and "+hh:mm". Units: w(eeks), d(ays), h(ours), m(inutes), s(econds), each at most once, in
// this order. Exact seconds: a day is 86,400 seconds whatever the clocks do. False with a
// message saying what is wrong.
bool ParseDuration(std::string_view text, int64_t& seconds, std::string& error);

// "+09:00", "-05:00": the offset from UTC at which the time's wall time names its moment, to
// the minute; empty for a local time (no moment).
std::string OffsetText(const TimeArg& time);

// ISO 8601 in local time with the offset from UTC in force at that moment:
// "2005-10-12T14:06:42+09:00". Where the offset is not a whole number of minutes (local mean
// time before a zone's standard time) or local time cannot be had, the moment in UTC with
// "Z". Whole seconds; empty outside the years 1601 to 30827.
std::string FormatTime(const platform::UtcTime& time);
