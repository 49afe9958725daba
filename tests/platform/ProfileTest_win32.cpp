// The store against the Windows profile rules on a Windows file system: a read-only file is
// refused and kept, and a rewritten file keeps its attributes.
#include "platform/FileIO.h"
#include "platform/FileSystem.h"
#include "platform/ItemTestSupport.h"
#include "platform/ProfileTestFixture.h"

namespace {

using namespace profile_test;

TEST_F(ProfileTest, AReadOnlyFileIsRefusedAndKept) {
    Put("[s]\r\nk=1\r\n");
    ASSERT_FALSE(
        platform::SetAttributes(test::OpenItem(m_path), platform::attr::ReadOnly | platform::attr::Archive));
    EXPECT_FALSE(platform::CanUpdateFile(m_path));
    platform::ProfileStore store(m_path);
    EXPECT_FALSE(store.WriteString("s", "k", "2"));
    EXPECT_EQ(store.LastWriteError(), std::errc::permission_denied);
    EXPECT_EQ(Content(), "[s]\r\nk=1\r\n");
    EXPECT_EQ(Get("s", "k"), "1");
    EXPECT_EQ(test::FolderNames(m_dir.Path()), Names{"settings.ini"});
}

TEST_F(ProfileTest, ARewrittenFileKeepsItsAttributes) {
    Put("[s]\r\nk=1\r\n");
    constexpr uint32_t kHidden = platform::attr::Hidden | platform::attr::Archive;
    ASSERT_FALSE(platform::SetAttributes(test::OpenItem(m_path), kHidden));
    EXPECT_TRUE(platform::CanUpdateFile(m_path));
    EXPECT_TRUE(Set("s", "k", "2"));
    EXPECT_EQ(Content(), "[s]\r\nk=2\r\n");
    uint32_t attributes = 0;
    ASSERT_FALSE(platform::GetAttributes(test::OpenItem(m_path), attributes));
    EXPECT_EQ(attributes & platform::attr::Hidden, platform::attr::Hidden);
}

} // namespace
