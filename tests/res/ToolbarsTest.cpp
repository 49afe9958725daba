#include "res/Toolbars.h"

#include "res/DialogTemplate.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(ToolbarResource, TheMainToolbarHoldsItsButtonsInStripOrder) {
    const ToolbarResource* toolbar = FindToolbarResource(idr::Toolbar);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(toolbar->id, 150);
    EXPECT_EQ(toolbar->buttonWidth, 16);
    EXPECT_EQ(toolbar->buttonHeight, 15);
    const std::vector<unsigned> commands(toolbar->commands.begin(), toolbar->commands.end());
    EXPECT_EQ(commands, (std::vector<unsigned>{1015, 1016, 1017, 0, 32772, 32771, 0, 1020}));
    EXPECT_EQ(FindToolbarResource(151), nullptr);
    EXPECT_EQ(FindToolbarResource(0), nullptr);
    EXPECT_EQ(FindToolbarResource(-150), nullptr);
}

TEST(FindToolbarImage, CountsOnlyTheButtonsWithImagesBeforeTheCommand) {
    const struct {
        unsigned command;
        int image;
    } buttons[] = {
        {idc::AddFolder, 1}, {idc::Delete, 2}, {idc::Properties, 3}, {idc::Explorer, 4}, {idc::Update, 5},
    };
    for (const auto& b : buttons) {
        int index = -1;
        EXPECT_TRUE(FindToolbarImage(b.command, idr::Toolbar, &index)) << b.command;
        EXPECT_EQ(index, b.image) << b.command;
        // Whatever the caller had is replaced.
        index = 99;
        EXPECT_TRUE(FindToolbarImage(b.command, idr::Toolbar, &index));
        EXPECT_EQ(index, b.image) << b.command;
    }
}

TEST(FindToolbarImage, TheFirstImageLeavesTheCallersIndex) {
    for (const int preset : {0, 7, -1}) {
        int index = preset;
        EXPECT_TRUE(FindToolbarImage(idc::AddFiles, idr::Toolbar, &index));
        EXPECT_EQ(index, preset);
    }
    EXPECT_TRUE(FindToolbarImage(idc::AddFiles, idr::Toolbar, nullptr));
    EXPECT_TRUE(FindToolbarImage(idc::Update, idr::Toolbar, nullptr));
}

TEST(FindToolbarImage, MissesLeaveTheIndexAlone) {
    const auto misses = [](unsigned command, int toolbar) {
        int index = 42;
        const bool found = FindToolbarImage(command, toolbar, &index);
        EXPECT_EQ(index, 42) << command << " on " << toolbar;
        return !found;
    };
    EXPECT_TRUE(misses(0, idr::Toolbar)) << "only separators hold 0";
    EXPECT_TRUE(misses(idc::Refresh, idr::Toolbar)) << "a command with no button";
    EXPECT_TRUE(misses(idc::SelectAll, idr::Toolbar));
    EXPECT_TRUE(misses(0xFFFFFFFFu, idr::Toolbar));
    EXPECT_TRUE(misses(idc::AddFolder, 151)) << "no such toolbar";
    EXPECT_TRUE(misses(idc::AddFolder, 0));
    EXPECT_TRUE(misses(idc::AddFolder, -1));
    EXPECT_FALSE(FindToolbarImage(idc::Refresh, idr::Toolbar, nullptr));
}
