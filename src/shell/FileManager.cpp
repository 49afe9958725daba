#include "shell/FileManager.h"

#include "platform/Path.h"

#include <QDBusMessage>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <memory>

namespace {

constexpr int kCallTimeoutMs = 5000;
// xdg-open may run the file manager in the foreground and end only when it closes: an exit
// later than this is the user's doing, not a failure to open.
constexpr int kLaunchWindowMs = 5000;

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

// The last line a program wrote on its error output: xdg-open ends with its reason.
QString LastLine(const QByteArray& output) {
    const QList<QByteArray> lines = output.trimmed().split('\n');
    return lines.isEmpty() ? QString() : QString::fromLocal8Bit(lines.last().trimmed());
}

void Launch(const QString& program, const std::string& folder, HandOffFailed failed) {
    auto* process = new QProcess;
    auto started = std::make_shared<QElapsedTimer>();
    process->setProgram(program);
    process->setArguments({QFile::decodeName(QByteArray::fromStdString(folder))});
    process->setStandardOutputFile(QProcess::nullDevice());
    QObject::connect(
        process, &QProcess::finished, process,
        [process, started, failed](int code, QProcess::ExitStatus status) {
            if ((status != QProcess::NormalExit || code != 0) && started->elapsed() < kLaunchWindowMs) {
                const QString why = LastLine(process->readAllStandardError());
                failed(why.isEmpty() ? QStringLiteral("%1: %2").arg(process->program()).arg(code) : why);
            }
            process->deleteLater();
        });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, failed](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             failed(process->errorString());
                             process->deleteLater();
                         }
                     });
    started->start();
    process->start();
}

void HandOff(const QString& method, const std::string& path, HandOffFailed failed,
             const QDBusConnection& bus) {
    if (!CallFileManager(bus, method, path)) {
        OpenFolder(platform::SplitPath(path).folder, std::move(failed));
    }
}

} // namespace

std::string LocalPathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString FileUrl(const std::string& path) {
    const QByteArray bytes = QByteArray::fromStdString(path);
    return QStringLiteral("file://") + QString::fromLatin1(bytes.toPercentEncoding("/"));
}

void OpenFolder(const std::string& folder, HandOffFailed failed) {
    if (folder.empty()) {
        failed(QStringLiteral("フォルダがありません。"));
        return;
    }
    // xdg-open is run as a program of its own so that its verdict is heard; the toolkit's
    // opener only says whether it could start one.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty()) {
        Launch(opener, folder, std::move(failed));
    } else if (!QDesktopServices::openUrl(QUrl(FileUrl(folder)))) {
        failed(QStringLiteral("フォルダを開くプログラム (xdg-open) が見つかりません。"));
    }
}

void RevealInFileManager(const std::string& path, HandOffFailed failed, const QDBusConnection& bus) {
    HandOff(QStringLiteral("ShowItems"), path, std::move(failed), bus);
}

void ShowItemProperties(const std::string& path, HandOffFailed failed, const QDBusConnection& bus) {
    HandOff(QStringLiteral("ShowItemProperties"), path, std::move(failed), bus);
}
