#include "filelist/RunControl.h"

#include "filelist/FileEntry.h"
#include "platform/Path.h"

#include <utility>

std::string RunControl::Folder() const {
    const std::lock_guard lock(m_folderLock);
    return m_folder;
}

void RunControl::StartRow(const FileEntry& row, bool walking) {
    m_walking.store(walking, std::memory_order_relaxed);
    if ((m_asked.load(std::memory_order_relaxed) & kFolder) != 0) {
        GiveFolder(walking ? row.GetPath() : row.GetFolder());
    }
}

void RunControl::GiveFolderOf(const std::string& path) {
    GiveFolder(platform::SplitPath(path).folder);
}

void RunControl::GiveFolder(std::string folder) {
    m_asked.fetch_and(~kFolder, std::memory_order_relaxed);
    const std::lock_guard lock(m_folderLock);
    m_folder = std::move(folder);
}
