#include "res/DialogTemplate.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(DialogTemplates, MainWindowControlsAreUniqueAndInside) {
    const DialogTemplate& t = MainDialogTemplate();
    std::set<int> ids;
    for (const ControlTemplate& c : t.controls) {
        if (c.id >= 0) {
            EXPECT_TRUE(ids.insert(c.id).second) << c.id;
        }
        EXPECT_GE(c.x, 0);
        EXPECT_GE(c.y, 0);
        EXPECT_LE(c.x + c.cx, t.cx) << c.id;
        EXPECT_LE(c.y + c.cy, t.cy) << c.id;
    }
    for (int id = 1001; id <= 1021; ++id) {
        EXPECT_EQ(ids.count(id), 1U) << id;
    }
    EXPECT_EQ(ids.count(1026), 1U);
}

TEST(DialogTemplates, TabOrderStartsAtTheCreationGroupAndUpdateIsTheOnlyDefault) {
    const DialogTemplate& t = MainDialogTemplate();
    EXPECT_EQ(t.controls.front().id, 1001);
    int defaults = 0;
    for (const ControlTemplate& c : t.controls) {
        if (c.kind == ControlKind::DefaultPushButton) {
            ++defaults;
            EXPECT_EQ(c.id, 1020);
        }
        if (c.id == 1026) {
            EXPECT_EQ(c.style & style::TabStop, 0U); // "常に手前" is skipped by Tab
        }
    }
    EXPECT_EQ(defaults, 1);
}
