// The window tests run in one QApplication, offscreen unless the environment says otherwise.
#include "menu/SystemColors.h"
#include "res/Resources.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("LANG", "ja_JP.UTF-8", 0);
    QApplication app(argc, argv);
    InitResources();
    ApplySystemColors(QApplication::palette(), QApplication::font("QMenu"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
