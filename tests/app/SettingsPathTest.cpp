#include "app/SettingsPath.h"

#include "platform/Process.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

TEST(SettingsPath, BesideTheExecutableWhereTheUserMayWriteItElseACopyInTheConfigFolder) {
    struct Case {
        const char* what;
        mode_t folderMode; // of the executable's folder
        mode_t fileMode;   // of the settings file beside the executable; 0: none
        bool linked;       // the file has a second hard link, so it is rewritten in place
        bool copyExists;   // the fallback file is there already
        bool beside;       // the expected choice
    };
    std::vector<Case> cases = {
        {"folder may be written", 0777, 0, false, false, true},
        {"file may be written in place", 0555, 0666, true, false, true},
        {"file cannot be replaced", 0555, 0666, false, false, false},
        {"file is read-only", 0777, 0444, false, false, false},
        {"no file, folder read-only", 0555, 0, false, false, false},
        {"an earlier copy wins", 0555, 0444, false, true, false},
    };
    if (::geteuid() == 0) {
        cases.push_back({"file is another user's", 0777, 0644, false, false, false});
    }
    for (const Case& c : cases) {
        test::TempDir dir;
        ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
        const std::string beside = dir / "prog/Datemark.ini";
        const std::string fallback = dir / "config/Datemark/Datemark.ini";
        test::MakeFolder(dir / "prog");
        if (c.fileMode != 0) {
            test::WriteFile(beside, "[s]\nk=beside\n");
            ASSERT_EQ(::chmod(beside.c_str(), c.fileMode), 0);
        }
        if (c.linked) {
            ASSERT_EQ(::link(beside.c_str(), (dir / "prog/link.ini").c_str()), 0);
        }
        if (c.copyExists) {
            test::MakeFolder(dir / "config");
            test::MakeFolder(dir / "config/Datemark");
            test::WriteFile(fallback, "[s]\nk=copy\n");
        }
        ASSERT_EQ(::chmod((dir / "prog").c_str(), c.folderMode), 0);

        const int chosen = test::RunAsUnprivileged([&] {
            const SettingsLocation l = ResolveSettingsLocation(dir / "prog/datemark", dir / "config");
            return l.path == beside && !l.createFolders ? 1 : l.path == fallback && l.createFolders ? 2 : 3;
        });
        EXPECT_EQ(chosen, c.beside ? 1 : 2) << c.what;
        // What was set beside the program carries over once; nothing is made without a need.
        const std::string copy = c.copyExists ? "[s]\nk=copy\n" : c.fileMode != 0 ? "[s]\nk=beside\n" : "";
        EXPECT_EQ(test::Exists(fallback), !c.beside && !copy.empty()) << c.what;
        EXPECT_EQ(test::ReadFile(fallback), c.beside ? "" : copy) << c.what;
    }
    EXPECT_EQ(ResolveSettingsLocation("", "/cfg").path, "/cfg/Datemark/Datemark.ini");
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
