#include "filelist/FileFacts.h"

#include "filelist/RunControl.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"

namespace {

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

namespace {

void AppendEscaped(std::string& out, std::string_view path) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        // U+0085, U+2028 and U+2029 end lines in Unicode text, as the results window shows it.
        const bool nel = c == 0xC2 && i + 1 < path.size() && static_cast<unsigned char>(path[i + 1]) == 0x85;
        const bool separator = c == 0xE2 && i + 2 < path.size() &&
                               static_cast<unsigned char>(path[i + 1]) == 0x80 &&
                               (static_cast<unsigned char>(path[i + 2]) & 0xFE) == 0xA8;
        if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else if (nel) {
            out += "\\u0085";
            ++i;
        } else if (separator) {
            out += static_cast<unsigned char>(path[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
}

} // namespace

std::string ShownPath(std::string_view path) {
    std::string shown;
    AppendEscaped(shown, path);
    return shown;
}

std::string MakeErrorText(const std::string& path, const std::error_code& error,
                          const std::error_code& reason) {
    std::string line;
    line.reserve(path.size() + 64);
    AppendEscaped(line, path);
    line += " - ";
    line += platform::ErrorText(error);
    if (reason) {
        line += ": ";
        line += platform::ErrorText(reason);
    }
    line += '\n';
    return line;
}

bool ReadRowFacts(FileEntry& entry, FactsRead mode) {
    return RowFactsReader().Read(entry, mode);
}

RowFacts RowFactsReader::Look(const FileEntry& entry) {
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
    if (platform::QueryFile(
            viaFolder ? platform::ItemRef::InFolder(m_folder, name, path, platform::FollowLinks::Yes)
                      : platform::ItemRef::Path(path),
            info)) {
        return std::nullopt;
    }
    return info;
}

bool StoreRowFacts(FileEntry& entry, const RowFacts& facts, FactsRead mode) {
    entry.SetAttrText(facts && facts->attributes ? AttributeLetters(*facts->attributes) : std::string());
    entry.SetLink(facts && facts->isLink);
    if (facts && mode == FactsRead::Insert && facts->isDirectory) {
        entry.SetFolder(1);
    }
    StoreTimes(facts ? &*facts : nullptr, entry);
    return facts && StoreSize(*facts, entry);
}

std::vector<RowFacts> LookAtRows(std::span<const FileEntry* const> rows, RunControl* control) {
    std::vector<RowFacts> facts;
    facts.reserve(rows.size());
    RowFactsReader reader;
    if (control != nullptr) {
        control->StartRows(rows.size());
    }
    for (const FileEntry* row : rows) {
        if (control != nullptr) {
            if (control->StopHere()) {
                break;
            }
            control->StartRow(*row, /*walking=*/false);
        }
        facts.push_back(reader.Look(*row));
        if (control != nullptr) {
            control->ItemDone(row->GetPath());
            control->RowDone();
        }
    }
    return facts;
}
