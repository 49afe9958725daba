#include "shell/FolderBrowser.h"

#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Script {
    explicit Script(std::optional<std::string> a) : answer(std::move(a)) {}
    std::optional<std::string> answer;
    int runs = 0;
    std::string start;
    QString title;
};

CFolderBrowser::DialogRunner Runner(Script& script) {
    return [&script](QWidget*, const QString& title, const std::string& start) {
        ++script.runs;
        script.start = start;
        script.title = title;
        return script.answer;
    };
}

} // namespace

TEST(FolderBrowser, AChosenFolderIsTheResultAndCancelLeavesBothResultsEmpty) {
    Script script(std::string("/data/photos/2005"));
    CFolderBrowser browser(BIF_NEWDIALOGSTYLE, "フォルダを選択して下さい", CSIDL_DESKTOP, Runner(script));
    EXPECT_EQ(browser.Browse(std::string("/data/photos/")), 1);
    EXPECT_EQ(script.start, "/data/photos/");
    EXPECT_EQ(script.title, "フォルダを選択して下さい");
    std::string path;
    browser.GetResult(path, 1);
    EXPECT_EQ(path, "/data/photos/2005");
    std::string name;
    browser.GetResult(name, 0);
    EXPECT_EQ(name, "2005");
    script.answer.reset();
    EXPECT_EQ(browser.Browse(std::string("/first")), 2);
    browser.GetResult(path, 1);
    browser.GetResult(name, 0);
    EXPECT_EQ(path + name, "");
}

TEST(FolderBrowser, SpecialFoldersMapToTheStandardOnes) {
    Script script(std::nullopt);
    CFolderBrowser browser(BIF_NEWDIALOGSTYLE, "t", CSIDL_DESKTOP, Runner(script));
    EXPECT_EQ(browser.Browse(CSIDL_PERSONAL), 2);
    EXPECT_EQ(QString::fromStdString(script.start),
              QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    EXPECT_EQ(browser.Browse(CSIDL_DRIVES), 2);
    EXPECT_EQ(script.start, "/");
    // No initial selection and the desktop as root: the dialog chooses where to start.
    EXPECT_EQ(browser.Browse(), 2);
    EXPECT_EQ(script.start, "");
    // A root of its own is where an unspecified browse starts.
    browser.SetParams(BIF_NEWDIALOGSTYLE, nullptr, CSIDL_PROFILE);
    EXPECT_EQ(browser.Browse(), 2);
    EXPECT_EQ(QString::fromStdString(script.start),
              QStandardPaths::writableLocation(QStandardPaths::HomeLocation));
    EXPECT_EQ(script.title, "t"); // a null title keeps the old one
}

TEST(FolderBrowser, AnUnknownSpecialFolderShowsNothing) {
    Script script(std::string("/x"));
    CFolderBrowser browser(BIF_NEWDIALOGSTYLE, "t", 0x7777, Runner(script));
    EXPECT_EQ(browser.Browse(), -1);
    CFolderBrowser other(BIF_NEWDIALOGSTYLE, "t", CSIDL_DESKTOP, Runner(script));
    EXPECT_EQ(other.Browse(0x7777), -1);
    EXPECT_EQ(script.runs, 0);
    std::optional<std::string> path = std::string("left");
    EXPECT_TRUE(CFolderBrowser::GetSpecialFolderPath(CSIDL_DESKTOP, path));
    EXPECT_FALSE(path.has_value());
}
