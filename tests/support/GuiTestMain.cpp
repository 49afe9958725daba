// The window tests run in one QApplication, offscreen unless the environment says otherwise.
#include "menu/SystemColors.h"
#include "res/Resources.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("LANG", "ja_JP.UTF-8", 0);
    // The journals of the runs the tests make stay with the tests, and the MIME folders Qt reads
    // are the system's alone: a user's own would change which way file types are looked up.
    const test::TempDir state;
    ::setenv("XDG_STATE_HOME", state.Path().c_str(), 1);
    test::MakeFolder(state / "data");
    ::setenv("XDG_DATA_HOME", (state / "data").c_str(), 1);
    QApplication app(argc, argv);
    InitResources();
    ApplySystemColors(QApplication::palette(), QApplication::font("QMenu"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
