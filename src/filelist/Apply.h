#pragma once

#include "journal/Journal.h"
#include "platform/FileSystem.h"
#include "platform/SystemTime.h"
#include "platform/TreeWalk.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <system_error>
#include <vector>

class RunControl;

// What a preview finds for one item: its state now and what the run would set, or why the run
// would fail on it (then next may be incomplete). A folder whose contents cannot be listed is a
// row too, with only its path, isFolder and error.
struct PreviewRow {
    std::string path;
    bool isFolder = false;
    platform::ItemState current;
    journal::Asked next;
    std::error_code error;
};

// Where a request in preview mode puts its rows, in the order the run would reach the items.
struct PreviewSink {
    std::vector<PreviewRow> rows;
    uint64_t files = 0;
    uint64_t folders = 0;
    uint64_t failing = 0; // rows with an error

    // A row for an item the run reached, counted as a file or a folder; its caller adds to
    // failing when it gets an error.
    PreviewRow& AddItem(const std::string& path, bool isFolder);
    // A row for a failure outside any item's change (a folder that cannot be listed, an item
    // that is nowhere to be found): counted as failing only.
    void AddProblem(const std::string& path, bool isFolder, const std::error_code& error);
};

// What one press of the update command asks for. Built by the main window from its controls,
// passed by reference down the whole run; failures collect in log, one line each.
struct ApplyRequest {
    int setCreated = 0;
    int setUpdated = 0;
    int setAttributes = 0;
    SYSTEMTIME created{}; // local time; read only when setCreated
    SYSTEMTIME updated{}; // local time; read only when setUpdated
    int readOnly = 0;     // read only when setAttributes
    int hidden = 0;
    int archive = 0;
    int subFolder = 0;    // walk into everything below a folder row
    int folderTarget = 0; // folders themselves are changed
    int showResult = 0;   // used by the caller only
    std::string log;
    // When set, the run counts each item it finishes there and stops between two items once
    // asked to (see RunControl); the request then belongs to the worker until it is joined.
    RunControl* control = nullptr;

    // What other callers than the window ask for (the command line); left as they are, the
    // request is the window's.

    // Only some attributes changed ("+r -h"): these bits cleared, then these set, every other
    // bit kept as the item has it (read through its handle first). None: readOnly, hidden and
    // archive replace every bit a program can set, as the window does. Read only when
    // setAttributes.
    struct AttributeChange {
        uint32_t clear = 0;
        uint32_t set = 0;
    };
    std::optional<AttributeChange> attributeChange;

    // Times that depend on the item (a shift, one time copied to the other, a photo's capture
    // date): given the item and its times as the list shows them, read afresh through its
    // handle, fills in the times to write (setCreated and setUpdated say which are written), or
    // returns why the item keeps them: the item then gets one line with that reason and nothing
    // is changed on it. Unset: created and updated are written.
    struct ItemTimes {
        std::optional<platform::UtcTime> created; // none where the item has none
        platform::UtcTime updated;
    };
    std::function<std::error_code(const platform::Item& item, ItemTimes& times)> timesOfItem;

    // CrossMounts::No: a walk stays on the mount of the folder it starts from.
    platform::CrossMounts crossMounts = platform::CrossMounts::Yes;

    // Called after each item with its full path, whether it got a line or not (the lines so far
    // are in log), for a caller that shows progress.
    std::function<void(const std::string& path)> itemDone;

    // The two times in UTC, converted once per run rather than once per file. Keyed by the
    // local values, so a request changed between runs converts afresh. A caller that knows the
    // moment itself (a time given with its offset from UTC) may fill one in beforehand, keyed by
    // created or updated as it stands.
    struct Converted {
        SYSTEMTIME from{};
        std::optional<platform::UtcTime> utc;
    };
    Converted createdUtc;
    Converted updatedUtc;

    // File systems on which no creation time can be kept, by device: the run ends with one
    // line for each, not one per item.
    struct NoCreationTime {
        platform::MountInfo mount;
        int items = 0;
    };
    std::map<uint64_t, NoCreationTime> noCreationTime;

    // When set, each item's state before its change and what the run sets go there first
    // (journal::Writer::Add), and the item is changed only once they are in. A state that
    // cannot be read leaves its item unchanged with a line; a record that cannot be written
    // leaves its item unchanged with a line, sets journalError and stops the run between two
    // items, as a cancel does. With a journal, an item whose attributes fail after its times
    // were written gets its old state back, so that it is changed as asked or left as it was.
    journal::Writer* journal = nullptr;
    std::error_code journalError;
    // Each item is changed once in a run of several rows (KnowRows), also where two rows reach
    // it: one given twice, or one inside another's folder. Only the rows are remembered, not
    // what is walked.
    bool severalRows = false;
    std::set<platform::ItemId> rowIds;    // the rows' items, where a walk might meet them
    std::set<platform::ItemId> rowsDone;  // the rows' items done so far
    std::set<platform::ItemId> linksDone; // files of several names met so far
    // Where relative paths are from: the journal keeps whole paths, so that an undo finds the
    // items from anywhere.
    std::string currentFolder;

    // When set, nothing is changed: each item the run would reach is read and what the run
    // would set and the first failure it would meet (platform::PredictChange) go there as a
    // row, through the same steps the run takes; log gets no lines.
    PreviewSink* preview = nullptr;
    // The user the run acts as, taken at its first prediction rather than at every item.
    std::optional<uint32_t> user;
};

// Whether the run stops before the next item: cancelled through its control, or its journal
// failed.
bool RunStopsHere(ApplyRequest& request);

class FileEntry;

// Before the first row of a run: with several rows, each item is changed once however many
// rows reach it; where folders are walked, the rows' items are looked up first, so that a walk
// passes over the ones it meets and each is changed as its own row.
void KnowRows(std::span<const FileEntry* const> rows, ApplyRequest& request);

// What a row of the list gets. A file: the times first, then the attributes. A failure writes
// one line and ends the work on the item, with two exceptions that still set the attributes
// after their line: a creation time the file system cannot store at all, and the rest of a
// change whose only flaw is that a name starting with "." keeps the item hidden. Devices, FIFOs
// and sockets get their times and a line instead of attributes.
// A folder: the folder itself the same way when folderTarget is set, then, with subFolder and
// anything to do, everything below it, the walk going on whether or not the folder itself
// succeeded: depth first, each subfolder before its contents, in the order the file system
// lists them (platform::TreeWalk). Symbolic links inside are neither followed nor changed, no
// folder is entered twice, kernel file systems are passed over with a line, nothing that could
// block is opened, and only the file system limits the depth. A folder whose contents cannot be
// visited gets one line saying so, with the system's reason.
// The row's path is opened once at the start and every step goes to what it opened. Its final
// link is followed when the row was a link when read, as chosen; a path that has become a link
// since is left alone with a line. Anything else found there now (a file an editor saved anew)
// is what gets the change. An item an earlier row of the run already reached (the same file
// given twice, or through a link) is left as that row left it.
void ApplyToEntry(const FileEntry& entry, ApplyRequest& request);

// Ends a run: one line for each file system on which no creation time could be kept, naming
// where it is mounted and its type, with the number of items concerned, and one when the run
// stopped because its journal could not be written. Call once, after the last row.
void FinishRun(ApplyRequest& request);
