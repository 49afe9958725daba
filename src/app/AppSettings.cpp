#include "app/AppSettings.h"

#include "platform/Number.h"
#include "platform/Profile.h"
#include "platform/SystemTime.h"
#include "version/AppVersion.h"

#include <cctype>
#include <cstdio>

namespace {

std::string_view Slice(std::string_view text, size_t from, size_t count) {
    return from >= text.size() ? std::string_view() : text.substr(from, count);
}

std::string_view Last(std::string_view text, size_t count) {
    return text.size() <= count ? text : text.substr(text.size() - count);
}

bool HasDigit(std::string_view text) {
    for (const char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
            return true;
        }
    }
    return false;
}

int Flag(bool value) {
    return value ? 1 : 0;
}

std::string ColumnKey(const char* prefix, int column) {
    return prefix + std::to_string(column + 1);
}

void WriteOptionalText(platform::ProfileStore& store, const char* section, const char* key,
                       const std::optional<std::string>& text, bool& ok) {
    ok &= store.WriteProfileString(section, key, text ? *text : std::string(NO_VALUE_TEXT));
}

} // namespace

std::optional<StoredDate> ParseStoredDate(std::string_view text) {
    if (text == NO_VALUE_TEXT || !HasDigit(text)) {
        return std::nullopt;
    }
    const StoredDate date{platform::Atoi(Slice(text, 0, 4)), platform::Atoi(Slice(text, 4, 2)),
                          platform::Atoi(Last(text, 2))};
    if (!platform::IsValidDate(date.year, date.month, date.day)) {
        return std::nullopt;
    }
    return date;
}

std::optional<StoredTime> ParseStoredTime(std::string_view text) {
    if (text == NO_VALUE_TEXT || !HasDigit(text)) {
        return std::nullopt;
    }
    const long total = platform::Atoi(Slice(text, 0, 2)) * 3600L + platform::Atoi(Slice(text, 2, 2)) * 60L +
                       platform::Atoi(Last(text, 2));
    const long ofDay = ((total % 86400) + 86400) % 86400;
    return StoredTime{static_cast<int>(ofDay / 3600), static_cast<int>(ofDay / 60 % 60),
                      static_cast<int>(ofDay % 60)};
}

std::string FormatStoredDate(const StoredDate& date) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d", date.year, date.month, date.day);
    return text;
}

std::string FormatStoredTime(const StoredTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d%02d%02d", time.hour, time.minute, time.second);
    return text;
}

WindowRect ReadWindowRect(platform::ProfileStore& store, std::string_view section,
                          const WindowRect& defaults) {
    WindowRect r;
    r.top = store.GetProfileInt(section, "top", defaults.top);
    r.left = store.GetProfileInt(section, "left", defaults.left);
    r.bottom = store.GetProfileInt(section, "bottom", defaults.bottom);
    r.right = store.GetProfileInt(section, "right", defaults.right);
    return r;
}

bool WriteWindowRect(platform::ProfileStore& store, std::string_view section, const WindowRect& rect) {
    bool ok = store.WriteProfileInt(section, "top", rect.top);
    ok &= store.WriteProfileInt(section, "left", rect.left);
    ok &= store.WriteProfileInt(section, "bottom", rect.bottom);
    ok &= store.WriteProfileInt(section, "right", rect.right);
    return ok;
}

AppSettings ReadSettings(platform::ProfileStore& store, const AppSettings& defaults) {
    const platform::ProfileStore::Batch batch(store);
    AppSettings s = defaults;
    s.window = ReadWindowRect(store, "Window", defaults.window);
    for (int i = 0; i < kListColumns; ++i) {
        s.columnWidth[i] = store.GetProfileInt("List", ColumnKey("width", i), defaults.columnWidth[i]);
    }
    for (int i = 0; i < kListColumns; ++i) {
        s.columnOrder[i] = store.GetProfileInt("ListOrder", ColumnKey("index", i), defaults.columnOrder[i]);
    }
    s.setCreated = store.GetProfileInt("Sakusei", "Yuko", Flag(defaults.setCreated)) != 0;
    s.setUpdated = store.GetProfileInt("Koshin", "Yuko", Flag(defaults.setUpdated)) != 0;
    const auto date = [&](const char* section, const std::optional<StoredDate>& fallback) {
        const auto parsed = ParseStoredDate(store.GetProfileString(section, "Date", NO_VALUE_TEXT));
        return parsed ? parsed : fallback;
    };
    const auto time = [&](const char* section, const std::optional<StoredTime>& fallback) {
        const auto parsed = ParseStoredTime(store.GetProfileString(section, "Time", NO_VALUE_TEXT));
        return parsed ? parsed : fallback;
    };
    s.createdDate = date("Sakusei", defaults.createdDate);
    s.createdTime = time("Sakusei", defaults.createdTime);
    s.updatedDate = date("Koshin", defaults.updatedDate);
    s.updatedTime = time("Koshin", defaults.updatedTime);
    s.setAttributes = store.GetProfileInt("Attr", "Yuko", Flag(defaults.setAttributes)) != 0;
    s.readOnly = store.GetProfileInt("Attr", "ReadOnly", Flag(defaults.readOnly)) != 0;
    s.hidden = store.GetProfileInt("Attr", "Hidden", Flag(defaults.hidden)) != 0;
    s.archive = store.GetProfileInt("Attr", "Archive", Flag(defaults.archive)) != 0;
    s.subFolder = store.GetProfileInt("Option", "SubFolder", Flag(defaults.subFolder)) != 0;
    s.folderTarget = store.GetProfileInt("Option", "Folder", Flag(defaults.folderTarget)) != 0;
    s.showResult = store.GetProfileInt("Option", "Result", Flag(defaults.showResult)) != 0;
    s.sortFlags = store.GetProfileInt("List", "sort", defaults.sortFlags);
    s.sortColumn = store.GetProfileInt("List", "sortindex", defaults.sortColumn);
    return s;
}

bool WriteSettings(platform::ProfileStore& store, const AppSettings& s) {
    platform::ProfileStore::Batch batch(store);
    bool ok = WriteWindowRect(store, "Window", s.window);
    for (int i = 0; i < kListColumns; ++i) {
        ok &= store.WriteProfileInt("List", ColumnKey("width", i), s.columnWidth[i]);
    }
    for (int i = 0; i < kListColumns; ++i) {
        ok &= store.WriteProfileInt("ListOrder", ColumnKey("index", i), s.columnOrder[i]);
    }
    ok &= store.WriteProfileString("Info", "Version", APP_VERSION);
    ok &= store.WriteProfileInt("Sakusei", "Yuko", Flag(s.setCreated));
    ok &= store.WriteProfileInt("Koshin", "Yuko", Flag(s.setUpdated));
    const auto text = [](const auto& value, auto format) {
        return value ? std::optional<std::string>(format(*value)) : std::nullopt;
    };
    WriteOptionalText(store, "Sakusei", "Date", text(s.createdDate, FormatStoredDate), ok);
    WriteOptionalText(store, "Sakusei", "Time", text(s.createdTime, FormatStoredTime), ok);
    WriteOptionalText(store, "Koshin", "Date", text(s.updatedDate, FormatStoredDate), ok);
    WriteOptionalText(store, "Koshin", "Time", text(s.updatedTime, FormatStoredTime), ok);
    ok &= store.WriteProfileInt("Attr", "Yuko", Flag(s.setAttributes));
    ok &= store.WriteProfileInt("Attr", "ReadOnly", Flag(s.readOnly));
    ok &= store.WriteProfileInt("Attr", "Hidden", Flag(s.hidden));
    ok &= store.WriteProfileInt("Attr", "Archive", Flag(s.archive));
    ok &= store.WriteProfileInt("Option", "SubFolder", Flag(s.subFolder));
    ok &= store.WriteProfileInt("Option", "Folder", Flag(s.folderTarget));
    ok &= store.WriteProfileInt("Option", "Result", Flag(s.showResult));
    ok &= store.WriteProfileInt("List", "sort", s.sortFlags);
    ok &= store.WriteProfileInt("List", "sortindex", s.sortColumn);
    return batch.Flush() && ok;
}
