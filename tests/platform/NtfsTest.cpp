// On a real NTFS image mounted through ntfs-3g (FUSE): needs root, mkntfs and ntfs-3g.
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/ItemTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/xattr.h>
#include <unistd.h>

namespace attr = platform::attr;

using test::AttributesOf;

namespace {

class NtfsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "mounting an NTFS image needs root";
        }
        const std::string image = dir / "ntfs.img";
        test::MakeFolder(mount);
        test::WriteFile(image, "");
        ASSERT_EQ(::truncate(image.c_str(), 16 << 20), 0);
        ASSERT_EQ(test::RunProgram({"mkntfs", "-F", "-Q", "-q", image}), 0) << "mkntfs is missing or failed";
        ASSERT_EQ(test::RunProgram({"ntfs-3g", image, mount}), 0) << "ntfs-3g could not mount the image";
        mounted = true;
        test::WriteFile(file, "ntfs");
        test::MakeFolder(folder);
    }

    void TearDown() override {
        if (mounted) {
            test::RunProgram({"umount", mount});
        }
    }

    test::TempDir dir;
    std::string mount = dir / "mnt";
    std::string file = mount + "/file.txt";
    std::string folder = mount + "/folder";
    bool mounted = false;
};

std::error_code Set(const std::string& path, uint32_t a) {
    return platform::SetAttributes(test::OpenItem(path), a);
}

std::error_code SetTimes(const std::string& path, const platform::UtcTime* created,
                         const platform::UtcTime* updated) {
    return platform::SetFileTimes(test::OpenItem(path), created, updated);
}

} // namespace

TEST_F(NtfsTest, AttributesAreTheRealNtfsOnes) {
    EXPECT_EQ(AttributesOf(file), attr::Archive); // NTFS marks new files for archiving
    for (const uint32_t a : {attr::ReadOnly | attr::Hidden, attr::System | attr::Archive, attr::Normal}) {
        ASSERT_FALSE(Set(file, a));
        EXPECT_EQ(AttributesOf(file), a);
    }
    ASSERT_FALSE(Set(file, attr::Hidden));
    uint32_t raw = 0;
    EXPECT_EQ(::getxattr(file.c_str(), "system.ntfs_attrib", &raw, sizeof raw), 4);
    EXPECT_EQ(raw, attr::Hidden);
    // Nothing went to the Linux-side record: NTFS would show it as a stream.
    EXPECT_LT(::getxattr(file.c_str(), "user.DOSATTRIB", nullptr, 0), 0);

    ASSERT_FALSE(Set(folder, attr::Hidden));
    EXPECT_EQ(AttributesOf(folder), attr::Directory | attr::Hidden);
    ASSERT_FALSE(Set(folder, attr::Normal));
    EXPECT_EQ(AttributesOf(folder), attr::Directory);
}

TEST_F(NtfsTest, TimesAreWrittenAndReadBackBackTo1601AndNoEarlier) {
    const platform::UtcTime updated{1104537600, 0};
    ASSERT_FALSE(SetTimes(file, nullptr, &updated));
    // Before 1601 NTFS would hold a negative time Windows cannot show: refused, nothing written.
    const platform::UtcTime tooEarly{-11644473601, 0};
    EXPECT_EQ(SetTimes(file, nullptr, &tooEarly), platform::Errc::time_not_stored);
    // 2001-02-03 04:05:06 UTC and 1621.
    for (const platform::UtcTime created :
         {platform::UtcTime{981173106, 0}, platform::UtcTime{-11000000000, 0}}) {
        ASSERT_FALSE(SetTimes(file, &created, nullptr));
        ASSERT_FALSE(SetTimes(folder, &created, nullptr));
        EXPECT_EQ(test::Query(file).created, created);
        EXPECT_EQ(test::Query(file).updated, updated);
        EXPECT_EQ(test::Query(folder).created, created);
    }
}

TEST_F(NtfsTest, AStateReadBeforeAChangeIsPutBackWithItsCreationTime) {
    const platform::UtcTime created{1000000000, 1234500};
    ASSERT_FALSE(SetTimes(file, &created, &created));
    platform::ItemState before;
    ASSERT_FALSE(platform::ReadState(test::OpenItem(file), before));
    const platform::UtcTime changed{1128000000, 0};
    ASSERT_FALSE(SetTimes(file, &changed, &changed));
    ASSERT_FALSE(Set(file, attr::Hidden | attr::ReadOnly));
    ASSERT_FALSE(platform::RestoreState(test::OpenItem(file), before));
    platform::ItemState after;
    ASSERT_FALSE(platform::ReadState(test::OpenItem(file), after));
    EXPECT_EQ(after, before);
    EXPECT_EQ(test::Query(file).created, created);
}
