// The NTFS store, on a real NTFS image mounted through ntfs-3g (FUSE). Needs root, mkntfs and
// ntfs-3g, which the test set-up installs.
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using platform::ItemRef;
namespace attr = platform::attr;

namespace {

class NtfsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "mounting an NTFS image needs root";
        }
        const std::string image = dir / "ntfs.img";
        mount = dir / "mnt";
        test::MakeFolder(mount);
        const int fd = ::open(image.c_str(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 16 << 20), 0);
        ::close(fd);
        ASSERT_EQ(test::RunProgram({"mkntfs", "-F", "-Q", "-q", image}), 0) << "mkntfs is missing or failed";
        ASSERT_EQ(test::RunProgram({"ntfs-3g", image, mount}), 0) << "ntfs-3g could not mount the image";
        mounted = true;
        file = mount + "/file.txt";
        test::WriteFile(file, "ntfs");
    }

    void TearDown() override {
        if (mounted) {
            test::RunProgram({"umount", mount});
        }
    }

    test::TempDir dir;
    std::string mount;
    std::string file;
    bool mounted = false;
};

uint32_t AttributesOf(const std::string& path) {
    uint32_t a = 0;
    EXPECT_FALSE(platform::GetAttributes(ItemRef::Path(path), a));
    return a;
}

uint32_t RawAttrib(const std::string& path) {
    uint32_t v = 0;
    EXPECT_EQ(::getxattr(path.c_str(), "system.ntfs_attrib", &v, sizeof v), 4);
    return v;
}

} // namespace

TEST_F(NtfsTest, AttributesAreTheRealNtfsOnes) {
    EXPECT_EQ(AttributesOf(file), attr::Archive); // NTFS marks new files for archiving
    ASSERT_FALSE(platform::SetAttributes(ItemRef::Path(file), attr::ReadOnly | attr::Hidden));
    EXPECT_EQ(AttributesOf(file), attr::ReadOnly | attr::Hidden);
    EXPECT_EQ(RawAttrib(file), attr::ReadOnly | attr::Hidden);
    // Nothing went to the Linux-side record: NTFS would show it as a stream.
    EXPECT_LT(::getxattr(file.c_str(), "user.DOSATTRIB", nullptr, 0), 0);

    ASSERT_FALSE(platform::SetAttributes(ItemRef::Path(file), attr::System | attr::Archive));
    EXPECT_EQ(AttributesOf(file), attr::System | attr::Archive);
    ASSERT_FALSE(platform::SetAttributes(ItemRef::Path(file), attr::Normal));
    EXPECT_EQ(AttributesOf(file), attr::Normal);
}

TEST_F(NtfsTest, FoldersShowTheDirectoryBitAndKeepIt) {
    const std::string folder = mount + "/folder";
    test::MakeFolder(folder);
    EXPECT_EQ(AttributesOf(folder) & attr::Directory, attr::Directory);
    ASSERT_FALSE(platform::SetAttributes(ItemRef::Path(folder), attr::Hidden));
    EXPECT_EQ(AttributesOf(folder), attr::Directory | attr::Hidden);
    ASSERT_FALSE(platform::SetAttributes(ItemRef::Path(folder), attr::Normal));
    EXPECT_EQ(AttributesOf(folder), attr::Directory);
}

TEST_F(NtfsTest, CreationTimeIsWrittenAndReadBack) {
    const platform::UtcTime created{981173106, 0}; // 2001-02-03 04:05:06 UTC
    const platform::UtcTime updated{1104537600, 0};
    ASSERT_FALSE(platform::SetFileTimes(ItemRef::Path(file), platform::ItemKind::File, &created, &updated));
    platform::FileInfo info;
    ASSERT_FALSE(platform::QueryFile(ItemRef::Path(file), info));
    ASSERT_TRUE(info.created.has_value());
    EXPECT_EQ(*info.created, created);
    EXPECT_EQ(info.updated, updated);

    // NTFS reaches back to 1601.
    const platform::UtcTime old{-11000000000, 0}; // 1621
    ASSERT_FALSE(platform::SetFileTimes(ItemRef::Path(file), platform::ItemKind::File, &old, nullptr));
    ASSERT_FALSE(platform::QueryFile(ItemRef::Path(file), info));
    EXPECT_EQ(*info.created, old);
    EXPECT_EQ(info.updated, updated);
}

TEST_F(NtfsTest, FolderCreationTimeToo) {
    const std::string folder = mount + "/folder";
    test::MakeFolder(folder);
    const platform::UtcTime created{946684800, 0};
    ASSERT_FALSE(
        platform::SetFileTimes(ItemRef::Path(folder), platform::ItemKind::Folder, &created, nullptr));
    platform::FileInfo info;
    ASSERT_FALSE(platform::QueryFile(ItemRef::Path(folder), info));
    EXPECT_EQ(info.created, created);
}
