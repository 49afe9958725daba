// The window tests run in one QApplication, offscreen unless the environment says otherwise.
#include "menu/SystemColors.h"
#include "res/Resources.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("LANG", "ja_JP.UTF-8", 0);
    // The journals of the runs the tests make stay with the tests, and the MIME folders Qt reads
    // are the system's alone: a user's own would change which way file types are looked up.
    char state[] = "/tmp/datemark-state-XXXXXX";
    if (::mkdtemp(state) != nullptr) {
        ::setenv("XDG_STATE_HOME", state, 1);
        const std::string data = std::string(state) + "/data";
        ::mkdir(data.c_str(), 0700);
        ::setenv("XDG_DATA_HOME", data.c_str(), 1);
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
