#include "res/DialogTemplate.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(DialogTemplates, MainWindowControlsAreUniqueAndInside) {
    const DialogTemplate& t = MainDialogTemplate();
    EXPECT_EQ(t.id, 102);
    EXPECT_STREQ(t.caption, "Datemark");
    EXPECT_EQ(t.cx, 322);
    EXPECT_EQ(t.cy, 263);
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
    for (const int id : {1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1010, 1011,
                         1012, 1013, 1014, 1015, 1016, 1017, 1018, 1019, 1020, 1021, 1026}) {
        EXPECT_EQ(ids.count(id), 1U) << id;
    }
}

TEST(DialogTemplates, TabOrderAndTexts) {
    const DialogTemplate& t = MainDialogTemplate();
    // The first control in tab order is the creation group's "有効".
    EXPECT_EQ(t.controls.front().id, 1001);
    int defaults = 0;
    for (const ControlTemplate& c : t.controls) {
        if (c.kind == ControlKind::DefaultPushButton) {
            ++defaults;
            EXPECT_EQ(c.id, 1020);
            EXPECT_STREQ(c.text, "更新(&E)");
        }
        if (c.id == 1026) {
            EXPECT_EQ(c.style & style::TabStop, 0U); // "常に手前" is skipped by Tab
            EXPECT_EQ(c.kind, ControlKind::PushLikeCheckBox);
        }
    }
    EXPECT_EQ(defaults, 1);
}
