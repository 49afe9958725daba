#include "cli/TimeArgs.h"

#include <cstdio>

namespace {

// The longest shift that can stay within the years 1601 to 9999.
constexpr int64_t kLongestShift = 8400LL * 366 * 86400;

// Reads a text from left to right.
class Cursor {
public:
    explicit Cursor(std::string_view text) : m_text(text) {}

    bool Done() const { return m_at == m_text.size(); }
    char Peek() const { return Done() ? '\0' : m_text[m_at]; }
    bool Take(char c) {
        if (Done() || m_text[m_at] != c) {
            return false;
        }
        ++m_at;
        return true;
    }
    // Exactly count digits.
    bool Digits(size_t count, int& value) {
        value = 0;
        for (size_t i = 0; i < count; ++i) {
            const char c = Peek();
            if (c < '0' || c > '9') {
                return false;
            }
            value = value * 10 + (c - '0');
            ++m_at;
        }
        return true;
    }
    // One digit or more, up to a bound; false when there is none or the number passes it.
    bool Number(int64_t bound, int64_t& value) {
        const size_t start = m_at;
        value = 0;
        while (!Done() && Peek() >= '0' && Peek() <= '9') {
            value = value * 10 + (Peek() - '0');
            ++m_at;
            if (value > bound) {
                return false;
            }
        }
        return m_at > start;
    }

private:
    std::string_view m_text;
    size_t m_at = 0;
};

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

// "Z", "+hh", "+hhmm" or "+hh:mm" as seconds east of UTC; true with nothing left.
bool ReadOffset(Cursor& in, int64_t& offset) {
    offset = 0;
    if (in.Take('Z') || in.Take('z')) {
        return in.Done();
    }
    const int sign = in.Take('+') ? 1 : in.Take('-') ? -1 : 0;
    int hours = 0;
    int minutes = 0;
    if (sign == 0 || !in.Digits(2, hours)) {
        return false;
    }
    if (!in.Done()) {
        in.Take(':');
        if (!in.Digits(2, minutes)) {
            return false;
        }
    }
    offset = sign * (hours * 3600 + minutes * 60);
    return in.Done() && hours < 24 && minutes < 60;
}

// hh:mm or hh:mm:ss into the record.
bool ReadClock(Cursor& in, SYSTEMTIME& t) {
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!in.Digits(2, hour) || !in.Take(':') || !in.Digits(2, minute)) {
        return false;
    }
    if (in.Take(':') && !in.Digits(2, second)) {
        return false;
    }
    t.wHour = static_cast<uint16_t>(hour);
    t.wMinute = static_cast<uint16_t>(minute);
    t.wSecond = static_cast<uint16_t>(second);
    return true;
}

bool ReadDate(Cursor& in, SYSTEMTIME& t) {
    int year = 0;
    int month = 0;
    int day = 0;
    if (!in.Digits(4, year) || !in.Take('-') || !in.Digits(2, month) || !in.Take('-') || !in.Digits(2, day)) {
        return false;
    }
    t.wYear = static_cast<uint16_t>(year);
    t.wMonth = static_cast<uint16_t>(month);
    t.wDay = static_cast<uint16_t>(day);
    return true;
}

std::string Fields(const SYSTEMTIME& t) {
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.wYear, t.wMonth, t.wDay,
                                t.wHour, t.wMinute, t.wSecond);
    return std::string(text, static_cast<size_t>(n));
}

// "+hh:mm" for a whole number of minutes east of UTC.
std::string Zone(int64_t offset) {
    const int64_t minutes = (offset < 0 ? -offset : offset) / 60;
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+', static_cast<int>(minutes / 60),
                  static_cast<int>(minutes % 60));
    return zone;
}

bool InYears(const platform::UtcTime& moment) {
    const auto fields = platform::UtcToFields(moment);
    return fields && fields->wYear <= platform::kLastYear;
}

} // namespace

bool ParseTime(std::string_view text, const platform::UtcTime& now, TimeArg& out, std::string& error) {
    out = TimeArg();
    if (text == "now") {
        out.moment = platform::UtcTime{now.seconds, 0};
        out.wall = platform::UtcToLocal(*out.moment).value_or(SYSTEMTIME{});
        return true;
    }
    const std::string what = Quoted(text) + " is not a time: give 2005-10-12T14:06:42 (local time), "
                                            "2005-10-12T14:06:42+09:00, 2005-10-12T05:06:42Z or now";
    Cursor in(text);
    if (!ReadDate(in, out.wall)) {
        error = what;
        return false;
    }
    if ((in.Take('T') || in.Take('t') || in.Take(' ')) && !ReadClock(in, out.wall)) {
        error = what;
        return false;
    }
    if (in.Peek() == '.' || in.Peek() == ',') {
        error = Quoted(text) + ": fractions of a second are not written; give whole seconds";
        return false;
    }
    int64_t offset = 0;
    const bool hasOffset = !in.Done();
    if (hasOffset && !ReadOffset(in, offset)) {
        error = what;
        return false;
    }
    const auto asUtc = platform::FieldsToUtc(out.wall);
    if (!asUtc) {
        error = Quoted(text) + " is no date and time of the calendar from 1601 to 9999";
        return false;
    }
    // A local time is converted only when used, but a moment the engine cannot write must be
    // refused here, before anything is changed, as one written with its offset is.
    const auto moment = hasOffset ? std::optional(platform::UtcTime{asUtc->seconds - offset, 0})
                                  : platform::LocalToUtc(out.wall);
    if (!moment || !InYears(*moment)) {
        error = Quoted(text) + " lies outside the years 1601 to 9999 in UTC";
        return false;
    }
    if (hasOffset) {
        out.moment = moment;
    }
    return true;
}

bool ParseDuration(std::string_view text, int64_t& seconds, std::string& error) {
    seconds = 0;
    error = Quoted(text) + " is not a duration: give it with its sign, such as +1h, -2d3h, +1w, +90s or "
                           "+00:30:00";
    Cursor in(text);
    const int sign = in.Take('+') ? 1 : in.Take('-') ? -1 : 0;
    if (sign == 0 || in.Done()) {
        return false;
    }
    int64_t total = 0;
    if (std::string_view(text).find(':') != std::string_view::npos) {
        int64_t hours = 0;
        int minutes = 0;
        int secs = 0;
        if (!in.Number(kLongestShift / 3600, hours) || !in.Take(':') || !in.Digits(2, minutes) ||
            (in.Take(':') && !in.Digits(2, secs)) || !in.Done() || minutes > 59 || secs > 59) {
            return false;
        }
        total = hours * 3600 + minutes * 60 + secs;
    } else {
        static constexpr struct {
            char unit;
            int64_t seconds;
        } kUnits[] = {{'w', 604800}, {'d', 86400}, {'h', 3600}, {'m', 60}, {'s', 1}};
        size_t next = 0;
        while (!in.Done()) {
            int64_t count = 0;
            if (!in.Number(kLongestShift, count)) {
                return false;
            }
            while (next < std::size(kUnits) && !in.Take(kUnits[next].unit)) {
                ++next;
            }
            if (next == std::size(kUnits)) {
                return false;
            }
            total += count * kUnits[next++].seconds;
            if (total > kLongestShift) {
                break;
            }
        }
    }
    if (total > kLongestShift) {
        error = Quoted(text) + " is longer than the years 1601 to 9999";
        return false;
    }
    seconds = sign * total;
    error.clear();
    return true;
}

std::string FormatTime(const platform::UtcTime& time) {
    const platform::UtcTime whole{time.seconds, 0};
    const auto local = platform::UtcToLocal(whole);
    const auto asUtc = local ? platform::FieldsToUtc(*local) : std::nullopt;
    if (asUtc && (asUtc->seconds - whole.seconds) % 60 == 0) {
        return Fields(*local) + Zone(asUtc->seconds - whole.seconds);
    }
    const auto utc = platform::UtcToFields(whole);
    return utc ? Fields(*utc) + "Z" : std::string();
}

std::string OffsetText(const TimeArg& time) {
    const auto wall = platform::FieldsToUtc(time.wall);
    return time.moment && wall ? Zone(wall->seconds - time.moment->seconds) : std::string();
}
