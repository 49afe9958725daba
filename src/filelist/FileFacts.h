#pragma once

#include "filelist/FileEntry.h"
#include "platform/FileSystem.h"
#include "platform/SystemTime.h"

#include <cstdint>
#include <string>
#include <system_error>

// The facts a row shows, read from disk, and the texts of their columns. Failures are silent:
// a path that cannot be read shows empty texts.

// "R", "H", "A" for read-only, hidden and archive, in this order; no other attribute shows.
std::string AttributeLetters(uint32_t attributes);

// Fills text with the attribute letters and sets the entry's folder flag for a folder (never
// clears it). 0, with the text empty, when the attributes cannot be read.
int ReadAttributes(const std::string& path, std::string& text, FileEntry& entry);

// Fills text with the size column: empty for a folder (result 1). 0, with the text empty and
// the entry's size unchanged, when the size cannot be read.
int ReadSize(const std::string& path, std::string& text, FileEntry& entry);

struct TimeTexts {
    std::string created;
    std::string updated;
};

// Reads both times into the entry (as local times) and their column texts. A time the file
// system does not keep shows empty and is held as none. 0 when the item cannot be looked at:
// both texts empty, both times held as none.
int ReadTimes(const std::string& path, TimeTexts& texts, FileEntry& entry);

// "%d/%d/%d %d:%d:%d": year, month, day, hour, minute, second without leading zeros.
std::string FormatListTime(const SYSTEMTIME& time);
// "%04d/%02d/%02d %02d:%02d:%02d", for ordering to the second.
std::string FormatSortTime(const SYSTEMTIME& time);

// One failure line: the path, " - ", the system's text for the error (nothing when it has
// none), "\n".
std::string MakeErrorText(const std::string& path, const std::error_code& error);

// A row's attributes, times and size from one look at the disk, in the order the list needs:
// attributes first (adding a row sets the folder flag; refreshing leaves it as it was), then
// times and size, which depend on it. The entry's attribute text, times and size are updated;
// the columns format them when shown. True when the size column shows the size (a file that
// could be looked at).
enum class FactsRead { Insert, Refresh };
bool ReadRowFacts(FileEntry& entry, FactsRead mode);

// ReadRowFacts for a batch of rows (adding many, refreshing all). Rows of one folder that come
// one after another are reached through that folder, opened once, which saves the kernel the
// walk down the full path. Lives for one batch only: a folder renamed later must not be found
// under its old name.
class RowFactsReader {
public:
    bool Read(FileEntry& entry, FactsRead mode);

private:
    std::string m_lastFolder;
    platform::Directory m_folder; // opened once m_lastFolder came twice in a row
    bool m_folderFailed = false;
};
