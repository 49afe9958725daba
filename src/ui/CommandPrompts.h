#pragma once

#include "shell/FileManager.h"
#include "shell/FolderBrowser.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

class QWidget;
struct KeptRun;
struct PreviewSink;
struct RunChoice;
enum class PreviewOf;

namespace platform {
class ProfileStore;
}

// Everything the main window's commands ask a person or hand to the desktop. The program uses
// the real dialogs; tests put in answers of their own.
class CommandPrompts {
public:
    virtual ~CommandPrompts() = default;

    // The open-file dialog: every file shown, several may be chosen. None for cancel.
    virtual std::optional<std::vector<std::string>> ChooseFiles(QWidget* owner);
    // The folder dialog behind CFolderBrowser.
    virtual CFolderBrowser::DialogRunner FolderDialog();
    virtual int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned type);
    // The results window with this log, offering to undo the run when it can be; true when the
    // user asked for that.
    virtual bool ShowResults(const std::string& log, platform::ProfileStore& profile, bool offerUndo);
    // What an update or an undo would do; true when the user asked to run it now.
    virtual bool ShowPreview(QWidget* owner, PreviewSink rows, platform::ProfileStore& profile, PreviewOf of);
    // The kept runs to choose the one to undo.
    virtual RunChoice ChooseRun(QWidget* owner, std::vector<KeptRun> runs);
    // The About box.
    virtual void ShowAbout(QWidget* owner);
    // The news of a newer release.
    virtual void ShowNewVersion(QWidget* owner, const QString& message);
    // The file manager at the item, or its properties; where the desktop offers neither, the
    // containing folder. A message box owned by `owner` says why when nothing could be opened.
    virtual void Reveal(QWidget* owner, const std::string& path);
    virtual void ShowProperties(QWidget* owner, const std::string& path);

protected:
    // Shows why a hand-off of this command came to nothing, if the owner is still there.
    HandOffFailed TellFailure(QWidget* owner, const QString& caption, const std::string& path);
};
