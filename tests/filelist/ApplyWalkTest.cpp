// Rows and walks of the engine as every system has them.
#include "filelist/ApplyTestSupport.h"
#include "platform/ItemTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

using namespace apply_test;

namespace {

constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

constexpr const char* kTree[] = {"", "sub", "sub/deeper", "a.txt", "sub/b.txt", "sub/deeper/c.txt"};

// A fresh tree of folders and files, all with the same old last-write time.
class WalkTest : public ::testing::Test {
protected:
    std::string MakeTree() {
        m_dir = std::make_unique<test::TempDir>();
        const platform::UtcTime old{1000000000, 0};
        for (const char* p : kTree) {
            const std::string path = m_dir->Path() + Sub(p);
            if (std::string_view(p).find('.') != std::string_view::npos) {
                test::WriteFile(path, "");
            } else if (*p != '\0') {
                test::MakeFolder(path);
            }
        }
        for (const char* p : kTree) {
            EXPECT_FALSE(platform::SetFileTimes(test::OpenItem(m_dir->Path() + Sub(p)), nullptr, &old)) << p;
        }
        return m_dir->Path() + Sub("");
    }

    // Which of the tree's items now carry the new time.
    std::string Changed() const {
        const platform::UtcTime wanted = *platform::LocalToUtc(kUpdated);
        std::string s;
        for (const char* p : kTree) {
            s += test::Query(m_dir->Path() + Sub(p)).updated == wanted ? '1' : '0';
        }
        return s;
    }

    // "sub/b.txt" as the part of a path after the tree's folder, with the system's separator.
    static std::string Sub(std::string_view relative) {
        std::string out = relative.empty() ? "" : "/" + std::string(relative);
        for (char& c : out) {
            c = c == '/' ? kSeparator : c;
        }
        return out;
    }

    std::unique_ptr<test::TempDir> m_dir;
};

} // namespace

TEST_F(WalkTest, FolderTargetAndSubFolderDecideWhatChanges) {
    struct Case {
        int folderTarget, subFolder;
        const char* changed; // root, sub, deeper, a, b, c
    };
    for (const Case c :
         {Case{1, 1, "111111"}, Case{0, 1, "000111"}, Case{1, 0, "100000"}, Case{0, 0, "000000"}}) {
        const std::string root = MakeTree();
        ApplyRequest r = Request(true);
        r.folderTarget = c.folderTarget;
        r.subFolder = c.subFolder;
        ApplyToEntry(Row(root, true), r);
        EXPECT_EQ(r.log, "");
        EXPECT_EQ(Changed(), c.changed) << "folderTarget " << c.folderTarget << " subFolder " << c.subFolder;
    }
    const std::string root = MakeTree();
    ApplyRequest r = Request(true);
    ApplyToEntry(Row(root + Sub("a.txt"), false), r);
    EXPECT_EQ(Changed(), "000100"); // a file row is just the file
}
