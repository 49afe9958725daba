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
    ok &= store.WriteString(section, key, text ? *text : std::string(NO_VALUE_TEXT));
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
    r.top = store.GetInt(section, "top", defaults.top);
    r.left = store.GetInt(section, "left", defaults.left);
    r.bottom = store.GetInt(section, "bottom", defaults.bottom);
    r.right = store.GetInt(section, "right", defaults.right);
    return r;
}

bool WriteWindowRect(platform::ProfileStore& store, std::string_view section, const WindowRect& rect) {
    bool ok = store.WriteInt(section, "top", rect.top);
    ok &= store.WriteInt(section, "left", rect.left);
    ok &= store.WriteInt(section, "bottom", rect.bottom);
    ok &= store.WriteInt(section, "right", rect.right);
    return ok;
}

AppSettings ReadSettings(platform::ProfileStore& store, const AppSettings& defaults) {
    const platform::ProfileStore::Batch batch(store);
    AppSettings s = defaults;
    s.window = ReadWindowRect(store, "Window", defaults.window);
    for (int i = 0; i < kListColumns; ++i) {
        s.columnWidth[i] = store.GetInt("List", ColumnKey("width", i), defaults.columnWidth[i]);
    }
    for (int i = 0; i < kListColumns; ++i) {
        s.columnOrder[i] = store.GetInt("ListOrder", ColumnKey("index", i), defaults.columnOrder[i]);
    }
    s.setCreated = store.GetInt("Sakusei", "Yuko", Flag(defaults.setCreated)) != 0;
    s.setUpdated = store.GetInt("Koshin", "Yuko", Flag(defaults.setUpdated)) != 0;
    const auto date = [&](const char* section, const std::optional<StoredDate>& fallback) {
        const auto parsed = ParseStoredDate(store.GetString(section, "Date", NO_VALUE_TEXT));
        return parsed ? parsed : fallback;
    };
    const auto time = [&](const char* section, const std::optional<StoredTime>& fallback) {
        const auto parsed = ParseStoredTime(store.GetString(section, "Time", NO_VALUE_TEXT));
        return parsed ? parsed : fallback;
    };
    s.createdDate = date("Sakusei", defaults.createdDate);
    s.createdTime = time("Sakusei", defaults.createdTime);
    s.updatedDate = date("Koshin", defaults.updatedDate);
    s.updatedTime = time("Koshin", defaults.updatedTime);
    s.setAttributes = store.GetInt("Attr", "Yuko", Flag(defaults.setAttributes)) != 0;
    s.readOnly = store.GetInt("Attr", "ReadOnly", Flag(defaults.readOnly)) != 0;
    s.hidden = store.GetInt("Attr", "Hidden", Flag(defaults.hidden)) != 0;
    s.archive = store.GetInt("Attr", "Archive", Flag(defaults.archive)) != 0;
    s.subFolder = store.GetInt("Option", "SubFolder", Flag(defaults.subFolder)) != 0;
    s.folderTarget = store.GetInt("Option", "Folder", Flag(defaults.folderTarget)) != 0;
    s.showResult = store.GetInt("Option", "Result", Flag(defaults.showResult)) != 0;
    s.sortFlags = store.GetInt("List", "sort", defaults.sortFlags);
    s.sortColumn = store.GetInt("List", "sortindex", defaults.sortColumn);
    return s;
}

bool WriteSettings(platform::ProfileStore& store, const AppSettings& s) {
    platform::ProfileStore::Batch batch(store);
    bool ok = WriteWindowRect(store, "Window", s.window);
    for (int i = 0; i < kListColumns; ++i) {
        ok &= store.WriteInt("List", ColumnKey("width", i), s.columnWidth[i]);
    }
    for (int i = 0; i < kListColumns; ++i) {
        ok &= store.WriteInt("ListOrder", ColumnKey("index", i), s.columnOrder[i]);
    }
    ok &= store.WriteString("Info", "Version", APP_VERSION);
    ok &= store.WriteInt("Sakusei", "Yuko", Flag(s.setCreated));
    ok &= store.WriteInt("Koshin", "Yuko", Flag(s.setUpdated));
    const auto text = [](const auto& value, auto format) {
        return value ? std::optional<std::string>(format(*value)) : std::nullopt;
    };
    WriteOptionalText(store, "Sakusei", "Date", text(s.createdDate, FormatStoredDate), ok);
    WriteOptionalText(store, "Sakusei", "Time", text(s.createdTime, FormatStoredTime), ok);
    WriteOptionalText(store, "Koshin", "Date", text(s.updatedDate, FormatStoredDate), ok);
    WriteOptionalText(store, "Koshin", "Time", text(s.updatedTime, FormatStoredTime), ok);
    ok &= store.WriteInt("Attr", "Yuko", Flag(s.setAttributes));
    ok &= store.WriteInt("Attr", "ReadOnly", Flag(s.readOnly));
    ok &= store.WriteInt("Attr", "Hidden", Flag(s.hidden));
    ok &= store.WriteInt("Attr", "Archive", Flag(s.archive));
    ok &= store.WriteInt("Option", "SubFolder", Flag(s.subFolder));
    ok &= store.WriteInt("Option", "Folder", Flag(s.folderTarget));
    ok &= store.WriteInt("Option", "Result", Flag(s.showResult));
    ok &= store.WriteInt("List", "sort", s.sortFlags);
    ok &= store.WriteInt("List", "sortindex", s.sortColumn);
    return batch.Flush() && ok;
}
