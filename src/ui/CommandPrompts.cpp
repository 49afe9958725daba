#include "ui/CommandPrompts.h"

#include "filelist/PreviewDlg.h"
#include "filelist/ResultDlg.h"
#include "filelist/RunsDlg.h"
#include "shell/FileManager.h"
#include "ui/MessageBox.h"
#include "version/AboutDlg.h"
#include "version/VersionupDlg.h"

#include <QFile>
#include <QFileDialog>
#include <QPointer>

std::optional<std::vector<std::string>> CommandPrompts::ChooseFiles(QWidget* owner) {
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontResolveSymlinks);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    std::vector<std::string> paths;
    for (const QString& file : dialog.selectedFiles()) {
        paths.push_back(LocalPathBytes(file));
    }
    return paths;
}

CFolderBrowser::DialogRunner CommandPrompts::FolderDialog() {
    return {};
}

int CommandPrompts::MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned type) {
    return ShowMessageBox(owner, text, caption, type);
}

bool CommandPrompts::ShowResults(const std::string& log, platform::ProfileStore& profile, bool offerUndo) {
    CResultDlg dialog(profile);
    dialog.m_text = log;
    dialog.m_offerUndo = offerUndo;
    return dialog.DoModal() == idc::Undo;
}

bool CommandPrompts::ShowPreview(QWidget* owner, PreviewSink rows, platform::ProfileStore& profile,
                                 PreviewOf of) {
    CPreviewDlg dialog(std::move(rows), profile, owner, of);
    return dialog.DoModal() == idc::Update;
}

RunChoice CommandPrompts::ChooseRun(QWidget* owner, std::vector<KeptRun> runs) {
    CRunsDlg dialog(std::move(runs), owner);
    return dialog.DoModal();
}

void CommandPrompts::ShowAbout(QWidget* owner) {
    CAboutDlg dialog(owner);
    dialog.DoModal();
}

void CommandPrompts::ShowNewVersion(QWidget* owner, const QString& message) {
    CVersionupDlg dialog(owner);
    dialog.m_strMessage = message;
    dialog.DoModal();
}

HandOffFailed CommandPrompts::TellFailure(QWidget* owner, const QString& caption, const std::string& path) {
    return [this, guard = QPointer<QWidget>(owner), caption, path](const QString& why) {
        if (guard) {
            MessageBox(guard,
                       QStringLiteral("フォルダを開けませんでした。\n%1\n\n%2")
                           .arg(QFile::decodeName(QByteArray::fromStdString(path)), why),
                       caption, win32::mb::IconExclamation);
        }
    };
}

void CommandPrompts::Reveal(QWidget* owner, const std::string& path) {
    RevealInFileManager(path, TellFailure(owner, QStringLiteral("エクスプローラ"), path));
}

void CommandPrompts::ShowProperties(QWidget* owner, const std::string& path) {
    ShowItemProperties(path, TellFailure(owner, QStringLiteral("プロパティ"), path));
}
