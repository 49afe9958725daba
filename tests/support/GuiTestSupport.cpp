#include "support/GuiTestSupport.h"

#include <QApplication>
#include <QTest>

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

} // namespace test
