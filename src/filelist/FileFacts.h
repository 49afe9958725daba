#pragma once

#include "filelist/FileEntry.h"
#include "platform/FileSystem.h"
#include "platform/SystemTime.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

class RunControl;

// The facts a row shows, read from disk, and the texts of their columns. Failures are silent:
// what cannot be read shows empty.

// "R", "H", "A" for read-only, hidden and archive, in this order; no other attribute shows.
std::string AttributeLetters(uint32_t attributes);

// "%d/%d/%d %d:%d:%d": year, month, day, hour, minute, second without leading zeros.
std::string FormatListTime(const SYSTEMTIME& time);
// "%04d/%02d/%02d %02d:%02d:%02d", for ordering to the second.
std::string FormatSortTime(const SYSTEMTIME& time);

// One failure line: the path, " - ", the text for the error (nothing when the system has none),
// with ": " and the reason's text when a reason is given, "\n". Control characters in the path
// (and the Unicode line and paragraph separators) are shown escaped as \xNN or \uNNNN, so
// that a name can never make or forge a line of its own.
std::string MakeErrorText(const std::string& path, const std::error_code& error,
                          const std::error_code& reason = {});

// What one look at the disk found for a row; none when the item could not be looked at.
using RowFacts = std::optional<platform::FileInfo>;

// A path as the lines show it: control characters and line separators escaped the same way.
std::string ShownPath(std::string_view path);

// A row's attributes, times, size and identity from one look at the disk. Adding a row sets
// the folder flag from the item's type (refreshing leaves it as it was); times and size depend
// on it. Kind, times and size need no right to the item itself, so they show also where the
// attributes cannot be read. The columns format the facts when shown. True when the size
// column shows the size (a file that could be looked at).
enum class FactsRead { Insert, Refresh };
bool ReadRowFacts(FileEntry& entry, FactsRead mode);
// The second half of ReadRowFacts: facts looked at before (on another thread) go into the row.
bool StoreRowFacts(FileEntry& entry, const RowFacts& facts, FactsRead mode);

// ReadRowFacts for a batch of rows (adding many, refreshing all). Rows of one folder that come
// one after another are reached through that folder, opened once, which saves the kernel the
// walk down the full path. Lives for one batch only: a folder renamed later must not be found
// under its old name.
class RowFactsReader {
public:
    bool Read(FileEntry& entry, FactsRead mode) { return StoreRowFacts(entry, Look(entry), mode); }
    // The look alone: the row is only read, so that a worker may look while the window shows it.
    RowFacts Look(const FileEntry& entry);

private:
    std::string m_lastFolder;
    platform::Directory m_folder; // opened once m_lastFolder came twice in a row
    bool m_folderFailed = false;
};

// The facts of rows in order through one reader, for a worker thread that must not change the
// rows. With a control, each row counts as an item and the look stops between two rows once
// cancelled: the result then holds the rows reached.
std::vector<RowFacts> LookAtRows(std::span<const FileEntry* const> rows, RunControl* control);
