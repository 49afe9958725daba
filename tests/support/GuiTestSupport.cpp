#include "support/GuiTestSupport.h"

#include "ui/MainDlg.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <sys/stat.h>

namespace test {
namespace {

// The next answer in the queue, taken off it; fallback when it is empty.
template <typename T> T Take(std::deque<T>& queue, T fallback) {
    if (!queue.empty()) {
        fallback = std::move(queue.front());
        queue.pop_front();
    }
    return fallback;
}

} // namespace

void Settle() {
    QApplication::processEvents();
    QApplication::processEvents();
}

void ShowAndSettle(QWidget& window) {
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    Settle();
}

void ResizeAndSettle(QWidget& window, int width, int height) {
    window.resize(width, height);
    Settle();
}

std::optional<std::vector<std::string>> FakePrompts::ChooseFiles(QWidget*) {
    return Take(files, std::optional<std::vector<std::string>>());
}

CFolderBrowser::DialogRunner FakePrompts::FolderDialog() {
    return [this](QWidget*, const QString&, const std::string& start) -> std::optional<std::string> {
        folderStarts.push_back(start);
        return Take(folders, std::optional<std::string>());
    };
}

int FakePrompts::MessageBox(QWidget*, const QString& text, const QString& caption, unsigned type) {
    messages.push_back({text, caption, type});
    return Take(answers, 1);
}

void FakePrompts::Reveal(QWidget* owner, const std::string& path) {
    revealed.push_back(path);
    if (realHandOffs) {
        CommandPrompts::Reveal(owner, path);
    }
}

void FakePrompts::ShowProperties(QWidget* owner, const std::string& path) {
    properties.push_back(path);
    if (realHandOffs) {
        CommandPrompts::ShowProperties(owner, path);
    }
}

bool FakePrompts::ShowResults(const std::string& log, platform::ProfileStore&, bool offerUndo) {
    results.push_back(log);
    undoOffered.push_back(offerUndo);
    return offerUndo && undoFromResults;
}

bool FakePrompts::ShowPreview(QWidget*, PreviewSink rows, platform::ProfileStore&, PreviewOf of) {
    previews.push_back(std::move(rows));
    previewKinds.push_back(of);
    return runFromPreview;
}

RunChoice FakePrompts::ChooseRun(QWidget*, std::vector<KeptRun> runs) {
    runLists.push_back(runs);
    const std::string name = Take(chosenRuns, runs.empty() ? std::string() : runs.front().info.name);
    return {name, previewChosenRun && !name.empty()};
}

void PrintTo(const FakePrompts::Shown& shown, std::ostream* out) {
    *out << '{' << shown.text.toStdString() << " | " << shown.caption.toStdString() << " | " << shown.type
         << '}';
}

std::pair<std::unique_ptr<CMainDlg>, FakePrompts*> MakeMainDlg(platform::ProfileStore& store) {
    auto fake = std::make_unique<FakePrompts>();
    FakePrompts* const prompts = fake.get();
    return {std::make_unique<CMainDlg>(store, std::move(fake)), prompts};
}

DesktopOpener::DesktopOpener(bool withHandler) {
    const std::string apps = dir / "data/applications";
    std::filesystem::create_directories(apps);
    std::filesystem::create_directories(dir / "config");
    if (withHandler) {
        // Written aside and renamed, so that the file is never seen half-written.
        WriteFile(dir / "record", "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.out\"\n");
        ::chmod((dir / "record").c_str(), 0755);
        WriteFile(apps + "/record.desktop", "[Desktop Entry]\nType=Application\nName=Record\nExec=" +
                                                (dir / "record") + " %U\nMimeType=inode/directory;\n");
        WriteFile(dir / "config/mimeapps.list", "[Default Applications]\ninode/directory=record.desktop\n");
    }
    Set("XDG_CONFIG_HOME", dir / "config");
    Set("XDG_DATA_HOME", dir / "data");
    Set("XDG_DATA_DIRS", "/usr/share");
    Set("BROWSER", dir / "no-browser"); // so that no web browser stands in for a file manager
    // xdg-open looks for a default application only on a graphical session.
    Set("DISPLAY", qEnvironmentVariableIsSet("DISPLAY") ? qgetenv("DISPLAY").toStdString() : ":0");
}

DesktopOpener::~DesktopOpener() {
    for (const auto& [name, old] : m_saved) {
        old ? qputenv(name.c_str(), *old) : qunsetenv(name.c_str());
    }
}

std::string DesktopOpener::Opened() {
    (void)QTest::qWaitFor([&] { return Exists(dir / "record.out"); }, 10000);
    return Exists(dir / "record.out") ? ReadFile(dir / "record.out") : std::string();
}

void DesktopOpener::Set(const char* name, const std::string& value) {
    m_saved.emplace_back(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
    qputenv(name, QByteArray::fromStdString(value));
}

std::vector<std::string> MenuSeen::Words() const {
    std::vector<std::string> words;
    for (const auto& item : items) {
        words.push_back(item.first);
    }
    return words;
}

MenuSeen SeenMenu(const std::function<void()>& trigger, const std::string& pick) {
    MenuSeen seen;
    // Runs inside the menu's own event loop.
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            return;
        }
        seen.opened = true;
        QAction* chosen = nullptr;
        for (QAction* action : menu->actions()) {
            const std::string text = action->text().toStdString();
            seen.items.emplace_back(action->isSeparator() ? "-" : text, action->isEnabled());
            if (!pick.empty() && !action->isSeparator() && text == pick) {
                chosen = action;
            }
        }
        if (menu->defaultAction() != nullptr) {
            seen.defaultItem = menu->defaultAction()->text().toStdString();
        }
        if (chosen != nullptr) {
            menu->setActiveAction(chosen);
            QTest::keyClick(menu, Qt::Key_Return);
        } else {
            QTest::keyClick(menu, Qt::Key_Escape);
        }
    });
    trigger();
    Settle();
    return seen;
}

} // namespace test
