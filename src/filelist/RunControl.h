#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

class FileEntry;

// What a run on a worker thread shares with the window that watches it: the request to stop,
// and how far the run has come. Only the worker writes the counts and only to be shown, so
// every access is relaxed; what the run produces (its lines, the facts it read) is handed over
// when the worker thread is joined, never through this. An item costs the worker two plain
// loads and a store; the folder it works in is copied only when the window asks, a few times a
// second.
class RunControl {
public:
    // The window's side, from any thread.

    // The run stops at the next point between two items; the item being worked on is finished.
    void Cancel() { m_asked.fetch_or(kCancel, std::memory_order_relaxed); }
    bool CancelAsked() const { return (m_asked.load(std::memory_order_relaxed) & kCancel) != 0; }
    uint64_t ItemsDone() const { return m_items.load(std::memory_order_relaxed); }
    size_t RowsDone() const { return m_rowsDone.load(std::memory_order_relaxed); }
    size_t RowsTotal() const { return m_rowsTotal.load(std::memory_order_relaxed); }
    // Within a row whose walk makes the number of items unknown.
    bool Walking() const { return m_walking.load(std::memory_order_relaxed); }
    // Has the worker give the folder of the next item it reaches; Folder() is the latest one
    // given (at first the first row's).
    void AskForFolder() { m_asked.fetch_or(kFolder, std::memory_order_relaxed); }
    std::string Folder() const;

    // The worker's side, from the one thread that runs the work.

    void StartRows(size_t total) { m_rowsTotal.store(total, std::memory_order_relaxed); }
    // A row begins; walking: a walk below the row follows.
    void StartRow(const FileEntry& row, bool walking);
    void RowDone() { m_rowsDone.store(RowsDone() + 1, std::memory_order_relaxed); }
    // One item is finished, whether it succeeded or got its line; path is its full path.
    void ItemDone(const std::string& path) {
        m_items.store(ItemsDone() + 1, std::memory_order_relaxed);
        if ((m_asked.load(std::memory_order_relaxed) & kFolder) != 0) {
            GiveFolderOf(path);
        }
    }
    // Whether the run stops here, between two items; once it has, Stopped() is true.
    bool StopHere() {
        m_stopped = m_stopped || CancelAsked();
        return m_stopped;
    }
    // The run stopped before its end; read by the worker, or by others once it is joined.
    bool Stopped() const { return m_stopped; }

private:
    static constexpr unsigned kCancel = 1;
    static constexpr unsigned kFolder = 2;

    void GiveFolderOf(const std::string& path);
    void GiveFolder(std::string folder);

    std::atomic<unsigned> m_asked{kFolder};
    std::atomic<uint64_t> m_items{0};
    std::atomic<size_t> m_rowsDone{0};
    std::atomic<size_t> m_rowsTotal{0};
    std::atomic<bool> m_walking{false};
    bool m_stopped = false;
    mutable std::mutex m_folderLock;
    std::string m_folder;
};
