#include "app/SettingsPath.h"

#include "platform/Process.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

TEST(SettingsPath, BesideTheExecutableWhateverItIsCalled) {
    const auto l = ChooseSettingsLocation("/opt/Tools/Stamp/tool", true, false, "/home/u/.config");
    EXPECT_EQ(l.path, "/opt/Tools/Stamp/Datemark.ini");
    EXPECT_FALSE(l.createFolders);
}

TEST(SettingsPath, ReadOnlyFolderFallsBackToTheUsersConfigFolder) {
    const auto l = ChooseSettingsLocation("/usr/bin/datemark", false, false, "/home/u/.config");
    EXPECT_EQ(l.path, "/home/u/.config/Datemark/Datemark.ini");
    EXPECT_TRUE(l.createFolders);
    EXPECT_EQ(ChooseSettingsLocation("/usr/bin/datemark", false, false, "/cfg/").path,
              "/cfg/Datemark/Datemark.ini");
}

TEST(SettingsPath, AnExistingFileBesideTheExecutableIsUsedEvenIfTheFolderIsReadOnly) {
    const auto l = ChooseSettingsLocation("/media/stick/datemark", false, true, "/home/u/.config");
    EXPECT_EQ(l.path, "/media/stick/Datemark.ini");
}

TEST(SettingsPath, NoExecutablePathMeansTheConfigFolder) {
    EXPECT_EQ(ChooseSettingsLocation("", true, false, "/home/u/.config").path,
              "/home/u/.config/Datemark/Datemark.ini");
}

TEST(SettingsPath, TheRunningProgramUsesItsOwnFolder) {
    const std::string exe = platform::ExecutablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.substr(exe.rfind('/') + 1), "datemark_core_tests");
    // The test binary lives in a build folder it may write to.
    const auto l = ResolveSettingsLocation();
    EXPECT_EQ(l.path, exe.substr(0, exe.rfind('/') + 1) + "Datemark.ini");
}

TEST(SettingsPath, ConfigHomeFollowsXdgOnlyWhenAbsolute) {
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string savedXdg = oldXdg != nullptr ? oldXdg : "";
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome != nullptr ? oldHome : "";
    ::setenv("HOME", "/home/someone", 1);
    ::setenv("XDG_CONFIG_HOME", "/xdg/config", 1);
    EXPECT_EQ(platform::ConfigHome(), "/xdg/config");
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(platform::ConfigHome(), "/home/someone/.config");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(platform::ConfigHome(), "/home/someone/.config");
    if (oldXdg != nullptr) {
        ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    }
    if (oldHome != nullptr) {
        ::setenv("HOME", savedHome.c_str(), 1);
    } else {
        ::unsetenv("HOME");
    }
}

TEST(SettingsPath, WritableFolderAsTheUserSeesIt) {
    test::TempDir dir;
    ::chmod(dir.Path().c_str(), 0755);
    EXPECT_TRUE(platform::IsWritableFolder(dir.Path()));
    const std::string path = dir.Path();
    // Another user may not write into it.
    EXPECT_EQ(test::RunAsUnprivileged([&] { return platform::IsWritableFolder(path) ? 1 : 0; }),
              ::geteuid() == 0 ? 0 : 1);
    EXPECT_FALSE(platform::IsWritableFolder(dir / "missing"));
    EXPECT_TRUE(platform::PathExists(dir.Path()));
    EXPECT_FALSE(platform::PathExists(dir / "missing"));
}
