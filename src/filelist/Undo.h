#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>

class RunControl;
struct PreviewSink;

// What one undo asks and what it found. Failures collect in log, one line each, as a run's do.
struct UndoRequest {
    std::string folder; // where the journals are: journal::DefaultFolder(), or a test's own
    // As ApplyRequest's: counts items and stops between two of them once cancelled; the
    // request then belongs to the worker until it is joined.
    RunControl* control = nullptr;
    std::function<void(const std::string& path)> itemDone;
    // When given, nothing is changed and no journal is written: each item the undo would reach
    // becomes a row, newest first, with what the undo would put back or why it would leave the
    // item (changed since, missing, would fail), and the counts below say what it would do.
    PreviewSink* preview = nullptr;

    std::string log;
    std::string journalName;   // this undo's own journal, for undoing the undo
    uint64_t restored = 0;     // put back as they were before the run
    uint64_t untouched = 0;    // already as they were (the run had not reached them)
    uint64_t changedSince = 0; // changed by someone else since: left alone, with a line
    uint64_t missing = 0;      // nowhere to be found: a line
    uint64_t failed = 0;       // found but could not be put back: a line
};

// Puts back what the run named in request.folder changed, the newest item first. The journal is
// read whole first: a damaged or unreadable one gives its error and nothing is done, as does a
// journal of the undo itself that cannot be started (journal::RunKind::Undo, naming the run
// undone, so that the undo can be undone in turn).
// Each item is opened by its path without following a link; when the path is gone or holds
// another item, the item is looked for by device and inode below the folders the run worked in
// (once per undo, a bounded walk). An item is put back exactly (platform::RestoreState: times,
// attributes, mode, stored record) only when each of its times and attributes is still what the
// run set or what it had before; otherwise someone else changed it since, and it is left alone.
// A cancel stops between two items and the undo's last line says so.
std::error_code UndoRun(const std::string& name, UndoRequest& request);
