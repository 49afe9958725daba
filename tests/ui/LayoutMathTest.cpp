#include "ui/LayoutMath.h"

#include <gtest/gtest.h>

TEST(LayoutMath, FlagsMoveAndStretchByTheGrowth) {
    const LayoutRect r{10, 20, 110, 60};
    EXPECT_EQ(ApplyLayoutFlags(r, LAYOUT_SIZE_X | LAYOUT_SIZE_Y, 100, 60), (LayoutRect{10, 20, 210, 120}));
    EXPECT_EQ(ApplyLayoutFlags(r, LAYOUT_MOVE_X | LAYOUT_MOVE_Y, 100, 60), (LayoutRect{110, 80, 210, 120}));
    EXPECT_EQ(ApplyLayoutFlags(r, 0, 100, 60), r);
    // Both on one side: taller and lower.
    EXPECT_EQ(ApplyLayoutFlags(r, LAYOUT_SIZE_Y | LAYOUT_MOVE_Y, 0, 10), (LayoutRect{10, 30, 110, 80}));
}

// A sequence of sizes through a real dialog is DialogLayoutTest's.
TEST(LayoutMath, GrowthCountsOnlyAboveTheBase) {
    EXPECT_EQ(LayoutGrowth(500, 600, 500), -100);
    EXPECT_EQ(LayoutGrowth(300, 400, 500), 0);  // below the base: nothing moves
    EXPECT_EQ(LayoutGrowth(510, 300, 500), 10); // back from below: only the part beyond the base
    EXPECT_EQ(LayoutGrowth(400, 600, 500), -100);
}
