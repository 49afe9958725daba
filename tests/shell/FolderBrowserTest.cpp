#include "shell/FolderBrowser.h"

#include <gtest/gtest.h>

// A cancel, which adds no row, CommandsTest sees through the window.
TEST(FolderBrowser, TheDialogGetsTheTitleAndStartAndItsChoiceIsTheResult) {
    std::string start;
    QString title;
    CFolderBrowser browser(BIF_NEWDIALOGSTYLE, "フォルダを選択して下さい", CSIDL_DESKTOP,
                           [&](QWidget*, const QString& shownTitle, const std::string& shownStart) {
                               start = shownStart;
                               title = shownTitle;
                               return std::optional<std::string>("/data/photos/2005");
                           });
    EXPECT_EQ(browser.Browse(std::string("/data/photos/")), 1);
    EXPECT_EQ(start, "/data/photos/");
    EXPECT_EQ(title, "フォルダを選択して下さい");
    std::string path;
    browser.GetResult(path, 1);
    EXPECT_EQ(path, "/data/photos/2005");
}
