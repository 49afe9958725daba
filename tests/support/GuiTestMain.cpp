// The window tests run in one QApplication, offscreen unless the environment says otherwise.
#include "menu/SystemColors.h"
#include "res/Resources.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("LANG", "ja_JP.UTF-8", 0);
    // The journals of the runs the tests make stay with the tests.
    char state[] = "/tmp/datemark-state-XXXXXX";
    if (::mkdtemp(state) != nullptr) {
        ::setenv("XDG_STATE_HOME", state, 1);
    }
    struct RemoveAtExit {
        std::string path;
        ~RemoveAtExit() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } removeState{state};
    QApplication app(argc, argv);
    InitResources();
    ApplySystemColors(QApplication::palette(), QApplication::font("QMenu"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
