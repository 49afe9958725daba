#include "support/GuiTestSupport.h"

#include "ui/MainDlg.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

namespace test {

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
    if (files.empty()) {
        return std::nullopt;
    }
    auto answer = files.front();
    files.pop_front();
    return answer;
}

CFolderBrowser::DialogRunner FakePrompts::FolderDialog() {
    return [this](QWidget*, const QString&, const std::string& start) -> std::optional<std::string> {
        folderStarts.push_back(start);
        if (folders.empty()) {
            return std::nullopt;
        }
        auto answer = folders.front();
        folders.pop_front();
        return answer;
    };
}

int FakePrompts::MessageBox(QWidget*, const QString& text, const QString& caption, unsigned type) {
    messages.push_back({text, caption, type});
    if (answers.empty()) {
        return 1;
    }
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

void FakePrompts::ShowResults(const std::string& log, platform::ProfileStore&) {
    results.push_back(log);
}

std::pair<std::unique_ptr<CMainDlg>, FakePrompts*> MakeMainDlg(platform::ProfileStore& store) {
    auto fake = std::make_unique<FakePrompts>();
    FakePrompts* const prompts = fake.get();
    return {std::make_unique<CMainDlg>(store, std::move(fake)), prompts};
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
