#pragma once

#include "filelist/Apply.h"
#include "filelist/PreviewDlg.h"
#include "filelist/RunsDlg.h"
#include "platform/Win32Constants.h"
#include "support/TestSupport.h"
#include "ui/CommandPrompts.h"

#include <QWidget>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

class CMainDlg;
namespace platform {
class ProfileStore;
}

namespace test {

// Shows a window offscreen and lets Qt deliver what showing it sends.
void ShowAndSettle(QWidget& window);

// Gives a shown window a new client size and delivers the resize.
void ResizeAndSettle(QWidget& window, int width, int height);

// Lets Qt deliver pending events.
void Settle();

// Answers the commands' dialogs without a person and remembers what they were asked.
class FakePrompts : public CommandPrompts {
public:
    struct Shown {
        QString text;
        QString caption;
        unsigned type = 0;
        bool operator==(const Shown&) const = default;
    };

    // What the next open-file dialog, folder dialog and question answer; none: cancel.
    std::deque<std::optional<std::vector<std::string>>> files;
    std::deque<std::optional<std::string>> folders;
    std::deque<int> answers; // for questions; win32::id::Ok when empty

    std::vector<Shown> messages;
    std::vector<std::string> results;           // logs handed to the results window
    std::vector<bool> undoOffered;              // for each, whether it offered to undo the run
    bool undoFromResults = false;               // how the results window answers
    std::vector<PreviewSink> previews;          // what each preview showed
    bool runFromPreview = false;                // how the preview answers
    std::vector<std::vector<KeptRun>> runLists; // what each list of runs showed
    std::deque<std::string> chosenRuns;         // what it answers; the newest when empty
    bool previewChosenRun = false;              // whether it asks for the undo's preview
    std::vector<PreviewOf> previewKinds;        // what each preview was of
    std::vector<std::string> folderStarts;
    std::vector<std::string> revealed;
    std::vector<std::string> properties;
    int abouts = 0;
    std::vector<QString> news; // messages of newer releases

    std::optional<std::vector<std::string>> ChooseFiles(QWidget* owner) override;
    CFolderBrowser::DialogRunner FolderDialog() override;
    int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned type) override;
    bool ShowResults(const std::string& log, platform::ProfileStore& profile, bool offerUndo) override;
    bool ShowPreview(QWidget* owner, PreviewSink rows, platform::ProfileStore& profile,
                     PreviewOf of) override;
    RunChoice ChooseRun(QWidget* owner, std::vector<KeptRun> runs) override;
    void ShowAbout(QWidget*) override { ++abouts; }
    void ShowNewVersion(QWidget*, const QString& message) override { news.push_back(message); }
    // Hand-offs are only recorded, unless the desktop's own are wanted.
    bool realHandOffs = false;
    void Reveal(QWidget* owner, const std::string& path) override;
    void ShowProperties(QWidget* owner, const std::string& path) override;
};

// What a failed comparison of message boxes prints.
void PrintTo(const FakePrompts::Shown& shown, std::ostream* out);

// A main window over the settings store whose dialogs the returned fake answers; not shown yet.
std::pair<std::unique_ptr<CMainDlg>, FakePrompts*> MakeMainDlg(platform::ProfileStore& store);

// The desktop's own opener (xdg-open) under a private configuration for the life of the
// object: inode/directory goes to a program that writes down what it was given, or to nothing.
class DesktopOpener {
public:
    explicit DesktopOpener(bool withHandler);
    ~DesktopOpener();
    DesktopOpener(const DesktopOpener&) = delete;
    DesktopOpener& operator=(const DesktopOpener&) = delete;

    // What the handler was given, once it ran (empty if it did not within ten seconds).
    std::string Opened();

    TempDir dir;

private:
    void Set(const char* name, const std::string& value);
    std::vector<std::pair<std::string, std::optional<QByteArray>>> m_saved;
};

struct MenuSeen {
    bool opened = false;
    std::vector<std::pair<std::string, bool>> items; // words ("-": separator) and whether enabled
    std::string defaultItem;

    std::vector<std::string> Words() const;
};

// Runs trigger and looks at the pop-up menu it opens; then picks the item with these words
// (none: closes the menu with Escape).
MenuSeen SeenMenu(const std::function<void()>& trigger, const std::string& pick = {});

} // namespace test
