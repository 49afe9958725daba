#include "app/SettingsPath.h"
#include "platform/FileSystem.h"
#include "platform/ItemTestSupport.h"
#include "platform/Process.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(SettingsPath, AReadOnlyFileBesideTheProgramMovesTheSettingsToAppData) {
    test::TempDir dir;
    test::MakeFolder(dir / "prog");
    const std::string exe = dir / "prog\\datemark.exe";
    const std::string beside = dir / "prog\\Datemark.ini";
    EXPECT_EQ(ResolveSettingsLocation(exe, dir / "config").path, beside); // the folder may be written

    test::WriteFile(beside, "[s]\r\nk=beside\r\n");
    ASSERT_FALSE(
        platform::SetAttributes(test::OpenItem(beside), platform::attr::ReadOnly | platform::attr::Archive));
    const SettingsLocation moved = ResolveSettingsLocation(exe, dir / "config");
    EXPECT_EQ(moved.path, dir / "config\\Datemark\\Datemark.ini");
    EXPECT_TRUE(moved.createFolders);
    EXPECT_EQ(test::ReadFile(moved.path), "[s]\r\nk=beside\r\n");
}

TEST(SettingsPath, TheFoldersComeFromTheWindowsProfile) {
    const std::string appData = platform::ConfigHome();
    ASSERT_FALSE(appData.empty());
    EXPECT_EQ(appData, std::getenv("APPDATA"));
    EXPECT_EQ(platform::StateHome(), std::getenv("LOCALAPPDATA"));
    const std::string exe = platform::ExecutablePath();
    EXPECT_EQ(exe.substr(exe.size() - 4), ".exe");
    EXPECT_TRUE(test::Exists(exe));
}
