// Rows and walks of the engine as every system has them.
#include "filelist/ApplyTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace apply_test;

TEST(WalkTest, FolderTargetAndSubFolderDecideWhatChanges) {
    struct Case {
        int folderTarget, subFolder;
        const char* row;     // the tree's root, or a file in it: just the file
        const char* changed; // root, sub, deeper, a, b, c
    };
    for (const Case c : {Case{1, 1, "", "111111"}, Case{0, 1, "", "000111"}, Case{1, 0, "", "100000"},
                         Case{0, 0, "", "000000"}, Case{1, 1, "/a.txt", "000100"}}) {
        const test::TempDir dir;
        const std::string root = dir / "root";
        MakeTree(root);
        ApplyRequest r = Request(true);
        r.folderTarget = c.folderTarget;
        r.subFolder = c.subFolder;
        ApplyToEntry(Row(InTree(root, c.row), *c.row == '\0'), r);
        EXPECT_EQ(r.log, "");
        EXPECT_EQ(Changed(root), c.changed)
            << "folderTarget " << c.folderTarget << " subFolder " << c.subFolder << " row " << c.row;
    }
}
