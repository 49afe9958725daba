#include "ui/LayoutMath.h"

#include <gtest/gtest.h>

TEST(LayoutMath, FlagsMoveAndStretchByTheGrowth) {
    const LayoutRect r{10, 20, 110, 60};
    EXPECT_EQ(ApplyLayoutFlags(r, LAYOUT_SIZE_X | LAYOUT_SIZE_Y, 100, 60), (LayoutRect{10, 20, 210, 120}));
    EXPECT_EQ(ApplyLayoutFlags(r, LAYOUT_MOVE_X | LAYOUT_MOVE_Y, 100, 60), (LayoutRect{110, 80, 210, 120}));
    EXPECT_EQ(ApplyLayoutFlags(r, LAYOUT_MOVE_Y, 100, 60), (LayoutRect{10, 80, 110, 120}));
    EXPECT_EQ(ApplyLayoutFlags(r, 0, 100, 60), r);
    // Each flag on its own: a control that both stretches and moves down ends up taller and lower.
    EXPECT_EQ(ApplyLayoutFlags(r, LAYOUT_SIZE_Y | LAYOUT_MOVE_Y, 0, 10), (LayoutRect{10, 30, 110, 80}));
    EXPECT_EQ(ApplyLayoutFlags(r, LAYOUT_MOVE_X, -30, 0), (LayoutRect{-20, 20, 80, 60}));
}

TEST(LayoutMath, GrowthCountsOnlyAboveTheBase) {
    EXPECT_EQ(LayoutGrowth(600, 500, 500), 100);
    EXPECT_EQ(LayoutGrowth(500, 600, 500), -100);
    EXPECT_EQ(LayoutGrowth(400, 500, 500), 0); // below the base: nothing moves
    EXPECT_EQ(LayoutGrowth(300, 400, 500), 0);
    EXPECT_EQ(LayoutGrowth(510, 300, 500), 10); // back from below: only the part beyond the base
    EXPECT_EQ(LayoutGrowth(400, 600, 500), -100);
}

TEST(LayoutMath, AnySequenceOfSizesEndsWhereOneStepWould) {
    const int base = 400;
    const int sizes[] = {400, 300, 650, 420, 200, 900, 410};
    LayoutRect stepped{300, 50, 380, 70};
    int last = base;
    for (const int size : sizes) {
        stepped = ApplyLayoutFlags(stepped, LAYOUT_MOVE_X, LayoutGrowth(size, last, base), 0);
        last = size;
    }
    const LayoutRect direct =
        ApplyLayoutFlags({300, 50, 380, 70}, LAYOUT_MOVE_X, LayoutGrowth(410, base, base), 0);
    EXPECT_EQ(stepped, direct);
    EXPECT_EQ(stepped.left, 310);
}
