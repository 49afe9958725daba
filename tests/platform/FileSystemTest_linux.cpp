#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/ItemTestSupport.h"
#include "support/FileTree.h"
#include "support/LoopMount.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

using platform::ItemRef;
namespace attr = platform::attr;
using test::AttributesOf;

namespace {

mode_t ModeOf(const std::string& path) {
    return test::StatOf(path).st_mode & 07777;
}

std::error_code Set(const std::string& path, uint32_t a) {
    return platform::SetAttributes(test::OpenItem(path), a);
}

std::error_code SetUpdated(const std::string& path, int64_t seconds) {
    const platform::UtcTime when{seconds, 0};
    return platform::SetFileTimes(test::OpenItem(path), nullptr, &when);
}

void SetRecord(const std::string& path, const std::string& record) {
    ASSERT_EQ(::setxattr(path.c_str(), "user.DOSATTRIB", record.data(), record.size(), 0), 0);
}

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteFile(file, "hello");
        ::chmod(file.c_str(), 0644);
        // The record needs a folder that takes user attributes (ext4, tmpfs from Linux 6.6, ...).
        ASSERT_EQ(::setxattr(dir.Path().c_str(), "user.probe", "1", 1, 0), 0)
            << "the test folder takes no user extended attributes";
    }

    test::TempDir dir;
    std::string file = dir / "file.txt";
};

} // namespace

TEST_F(FileSystemTest, HiddenAndArchiveLiveInTheSharedRecordWhichMirrorsReadOnlyAndNormalClearsAll) {
    ASSERT_FALSE(Set(file, AttributesOf(file)));
    EXPECT_EQ(test::DosRecord(file), ""); // putting back what was read leaves no litter
    ASSERT_FALSE(Set(file, attr::ReadOnly));
    EXPECT_EQ(test::DosRecord(file),
              std::string("0x1\0", 4)); // for Samba's clients, which read only the record
    EXPECT_EQ(ModeOf(file), 0444);
    ASSERT_FALSE(Set(file, attr::Normal));
    EXPECT_EQ(test::DosRecord(file), std::string("0x0\0", 4));
    ASSERT_FALSE(Set(file, attr::Hidden | attr::Archive));
    EXPECT_EQ(AttributesOf(file), attr::Hidden | attr::Archive);
    EXPECT_EQ(test::DosRecord(file), std::string("0x22\0", 5));
    ASSERT_FALSE(Set(file, attr::ReadOnly | attr::Hidden | attr::Archive));
    EXPECT_EQ(AttributesOf(file), attr::ReadOnly | attr::Hidden | attr::Archive);
    EXPECT_EQ(ModeOf(file), 0444);
    EXPECT_EQ(test::DosRecord(file), std::string("0x23\0", 5)); // as Samba reads it
    ::chmod(file.c_str(), 0464); // any write bit at all means writable, unless the record says
    EXPECT_EQ(AttributesOf(file), attr::ReadOnly | attr::Hidden | attr::Archive);
    ::removexattr(file.c_str(), "user.DOSATTRIB");
    EXPECT_EQ(AttributesOf(file), attr::Normal);
    SetRecord(file, std::string("0x2127\0", 7)); // not-indexed, temporary, archive, system, hidden, read-only
    ::chmod(file.c_str(), 0444);
    ASSERT_FALSE(Set(file, AttributesOf(file)));
    EXPECT_EQ(test::DosRecord(file), std::string("0x2127\0", 7));
    ASSERT_FALSE(Set(file, attr::Normal));
    EXPECT_EQ(AttributesOf(file), attr::Normal);
    EXPECT_NE(ModeOf(file) & 0200, 0U);
}

TEST_F(FileSystemTest, SambaBinaryRecordIsPatchedInPlace) {
    // Version 4: text, NUL, pad, version, switch, valid flags, attribute, then the times Samba
    // keeps; a record with more behind them than usual keeps that too.
    for (const size_t tail : {16, 400}) {
        std::string times(tail, '\0');
        for (size_t i = 0; i < tail; ++i) {
            times[i] = static_cast<char>(i + 1);
        }
        SetRecord(file, std::string("0x20\0\0\x04\0\x04\0\0\0\x11\0\0\0\x20\0\0\0", 20) + times);
        EXPECT_EQ(AttributesOf(file), attr::Archive);
        ASSERT_FALSE(Set(file, attr::Hidden | attr::Archive));
        const std::string after = test::DosRecord(file);
        ASSERT_EQ(after.size(), 20 + tail);
        EXPECT_EQ(after.substr(0, 4), "0x22");
        EXPECT_EQ(static_cast<unsigned char>(after[16]), 0x22);
        EXPECT_EQ(after.substr(20), times);
    }
}

TEST_F(FileSystemTest, DotNamesReadAsHiddenAndClearingThatSaysItCannot) {
    const std::string dotted = dir / ".config";
    test::WriteFile(dotted, "");
    EXPECT_EQ(AttributesOf(dotted), attr::Hidden);
    ASSERT_FALSE(Set(dotted, attr::Hidden));
    EXPECT_EQ(test::DosRecord(dotted), "");
    // Everything else is done, and the caller hears that the name still hides it.
    EXPECT_EQ(Set(dotted, attr::Archive | attr::ReadOnly), platform::Errc::hidden_by_name);
    EXPECT_EQ(AttributesOf(dotted), attr::Hidden | attr::Archive | attr::ReadOnly);
    EXPECT_EQ(AttributesOf(dir.Path() + "/."), attr::Directory);
}

TEST_F(FileSystemTest, TimesOutsideThe32BitRangeAreStoredOrRefusedAndUndoneAndTheAccessTimeStays) {
    const struct timespec old[2] = {{123456789, 5}, {234567890, 5}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), old, 0), 0);
    for (const int64_t s : {int64_t{-631152000}, int64_t{2213481600}, int64_t{4102444800}}) {
        ASSERT_FALSE(SetUpdated(file, s)) << s;
        EXPECT_EQ(test::StatOf(file).st_mtim.tv_sec, s);
    }
    EXPECT_EQ(test::StatOf(file).st_atim.tv_sec, 123456789);
    struct statfs sf {};
    ASSERT_EQ(::statfs(dir.Path().c_str(), &sf), 0);
    if (sf.f_type != 0xEF53) {
        GTEST_SKIP() << "needs ext4, whose times end before 1902 and after 2446";
    }
    // Never a silent clamp: the old time is put back.
    ASSERT_FALSE(SetUpdated(file, 1000));
    EXPECT_EQ(SetUpdated(file, -2500000000), platform::Errc::time_not_stored); // 1890
    EXPECT_FALSE(SetUpdated(file, 14000000000));                               // 2413
    EXPECT_EQ(SetUpdated(file, 16000000000), platform::Errc::time_not_stored); // 2477
    EXPECT_EQ(test::StatOf(file).st_mtim.tv_sec, 14000000000);
}

TEST_F(FileSystemTest, AnItemInAFolderIsTheLinkItselfAndAChosenPathFollowsIt) {
    test::MakeFolder(dir / "real");
    ASSERT_EQ(::symlink("real", (dir / "link").c_str()), 0);
    // Read-only of a folder is a flag in the record: its permissions stay.
    const mode_t before = ModeOf(dir / "real");
    ASSERT_FALSE(Set(dir / "link", attr::ReadOnly | attr::Hidden));
    EXPECT_EQ(AttributesOf(dir / "real"), attr::Directory | attr::ReadOnly | attr::Hidden);
    EXPECT_EQ(ModeOf(dir / "real"), before);
    ASSERT_FALSE(Set(dir / "real", attr::Normal));
    EXPECT_EQ(AttributesOf(dir / "real"), attr::Directory);
    std::error_code error;
    const platform::Item folder = test::OpenItem(dir.Path());
    const platform::Directory listing = platform::Directory::Open(folder, error);
    ASSERT_FALSE(error);
    const platform::Item real = platform::Item::OpenIn(listing, "real", error);
    EXPECT_EQ(real.Type(), platform::ItemType::Folder);
    EXPECT_EQ(platform::Item::OpenIn(listing, "link", error).Type(), platform::ItemType::Link);
    EXPECT_EQ(platform::Item::OpenIn(listing, "file.txt", error).Type(), platform::ItemType::File);
    EXPECT_EQ(test::OpenItem(dir / "link").Id(), real.Id());
    platform::Item::OpenIn(listing, "gone", error);
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);
}

namespace {

// As some sandboxes treat system calls they do not know: getxattrat and setxattrat (the same
// numbers on every architecture) fail with EPERM instead of ENOSYS.
bool RefuseXattrAtCalls() {
    sock_filter code[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 463, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 464, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(code)), code};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

} // namespace

TEST_F(FileSystemTest, ASandboxThatRefusesTheNewAttributeCallsStillGetsTheRecord) {
    // A fresh process, which has not yet found out which calls this kernel takes; it runs the
    // test from the start in a folder of its own, and cleans that up itself.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetRecord(file, std::string("0x22\0", 5));
            std::error_code error;
            const platform::Directory folder = platform::Directory::OpenForLookup(dir.Path(), error);
            const std::string name = "file.txt";
            platform::FileInfo before;
            const bool ok = RefuseXattrAtCalls() && !error &&
                            !platform::QueryFile(ItemRef::InFolder(folder, name, file), before) &&
                            !Set(file, attr::Archive);
            const uint32_t after = AttributesOf(file);
            std::filesystem::remove_all(dir.Path());
            std::_Exit(
                ok && before.attributes == (attr::Hidden | attr::Archive) && after == attr::Archive ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// ---------------------------------------------------------------------------------------------
// As a person on their own ext4 disk: the owner, not root.

using test::Check;

TEST(FileSystemAsOwner, TheOwnerTakesTheRightForTheRecordAndTheExactModeComesBack) {
    struct Case {
        mode_t before;
        const char* record; // the record the file starts with, or nullptr
        uint32_t set;
        mode_t after;
        uint32_t reads; // what the file reads as afterwards
    };
    // The umask of the child is 022 (RunAsUnprivileged keeps ours; set below).
    const Case cases[] = {
        {0444, "0x2", attr::Normal, 0644, attr::Normal}, // read-only and hidden cleared
        {0444, nullptr, attr::ReadOnly | attr::Hidden, 0444, attr::ReadOnly | attr::Hidden},
        {0000, "0x20", attr::ReadOnly, 0000, attr::ReadOnly}, // nobody may read the record
        {0200, nullptr, attr::ReadOnly | attr::Archive, 0000, attr::ReadOnly | attr::Archive},
        {0404, "0x20", attr::Hidden, 0604, attr::Hidden},      // the umask keeps others' write
        {0676, nullptr, attr::ReadOnly, 0454, attr::ReadOnly}, // every write bit goes
    };
    test::OnOwnDisk([&](const std::string& root) {
        ::umask(022);
        std::string problems;
        int n = 0;
        for (const Case& c : cases) {
            const std::string path = root + "/f" + std::to_string(n++);
            test::WriteFile(path, "x");
            if (c.record != nullptr) {
                ::setxattr(path.c_str(), "user.DOSATTRIB", c.record, std::strlen(c.record), 0);
            }
            ::chmod(path.c_str(), c.before);
            const std::error_code error = Set(path, c.set);
            problems += Check(!error && ModeOf(path) == c.after && AttributesOf(path) == c.reads,
                              path + ": " + error.message() + ", mode " + std::to_string(ModeOf(path)) +
                                  ", reads " + std::to_string(AttributesOf(path)));
        }
        // A folder of mode 000: its flag record, and its mode as it was.
        const std::string folder = root + "/locked";
        ::mkdir(folder.c_str(), 0);
        problems += Check(!Set(folder, attr::Hidden | attr::ReadOnly) && ModeOf(folder) == 0 &&
                              AttributesOf(folder) == (attr::Directory | attr::Hidden | attr::ReadOnly),
                          "locked folder");
        return problems;
    });
}

TEST(FileSystemAsOwner, AFailedStepPutsTheModeBackAndAClampedTimeIsUndone) {
    // 128-byte inodes: no room for attributes in the inode, and times end in 2038.
    test::LoopMount::Options options;
    options.sizeMiB = 4;
    options.mkfsArgs = {"-I", "128", "-b", "1024"};
    test::OnOwnDisk(
        [&](const std::string& root) {
            std::string problems;
            const std::string file = root + "/file";
            test::WriteFile(file, "x");
            const std::string pad(960, 'p'); // fills the one attribute block nearly
            problems += Check(::setxattr(file.c_str(), "user.pad", pad.data(), pad.size(), 0) == 0, "no pad");
            ::chmod(file.c_str(), 0444);
            const int64_t old = test::StatOf(file).st_mtim.tv_sec;
            // 2040: ext4 keeps 2038-01-19 here.
            problems +=
                Check(SetUpdated(file, 2208988800) == platform::Errc::time_not_stored, "clamp not seen");
            problems += Check(test::StatOf(file).st_mtim.tv_sec == old, "old time not put back");
            // Of mode 000 now: the right to the record is taken, the record does not fit, and the
            // mode is 000 again.
            ::chmod(file.c_str(), 0);
            const std::error_code error = Set(file, attr::ReadOnly | attr::Hidden);
            problems += Check(error == std::errc::no_space_on_device, "no ENOSPC: " + error.message());
            problems += Check(ModeOf(file) == 0, "mode not put back: " + std::to_string(ModeOf(file)));
            ::chmod(file.c_str(), 0400);
            problems += Check(test::DosRecord(file).empty(), "a record was left");
            return problems;
        },
        options);
}

TEST(FileSystemAsOwner, AStateReadBeforeAChangeIsPutBackExactly) {
    struct Case {
        const char* name;
        mode_t mode;
        const char* record; // nullptr: none
    };
    const Case cases[] = {
        {"plain", 0644, nullptr}, {"hidden", 0644, "0x22"},   {"read-only", 0444, "0x1"},
        {"locked", 0000, "0x20"}, {"folder/", 0755, nullptr},
    };
    test::OnOwnDisk([&](const std::string& root) {
        std::string problems;
        for (const Case& c : cases) {
            std::string path = root + "/" + c.name;
            const bool folder = path.back() == '/';
            if (folder) {
                path.pop_back();
                ::mkdir(path.c_str(), 0755);
            } else {
                test::WriteFile(path, "x");
            }
            if (c.record != nullptr) {
                ::setxattr(path.c_str(), "user.DOSATTRIB", c.record, std::strlen(c.record), 0);
            }
            test::SetMtime(path, 1000000000, 123456789);
            ::chmod(path.c_str(), c.mode);
            const platform::Item item = test::OpenItem(path);
            platform::ItemState before, after;
            // Everything a run can change, changed.
            const platform::UtcTime created{978307200, 0};
            const platform::UtcTime updated{1128000000, 0};
            problems += Check(
                !platform::ReadState(item, before) && !platform::SetFileTimes(item, &created, &updated) &&
                    !platform::SetAttributes(item, attr::Hidden | (folder ? 0 : attr::ReadOnly)) &&
                    !platform::RestoreState(test::OpenItem(path), before) &&
                    !platform::ReadState(test::OpenItem(path), after),
                path + ": a step failed");
            problems += Check(after == before && ModeOf(path) == c.mode &&
                                  test::StatOf(path).st_mtim.tv_nsec == 123456789,
                              path + ": not as it was");
            problems +=
                Check((c.mode & 0400) == 0 || test::DosRecord(path) == (c.record != nullptr ? c.record : ""),
                      path + ": record bytes");
        }
        return problems;
    });
}

TEST(FileSystemAsOwner, APredictionNamesTheFailureTheChangeWouldMeet) {
    test::LoopMount disk;
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.SkipReason();
    }
    const std::string mine = disk / "mine", theirs = disk / "theirs", locked = disk / "locked";
    for (const std::string& path : {mine, theirs, locked}) {
        test::WriteFile(path, "x");
        ::chmod(path.c_str(), 0644);
    }
    ::chown(mine.c_str(), 65534, 65534);
    ::chown(locked.c_str(), 65534, 65534);
    if (!test::SetImmutable(locked, true)) {
        GTEST_SKIP() << "chattr +i refused";
    }
    const int result = test::RunAsUnprivileged([&] {
        const platform::ChangeAsked times{true, true, false, std::nullopt},
            attributes{false, false, true, std::nullopt};
        std::string problems;
        problems += Check(!platform::PredictChange(test::OpenItem(mine), times) &&
                              !platform::PredictChange(test::OpenItem(mine), attributes),
                          "own file");
        problems += Check(platform::PredictChange(test::OpenItem(theirs), times) ==
                              std::errc::operation_not_permitted,
                          "another's file");
        problems += Check(platform::PredictChange(test::OpenItem(locked), attributes) ==
                              std::errc::operation_not_permitted,
                          "immutable file");
        // And what the prediction says is what the change meets.
        problems += Check(SetUpdated(theirs, 1000) == std::errc::operation_not_permitted &&
                              Set(theirs, attr::ReadOnly) == std::errc::permission_denied &&
                              Set(locked, attr::Hidden) == std::errc::operation_not_permitted,
                          "the changes went through");
        std::fprintf(stderr, "%s", problems.c_str());
        return problems.empty() ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ModeOf(theirs), 0644);
    // A file system mounted read-only refuses everything; this process finds that out at its first
    // look at the file system, so before any change.
    ASSERT_EQ(::mount(nullptr, disk.Path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    EXPECT_EQ(platform::PredictChange(test::OpenItem(mine), {true, false, false, std::nullopt}),
              std::errc::read_only_file_system);
    ::mount(nullptr, disk.Path().c_str(), nullptr, MS_REMOUNT, nullptr);
    // The immutable flag binds root too.
    EXPECT_EQ(SetUpdated(locked, 1000), std::errc::operation_not_permitted);
    EXPECT_EQ(Set(locked, attr::ReadOnly), std::errc::operation_not_permitted);
    test::SetImmutable(locked, false);
}

TEST(FileSystemWithoutProc, WhatNeedsAPathIsRefusedAndTheRestIsDoneThroughTheHandle) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "hiding /proc needs a mount namespace, which needs root";
    }
    const test::TempDir dir;
    const std::string file = dir / "file";
    const std::string folder = dir / "folder";
    test::WriteFile(file, "");
    test::MakeFolder(folder);
    // A fresh process: whether /proc is there is found out once per process.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const bool hidden = ::unshare(CLONE_NEWNS) == 0 &&
                                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                                ::umount2("/proc", MNT_DETACH) == 0;
            const bool ok = hidden && Set(file, attr::Hidden) == platform::Errc::no_safe_way &&
                            test::DosRecord(file).empty() && !SetUpdated(file, 1000000000) &&
                            !Set(folder, attr::Hidden) && test::DosRecord(folder) == std::string("0x12\0", 5);
            test::RemoveTree(dir.Path()); // _Exit runs no destructor
            std::_Exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
