#pragma once

#include "filelist/EntryCompare.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace platform {
class ProfileStore;
}

// A stored calendar date and time of day, as the settings file keeps them ("20051012", "140642").
struct StoredDate {
    int year = 0;
    int month = 0;
    int day = 0;
    friend bool operator==(const StoredDate&, const StoredDate&) = default;
};

struct StoredTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const StoredTime&, const StoredTime&) = default;
};

// "NOTHING": no value stored; the picker keeps the current date and time.
inline constexpr char NO_VALUE_TEXT[] = "NOTHING";

// Year from the first 4 characters, month from the 2 after them, day from the last 2, each read
// as atoi does. No value for "NOTHING" and for anything that is not a real date from 1601 to
// 9999 (empty, no digits, month 13...): such a value is treated as if it were not stored.
std::optional<StoredDate> ParseStoredDate(std::string_view text);

// Hour from the first 2 characters, minute from the next 2, second from the last 2; values
// beyond their range carry over (25:00:00 is 01:00:00). No value for "NOTHING" and for a text
// without a single digit.
std::optional<StoredTime> ParseStoredTime(std::string_view text);

std::string FormatStoredDate(const StoredDate& date); // "%04d%02d%02d"
std::string FormatStoredTime(const StoredTime& time); // "%02d%02d%02d"

// A window's normal rectangle in screen pixels.
struct WindowRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// Everything the main window keeps between runs.
struct AppSettings {
    WindowRect window;
    std::array<int, kListColumns> columnWidth{150, 100, 100, 105, 105, 50, 150};
    std::array<int, kListColumns> columnOrder{0, 1, 2, 3, 4, 5, 6};
    bool setCreated = true;
    std::optional<StoredDate> createdDate;
    std::optional<StoredTime> createdTime;
    bool setUpdated = true;
    std::optional<StoredDate> updatedDate;
    std::optional<StoredTime> updatedTime;
    bool setAttributes = false;
    bool readOnly = false;
    bool hidden = false;
    bool archive = false;
    bool subFolder = true;
    bool folderTarget = true;
    bool showResult = true;
    int sortFlags = kDefaultSortFlags;
    int sortColumn = 0;
};

// Reads every key in the order the window applies them, the defaults filling in what is missing
// (defaults.window is the window's current rectangle). An unusable date or time counts as
// missing and reading goes on.
AppSettings ReadSettings(platform::ProfileStore& store, const AppSettings& defaults);

// Writes every key, a new file getting its sections in this order: Window, List, ListOrder,
// Info, Sakusei, Koshin, Attr, Option. False when the file could not be written.
bool WriteSettings(platform::ProfileStore& store, const AppSettings& settings);

// The results window's rectangle in the section "ResultWindow".
WindowRect ReadWindowRect(platform::ProfileStore& store, std::string_view section,
                          const WindowRect& defaults);
bool WriteWindowRect(platform::ProfileStore& store, std::string_view section, const WindowRect& rect);
