#include "res/Toolbars.h"

#include "res/DialogTemplate.h"

#include <gtest/gtest.h>

#include <vector>

TEST(ToolbarResource, TheMainToolbarHoldsItsButtonsInStripOrder) {
    const ToolbarResource* toolbar = FindToolbarResource(idr::Toolbar);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(std::vector<unsigned>(toolbar->commands.begin(), toolbar->commands.end()),
              (std::vector<unsigned>{idc::AddFiles, idc::AddFolder, idc::Delete, 0, idc::Properties,
                                     idc::Explorer, 0, idc::Update}));
    EXPECT_EQ(FindToolbarResource(idr::Toolbar + 1), nullptr);
    EXPECT_EQ(FindToolbarResource(-idr::Toolbar), nullptr);
}

TEST(FindToolbarImage, CountsOnlyTheButtonsWithImagesBeforeTheCommand) {
    struct Case {
        unsigned command;
        int toolbar;
        bool found;
        int index; // 42: the caller's value left alone
    };
    for (const Case c :
         {Case{idc::AddFiles, idr::Toolbar, true, 42}, Case{idc::AddFolder, idr::Toolbar, true, 1},
          Case{idc::Delete, idr::Toolbar, true, 2}, Case{idc::Explorer, idr::Toolbar, true, 4},
          Case{idc::Update, idr::Toolbar, true, 5}, Case{0, idr::Toolbar, false, 42}, // separators
          Case{idc::Refresh, idr::Toolbar, false, 42}, Case{0xFFFFFFFFu, idr::Toolbar, false, 42},
          Case{idc::AddFolder, idr::Toolbar + 1, false, 42}, Case{idc::AddFolder, -1, false, 42}}) {
        int index = 42;
        EXPECT_EQ(FindToolbarImage(c.command, c.toolbar, &index), c.found)
            << c.command << " on " << c.toolbar;
        EXPECT_EQ(index, c.index) << c.command << " on " << c.toolbar;
        EXPECT_EQ(FindToolbarImage(c.command, c.toolbar, nullptr), c.found);
    }
}
