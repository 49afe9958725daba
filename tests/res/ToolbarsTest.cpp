#include "res/Toolbars.h"

#include "res/DialogTemplate.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(FindToolbarResource(idr::Toolbar + 1), nullptr);
}
