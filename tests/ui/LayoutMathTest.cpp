#include "ui/LayoutMath.h"

#include <gtest/gtest.h>

// How the flags move and stretch, and growth above the base, MainDlgTest's grow and shrink drives;
// sizes below the base, which no window of the program allows, are this test's alone.
TEST(LayoutMath, GrowthCountsOnlyAboveTheBaseSoAnySequenceEndsWhereOneStepWould) {
    EXPECT_EQ(LayoutGrowth(500, 600, 500), -100);
    EXPECT_EQ(LayoutGrowth(300, 400, 500), 0);  // below the base: nothing moves
    EXPECT_EQ(LayoutGrowth(510, 300, 500), 10); // back from below: only the part beyond the base
    EXPECT_EQ(LayoutGrowth(400, 600, 500), -100);
    const int base = 400;
    LayoutRect stepped{300, 50, 380, 70};
    int last = base;
    for (const int size : {400, 300, 650, 420, 200, 900, 410}) {
        stepped = ApplyLayoutFlags(stepped, LAYOUT_MOVE_X, LayoutGrowth(size, last, base), 0);
        last = size;
    }
    EXPECT_EQ(stepped, (LayoutRect{310, 50, 390, 70}));
}
