#pragma once

#include <QDBusConnection>
#include <QString>

#include <string>

// Hand-offs to the desktop's file manager over its freedesktop D-Bus interface
// (org.freedesktop.FileManager1). No shell is involved and no command is built from the path.

// The file URL of a path, its bytes kept exactly (percent-encoded), whatever their encoding.
QString FileUrl(const std::string& path);

// The bytes of a path as the file system keeps them: the other way from QFile::decodeName.
std::string LocalPathBytes(const QString& path);

// Opens the file manager with the item selected. Where no file manager answers, the containing
// folder opens with the desktop's default handler. False when neither worked.
bool RevealInFileManager(const std::string& path, const QDBusConnection& bus = QDBusConnection::sessionBus());

// Opens the file manager's properties of the item. False (and nothing happens) where no file
// manager answers.
bool ShowItemProperties(const std::string& path, const QDBusConnection& bus = QDBusConnection::sessionBus());
