#include "shell/FolderBrowser.h"

#include "platform/Path.h"
#include "shell/FileManager.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QStandardPaths>

#include <algorithm>
#include <cstring>

namespace {

std::optional<std::string> RunFolderDialog(QWidget* owner, const QString& title, const std::string& start) {
    const QString chosen = QFileDialog::getExistingDirectory(owner, title, QFile::decodeName(start.c_str()),
                                                             QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return LocalPathBytes(QDir::toNativeSeparators(chosen));
}

std::string Standard(QStandardPaths::StandardLocation location) {
    return LocalPathBytes(QStandardPaths::writableLocation(location));
}

} // namespace

CFolderBrowser::CFolderBrowser(unsigned flags, const char* title, int rootFolder, DialogRunner runner)
    : m_runner(runner ? std::move(runner) : DialogRunner(RunFolderDialog)) {
    SetParams(flags, title, rootFolder);
}

void CFolderBrowser::SetParams(unsigned flags, const char* title, int rootFolder) {
    m_flags = flags;
    m_csidlRoot = rootFolder;
    if (title != nullptr) {
        m_title = QString::fromUtf8(title);
    }
}

void CFolderBrowser::GetResult(std::string& text, int which) const {
    text = which == 1 ? m_path : m_displayName;
}

int CFolderBrowser::Browse() {
    Reset();
    return DoBrowse();
}

int CFolderBrowser::Browse(int initialFolder) {
    Reset();
    m_csidlInitial = initialFolder;
    return DoBrowse();
}

int CFolderBrowser::Browse(const std::string& initialPath) {
    Reset();
    m_initialPath = initialPath;
    return DoBrowse();
}

void CFolderBrowser::Reset() {
    m_rootPath.reset();
    m_initialFolderPath.reset();
    m_csidlInitial = 0;
    m_path.clear();
    m_initialPath.clear();
    m_displayName.clear();
}

bool CFolderBrowser::GetSpecialFolderPath(int id, std::optional<std::string>& path) {
    switch (id) {
    case CSIDL_DESKTOP:
        path.reset();
        return true;
    case CSIDL_PERSONAL:
        path = Standard(QStandardPaths::DocumentsLocation);
        return true;
    case CSIDL_MYMUSIC:
        path = Standard(QStandardPaths::MusicLocation);
        return true;
    case CSIDL_MYVIDEO:
        path = Standard(QStandardPaths::MoviesLocation);
        return true;
    case CSIDL_DESKTOPDIRECTORY:
        path = Standard(QStandardPaths::DesktopLocation);
        return true;
    case CSIDL_DRIVES:
        path = std::string(1, '/');
        return true;
    case CSIDL_APPDATA:
        path = Standard(QStandardPaths::GenericConfigLocation);
        return true;
    case CSIDL_MYPICTURES:
        path = Standard(QStandardPaths::PicturesLocation);
        return true;
    case CSIDL_PROFILE:
        path = Standard(QStandardPaths::HomeLocation);
        return true;
    default:
        return false;
    }
}

int CFolderBrowser::DoBrowse() {
    if (!GetSpecialFolderPath(m_csidlRoot, m_rootPath) ||
        !GetSpecialFolderPath(m_csidlInitial, m_initialFolderPath)) {
        return -1;
    }
    // An initial path comes before an initial special folder, which comes before the root.
    std::string start = m_initialPath;
    if (start.empty()) {
        start = m_initialFolderPath.value_or(m_rootPath.value_or(std::string()));
    }
    OnInitialized();
    const std::optional<std::string> chosen = m_runner(m_owner, m_title, start);
    if (!chosen) {
        return 2;
    }
    m_path = *chosen;
    const auto split = platform::SplitPath(m_path);
    m_displayName = split.name.empty() ? m_path : split.name;
    return 1;
}
