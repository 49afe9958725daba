#include "menu/MenuGeometry.h"

#include "platform/SysColors.h"

#include <gtest/gtest.h>

using platform::Rgb;

TEST(LightenColor, MovesEachChannelTowardWhiteForFactorsInRange) {
    EXPECT_EQ(LightenColor(Rgb(0, 0, 128), 0.7), Rgb(178, 178, 216));
    EXPECT_EQ(LightenColor(Rgb(10, 20, 30), 1.0), Rgb(255, 255, 255));
    for (const double f : {0.0, 1.5, -0.2}) {
        EXPECT_EQ(LightenColor(Rgb(10, 20, 30), f), Rgb(10, 20, 30)) << f;
    }
}

TEST(LayoutMenuItem, CentresTheImageSlotNeverAboveTheTop) {
    EXPECT_EQ(LayoutMenuItem({0, 0, 100, 25}, 16, 15, false).dy, 3);
    EXPECT_EQ(LayoutMenuItem({0, 0, 100, 12}, 16, 15, false).dy, 0);
    const MenuItemLayout l = LayoutMenuItem({10, 20, 200, 45}, 16, 15, false);
    EXPECT_EQ(l.imageFrame, (CRect{11, 24, 29, 41}));
    EXPECT_EQ(l.text, (CRect{35, 19, 200, 44}));
    // An accelerator ends W pixels before the right edge.
    EXPECT_EQ(LayoutMenuItem({10, 20, 200, 45}, 16, 15, true).text.right, 184);
}
