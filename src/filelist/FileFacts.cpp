#include "filelist/FileFacts.h"

#include "platform/Error.h"
#include "platform/FileSystem.h"

namespace {

bool Query(const std::string& path, platform::FileInfo& info) {
    return !platform::QueryFile(platform::ItemRef::Path(path), info);
}

void StoreTimes(const platform::FileInfo* info, FileEntry& entry) {
    std::optional<SYSTEMTIME> created;
    std::optional<SYSTEMTIME> updated;
    if (info != nullptr) {
        if (info->created) {
            created = platform::UtcToLocal(*info->created);
        }
        updated = platform::UtcToLocal(info->updated);
    }
    entry.SetCreated(created ? &*created : nullptr);
    entry.SetUpdated(updated ? &*updated : nullptr);
}

// Whether the size column shows a size: folders show none.
bool StoreSize(const platform::FileInfo& info, FileEntry& entry) {
    if (entry.IsFolder() != 0) {
        return false;
    }
    entry.SetSize(static_cast<int64_t>(info.size));
    return true;
}

std::string TimeText(const SYSTEMTIME* time) {
    return time != nullptr ? FormatListTime(*time) : std::string();
}

} // namespace

std::string AttributeLetters(uint32_t attributes) {
    std::string text;
    if ((attributes & platform::attr::ReadOnly) != 0) {
        text += 'R';
    }
    if ((attributes & platform::attr::Hidden) != 0) {
        text += 'H';
    }
    if ((attributes & platform::attr::Archive) != 0) {
        text += 'A';
    }
    return text;
}

int ReadAttributes(const std::string& path, std::string& text, FileEntry& entry) {
    text.clear();
    platform::FileInfo info;
    if (!Query(path, info)) {
        return 0;
    }
    text = AttributeLetters(info.attributes);
    if ((info.attributes & platform::attr::Directory) != 0) {
        entry.SetFolder(1);
    }
    return 1;
}

int ReadSize(const std::string& path, std::string& text, FileEntry& entry) {
    text.clear();
    if (entry.IsFolder() != 0) {
        return 1;
    }
    platform::FileInfo info;
    if (!Query(path, info)) {
        return 0;
    }
    StoreSize(info, entry);
    text = entry.GetSizeText();
    return 1;
}

int ReadTimes(const std::string& path, TimeTexts& texts, FileEntry& entry) {
    platform::FileInfo info;
    const bool ok = Query(path, info);
    StoreTimes(ok ? &info : nullptr, entry);
    texts.created = TimeText(entry.GetCreated());
    texts.updated = TimeText(entry.GetUpdated());
    return ok ? 1 : 0;
}

namespace {

// Hand-written rather than snprintf: these run twice per row for every row read.
void AppendNumber(std::string& out, unsigned value, int minDigits) {
    char digits[8];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 && n < 8);
    while (n < minDigits) {
        digits[n++] = '0';
    }
    while (n > 0) {
        out.push_back(digits[--n]);
    }
}

std::string FormatTime(const SYSTEMTIME& t, int width) {
    std::string text;
    text.reserve(24);
    AppendNumber(text, t.wYear, width == 0 ? 0 : 4);
    text.push_back('/');
    AppendNumber(text, t.wMonth, width);
    text.push_back('/');
    AppendNumber(text, t.wDay, width);
    text.push_back(' ');
    AppendNumber(text, t.wHour, width);
    text.push_back(':');
    AppendNumber(text, t.wMinute, width);
    text.push_back(':');
    AppendNumber(text, t.wSecond, width);
    return text;
}

} // namespace

std::string FormatListTime(const SYSTEMTIME& t) {
    return FormatTime(t, 0);
}

std::string FormatSortTime(const SYSTEMTIME& t) {
    return FormatTime(t, 2);
}

std::string MakeErrorText(const std::string& path, const std::error_code& error) {
    return path + " - " + platform::ErrorText(error) + "\n";
}

bool ReadRowFacts(FileEntry& entry, FactsRead mode) {
    return RowFactsReader().Read(entry, mode);
}

bool RowFactsReader::Read(FileEntry& entry, FactsRead mode) {
    const std::string& folder = entry.GetFolder();
    const std::string& name = entry.GetName();
    const std::string path = folder + name;
    bool viaFolder = false;
    if (!folder.empty() && !name.empty()) {
        if (folder != m_lastFolder) {
            m_lastFolder = folder;
            m_folder = platform::Directory();
            m_folderFailed = false;
        } else if (!m_folder.IsOpen() && !m_folderFailed) {
            std::error_code error;
            m_folder = platform::Directory::OpenForLookup(folder, error);
            m_folderFailed = static_cast<bool>(error);
        }
        viaFolder = m_folder.IsOpen();
    }
    platform::FileInfo info;
    const bool ok = !platform::QueryFile(
        viaFolder ? platform::ItemRef::InFolder(m_folder, name, path, platform::FollowLinks::Yes)
                  : platform::ItemRef::Path(path),
        info);
    entry.SetAttrText(ok ? AttributeLetters(info.attributes) : std::string());
    if (ok && mode == FactsRead::Insert && (info.attributes & platform::attr::Directory) != 0) {
        entry.SetFolder(1);
    }
    StoreTimes(ok ? &info : nullptr, entry);
    return ok && StoreSize(info, entry);
}
