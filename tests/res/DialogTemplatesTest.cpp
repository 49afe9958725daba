#include "res/DialogTemplate.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(DialogTemplates, ControlsAreUniqueAndInsideTheirDialog) {
    for (const DialogTemplate* t : {&MainDialogTemplate(), &ResultDialogTemplate(), &AboutDialogTemplate(),
                                    &VersionupDialogTemplate(), &ProgressDialogTemplate()}) {
        std::set<int> ids;
        for (const ControlTemplate& c : t->controls) {
            if (c.id >= 0) {
                EXPECT_TRUE(ids.insert(c.id).second) << t->id << ": " << c.id;
            }
            EXPECT_GE(c.x, 0);
            EXPECT_GE(c.y, 0);
            EXPECT_LE(c.x + c.cx, t->cx) << t->id << ": " << c.id;
            EXPECT_LE(c.y + c.cy, t->cy) << t->id << ": " << c.id;
        }
    }
}
