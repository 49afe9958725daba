#pragma once

#include <QDBusConnection>
#include <QString>

#include <functional>
#include <string>

// Hand-offs to the desktop's file manager over its freedesktop D-Bus interface
// (org.freedesktop.FileManager1). No shell is involved and no command is built from the path.

// The file URL of a path, its bytes kept exactly (percent-encoded), whatever their encoding.
QString FileUrl(const std::string& path);

// The bytes of a path as the file system keeps them: the other way from QFile::decodeName.
std::string LocalPathBytes(const QString& path);

// Told why a hand-off came to nothing; on the window's thread, possibly a while after the call,
// since the desktop's handler runs as a program of its own.
using HandOffFailed = std::function<void(const QString& why)>;

// Opens the file manager with the item selected. Where no file manager answers, the containing
// folder opens with the desktop's default handler (xdg-open); `failed` hears when that fails too.
void RevealInFileManager(const std::string& path, HandOffFailed failed,
                         const QDBusConnection& bus = QDBusConnection::sessionBus());

// Opens the file manager's properties of the item, with the same fall-back as above.
void ShowItemProperties(const std::string& path, HandOffFailed failed,
                        const QDBusConnection& bus = QDBusConnection::sessionBus());

// Opens a folder with the desktop's default handler; `failed` hears when it cannot.
void OpenFolder(const std::string& folder, HandOffFailed failed);
