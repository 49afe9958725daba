#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <string>

class QWidget;

// Special folders by their Windows ids, mapped to the platform's standard folders.
inline constexpr int CSIDL_DESKTOP = 0x0000;
inline constexpr int CSIDL_PERSONAL = 0x0005;
inline constexpr int CSIDL_MYMUSIC = 0x000D;
inline constexpr int CSIDL_MYVIDEO = 0x000E;
inline constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
inline constexpr int CSIDL_DRIVES = 0x0011;
inline constexpr int CSIDL_APPDATA = 0x001A;
inline constexpr int CSIDL_MYPICTURES = 0x0027;
inline constexpr int CSIDL_PROFILE = 0x0028;
inline constexpr unsigned BIF_NEWDIALOGSTYLE = 0x40;

// Asks the user for one folder and hands back its path. The dialog itself is the toolkit's
// folder dialog, or the runner given to the constructor (tests give one that needs nobody).
class CFolderBrowser {
public:
    // Shows the dialog: owner, title, the folder to start at (empty: the root's or the user's
    // own). The chosen folder's path, or none for cancel.
    using DialogRunner = std::function<std::optional<std::string>(QWidget* owner, const QString& title,
                                                                  const std::string& start)>;

    CFolderBrowser(unsigned flags, const char* title, int rootFolder, DialogRunner runner = {});
    virtual ~CFolderBrowser() = default;

    // A null title keeps the one there is.
    virtual void SetParams(unsigned flags, const char* title, int rootFolder);

    // The chosen folder's path (which 1) or its display name (any other value). The buffer form
    // copies at most n bytes and a NUL (the buffer holds n + 1) and returns how many it copied;
    // 0, leaving the buffer untouched, when there is nothing.
    virtual void GetResult(std::string& text, int which) const;

    // Each form starts afresh (Reset) and returns 1 when a folder was chosen, 2 when the dialog
    // was cancelled, -1 when a special folder could not be found (nothing shown).
    virtual int Browse();
    virtual int Browse(int initialFolder);
    virtual int Browse(const std::string& initialPath);
    virtual void Reset();

    // The path of a special folder; 0 (the desktop, the root of everything) gives none and
    // succeeds. False for an id this platform has no folder for.
    static bool GetSpecialFolderPath(int id, std::optional<std::string>& path);

    void SetOwner(QWidget* owner) { m_owner = owner; }

protected:
    virtual int DoBrowse();
    virtual bool OnInitialized() { return true; }

private:
    QWidget* m_owner = nullptr;
    DialogRunner m_runner;
    std::optional<std::string> m_rootPath;
    std::optional<std::string> m_initialFolderPath;
    int m_csidlRoot = 0;
    int m_csidlInitial = 0;
    std::string m_initialPath;
    std::string m_path;
    std::string m_displayName;
    unsigned m_flags = 0;
    QString m_title;
};
