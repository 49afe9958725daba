#include "shell/FileManager.h"

#include "platform/Path.h"

#include <QDBusMessage>
#include <QDesktopServices>
#include <QFile>
#include <QUrl>

namespace {

constexpr int kCallTimeoutMs = 5000;

bool CallFileManager(const QDBusConnection& bus, const QString& method, const std::string& path) {
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), method);
    call << QStringList{FileUrl(path)} << QString();
    const QDBusMessage reply = QDBusConnection(bus).call(call, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace

std::string LocalPathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString FileUrl(const std::string& path) {
    const QByteArray bytes = QByteArray::fromStdString(path);
    return QStringLiteral("file://") + QString::fromLatin1(bytes.toPercentEncoding("/"));
}

bool RevealInFileManager(const std::string& path, const QDBusConnection& bus) {
    if (CallFileManager(bus, QStringLiteral("ShowItems"), path)) {
        return true;
    }
    const std::string folder = platform::SplitPath(path).folder;
    return !folder.empty() && QDesktopServices::openUrl(QUrl(FileUrl(folder)));
}

bool ShowItemProperties(const std::string& path, const QDBusConnection& bus) {
    return CallFileManager(bus, QStringLiteral("ShowItemProperties"), path);
}
