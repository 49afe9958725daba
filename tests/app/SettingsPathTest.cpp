#include "app/SettingsPath.h"

#include "platform/Process.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

TEST(SettingsPath, BesideTheExecutableUnlessItsFolderIsReadOnlyAndHoldsNoFile) {
    struct Case {
        const char* exe;
        bool writable, exists;
        const char* configHome;
        const char* path;
    };
    for (const Case c :
         {Case{"/opt/Tools/Stamp/tool", true, false, "/home/u/.config", "/opt/Tools/Stamp/Datemark.ini"},
          Case{"/media/stick/datemark", false, true, "/home/u/.config", "/media/stick/Datemark.ini"},
          Case{"/usr/bin/datemark", false, false, "/cfg/", "/cfg/Datemark/Datemark.ini"},
          Case{"", true, false, "/home/u/.config", "/home/u/.config/Datemark/Datemark.ini"}}) {
        const auto l = ChooseSettingsLocation(c.exe, c.writable, c.exists, c.configHome);
        EXPECT_EQ(l.path, c.path) << c.exe;
        // Only the fallback folder may need making.
        EXPECT_EQ(l.createFolders, std::string(c.path).find("/Datemark/") != std::string::npos) << c.exe;
    }
}

TEST(SettingsPath, TheRunningProgramUsesItsOwnFolder) {
    const std::string exe = platform::ExecutablePath();
    ASSERT_EQ(exe.substr(exe.rfind('/') + 1), "datemark_core_tests");
    // The test binary lives in a build folder it may write to.
    EXPECT_EQ(ResolveSettingsLocation().path, exe.substr(0, exe.rfind('/') + 1) + "Datemark.ini");
}

TEST(SettingsPath, ConfigHomeFollowsXdgOnlyWhenAbsolute) {
    const int result = test::RunInChild([] {
        ::setenv("HOME", "/home/someone", 1);
        ::setenv("XDG_CONFIG_HOME", "/xdg/config", 1);
        const bool absolute = platform::ConfigHome() == "/xdg/config";
        ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
        const bool relative = platform::ConfigHome() == "/home/someone/.config";
        ::unsetenv("XDG_CONFIG_HOME");
        const bool unset = platform::ConfigHome() == "/home/someone/.config";
        return (absolute ? 0 : 1) | (relative ? 0 : 2) | (unset ? 0 : 4);
    });
    EXPECT_EQ(result, 0);
}

TEST(SettingsPath, WritableFolderAsTheUserSeesIt) {
    test::TempDir dir;
    ::chmod(dir.Path().c_str(), 0755);
    const std::string path = dir.Path();
    EXPECT_TRUE(platform::IsWritableFolder(path));
    // Another user may not write into it.
    EXPECT_EQ(test::RunAsUnprivileged([&] { return platform::IsWritableFolder(path) ? 1 : 0; }),
              ::geteuid() == 0 ? 0 : 1);
    EXPECT_FALSE(platform::IsWritableFolder(dir / "missing"));
    EXPECT_FALSE(platform::PathExists(dir / "missing"));
}
