#include "filelist/Apply.h"

#include "filelist/ApplyTestSupport.h"
#include "filelist/RunJournal.h"
#include "platform/Error.h"
#include "support/FileTree.h"
#include "support/LoopMount.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sched.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace apply_test;
using test::MtimeOf;
using test::SetMtime;

namespace {

int64_t NewSeconds() {
    return platform::LocalToUtc(kUpdated)->seconds;
}

const std::error_code kEperm{EPERM, std::system_category()};
const std::error_code kNotAFile = platform::Errc::not_a_file_or_folder;

// 1601-01-01 00:00 local time (in Berlin) is before any time a file system keeps: every item the request
// reaches gets one line for it, in the order of the work.
constexpr SYSTEMTIME kTooEarly{1601, 1, 1, 1, 0, 0, 0, 0};

class ApplyTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteFile(file, "content");
        ::chmod(file.c_str(), 0644);
        SetMtime(file, 1000);
        MakeTree(root);
    }

    test::TempDir dir;
    test::ScopedTimeZone tz{"Europe/Berlin"};
    std::string file = dir / "file.txt";
    std::string root = dir / "root"; // kTree, for the rows of folders
};

} // namespace

TEST_F(ApplyTest, ReadOnlyFileGetsNewTimesAndKeepsItsAttributesUnlessAskedOtherwise) {
    for (const bool attributes : {false, true}) {
        ASSERT_EQ(::setxattr(file.c_str(), "user.DOSATTRIB", "0x27", 4, 0), 0);
        ::chmod(file.c_str(), 0444);
        // All boxes clear: Normal, which clears system too.
        EXPECT_EQ(LogOf(Row(file, false), Request(true, false, attributes ? "" : nullptr)), "");
        EXPECT_EQ(MtimeOf(file), NewSeconds());
        EXPECT_EQ(test::StatOf(file).st_mode & 0222, attributes ? 0200U : 0U);
        EXPECT_EQ(test::DosRecord(file), attributes ? std::string("0x0\0", 4) : "0x27");
    }
}

TEST_F(ApplyTest, NoFileIsEverOpened) {
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const int in = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(in, 0);
    ASSERT_GE(::inotify_add_watch(in, dir.Path().c_str(), IN_OPEN), 0);
    ApplyRequest r = Request(true, false, "R");
    ApplyToEntry(Row(file, false), r);
    ApplyToEntry(Row(fifo, false), r); // opening a FIFO would block here
    EXPECT_EQ(r.log, MakeErrorText(fifo, kNotAFile));
    EXPECT_EQ(test::StatOf(fifo).st_mode & 0777, 0644U);
    char events[4096];
    EXPECT_LT(::read(in, events, sizeof events), 0) << "something opened a file";
    ::close(in);
    EXPECT_EQ(MtimeOf(fifo), NewSeconds());
}

TEST_F(ApplyTest, TheCreationTimeIsKeptInTheRecordAndReadBackFromIt) {
    ::chmod(file.c_str(), 0444); // a read-only file gets it too
    ApplyRequest r = Request(true, true, "RH");
    ApplyToEntry(Row(file, false), r);
    FinishRun(r);
    EXPECT_EQ(r.log, "");
    EXPECT_EQ(MtimeOf(file), NewSeconds());
    EXPECT_EQ(test::StatOf(file).st_mode & 0777, 0444U);
    const FileEntry row = Listed(file);
    ASSERT_NE(row.GetCreated(), nullptr);
    EXPECT_EQ(FormatListTime(*row.GetCreated()), FormatListTime(kCreated));
    EXPECT_EQ(row.GetAttrText(), "RH");
    // Only the creation time asked for: the last-write time stays.
    SetMtime(file, 1000);
    LogOf(Row(file, false), Request(false, true));
    EXPECT_EQ(MtimeOf(file), 1000);
}

TEST_F(ApplyTest, WhereNoCreationTimeCanBeKeptTheRunEndsWithOneLinePerFileSystem) {
    // ramfs keeps no extended attributes at all.
    test::TempDir mount;
    if (::geteuid() != 0 || ::mount("none", mount.Path().c_str(), "ramfs", 0, nullptr) != 0) {
        GTEST_SKIP() << "mounting ramfs needs root";
    }
    for (const char* name : {"a", "b", "c"}) {
        test::WriteFile(mount / name, "");
    }
    // A preview foresees the attributes it cannot keep either, one file system that keeps
    // records looked at first; the run then fails on the same items.
    PreviewSink sink;
    ApplyRequest preview = Request(false, false, "H");
    preview.preview = &sink;
    ApplyToEntry(Row(file, false), preview);
    ApplyToEntry(Row(mount.Path(), true), preview);
    const std::string hidden = LogOf(Row(mount.Path(), true), Request(false, false, "H"));
    ASSERT_EQ(sink.rows.size(), 5U);
    EXPECT_FALSE(sink.rows[0].error);
    for (size_t i = 1; i < sink.rows.size(); ++i) {
        EXPECT_EQ(sink.rows[i].error, platform::Errc::attributes_unsupported) << sink.rows[i].path;
        EXPECT_NE(hidden.find(MakeErrorText(sink.rows[i].path, platform::Errc::attributes_unsupported)),
                  std::string::npos)
            << hidden;
    }
    ApplyRequest r = Request(true, true);
    ApplyToEntry(Row(mount.Path(), true), r);
    ApplyToEntry(Row(file, false), r); // elsewhere the time is kept
    FinishRun(r);
    ::umount2(mount.Path().c_str(), MNT_DETACH);
    std::string line = MakeErrorText(mount.Path() + " (ramfs)", platform::Errc::creation_time_unsupported);
    line.insert(line.size() - 1, "（4 項目）"); // the folder and its three files
    EXPECT_EQ(r.log, line);
    EXPECT_EQ(MtimeOf(file), NewSeconds());
}

TEST_F(ApplyTest, DatesReadBackToTheSecondAcrossDaylightSavingAndCenturies) {
    // One request for all: each new date must be converted afresh.
    ApplyRequest r = Request(true);
    // Summer with milliseconds, the hour shown twice, and before 1970.
    for (const SYSTEMTIME& when :
         {SYSTEMTIME{2021, 7, 0, 15, 12, 34, 56, 789}, SYSTEMTIME{2021, 10, 0, 31, 1, 30, 0, 0},
          SYSTEMTIME{1950, 1, 0, 1, 0, 0, 0, 0}}) {
        r.updated = when;
        ApplyToEntry(Row(file, false), r);
        EXPECT_EQ(r.log, "");
        EXPECT_EQ(test::StatOf(file).st_mtim.tv_nsec, 0); // seconds as chosen, nothing finer
        const FileEntry e = Listed(file);
        ASSERT_NE(e.GetUpdated(), nullptr);
        EXPECT_EQ(FormatListTime(*e.GetUpdated()), FormatListTime(when));
    }
}

TEST_F(ApplyTest, AMissingFileGetsOneLineAndADotNameOneThatSaysItStaysHidden) {
    const std::string gone = dir / "gone.txt";
    const std::string dotted = dir / ".hidden";
    test::WriteFile(dotted, "");
    EXPECT_EQ(LogOf(Row(gone, false), Request(true, false, "H")),
              MakeErrorText(gone, {ENOENT, std::system_category()}));
    // Archive is given, and the line says the name keeps it hidden.
    EXPECT_EQ(LogOf(Row(dotted, false), Request(false, false, "A")),
              MakeErrorText(dotted, platform::Errc::hidden_by_name));
    EXPECT_EQ(test::DosRecord(dotted), std::string("0x20\0", 5));
}

// ---------------------------------------------------------------------------------------------
// Folder rows and walks.

TEST_F(ApplyTest, EachFolderComesBeforeItsContents) {
    ApplyRequest r = Request(false, true);
    r.created = kTooEarly;
    ApplyToEntry(Row(root + "/sub/deeper", true), r);
    const std::error_code early = platform::Errc::time_not_stored;
    EXPECT_EQ(r.log,
              MakeErrorText(root + "/sub/deeper", early) + MakeErrorText(root + "/sub/deeper/c.txt", early));
}

TEST_F(ApplyTest, AFailureEndsTheWorkOnAnItemWithOneLineAndAFailingFolderStillHasItsContentsWalked) {
    // Immutable items refuse every change; an immutable folder can still be listed.
    const std::string a = root + "/a.txt";
    if (!test::SetImmutable(a, true) || !test::SetImmutable(root, true)) {
        GTEST_SKIP() << "chattr +i needs ext4-like flags and CAP_LINUX_IMMUTABLE";
    }
    const std::string log = LogOf(Row(root, true), Request(true, false, "H"));
    test::SetImmutable(root, false);
    test::SetImmutable(a, false);
    EXPECT_EQ(log, MakeErrorText(root, kEperm) + MakeErrorText(a, kEperm));
    EXPECT_EQ(Changed(root), "011011");
    EXPECT_EQ(test::DosRecord(a), "");
}

TEST_F(ApplyTest, SpecialEntriesNeitherBlockNorLoopAndLinksAreLeftAlone) {
    const std::string odd = root + "/\xff\xfe name \x80"; // no UTF-8: keeps its bytes
    test::WriteFile(odd, "");
    ASSERT_EQ(::mkfifo((root + "/fifo").c_str(), 0644), 0);
    ASSERT_EQ(::mknod((root + "/sock").c_str(), S_IFSOCK | 0644, 0), 0);
    // Outside the tree: the folder above it, and the file beside it.
    const std::vector<std::pair<std::string, std::string>> links = {
        {".", "/self"},        {"..", "/sub/up"},    {"loop-b", "/loop-a"},
        {"loop-a", "/loop-b"}, {dir.Path(), "/out"}, {file, "/out-file"}};
    for (const auto& [target, link] : links) {
        ASSERT_EQ(::symlink(target.c_str(), (root + link).c_str()), 0);
        SetMtime(root + link, 1000);
    }
    const std::string log = LogOf(Row(root, true), Request(true, false, "R"));
    // The FIFO and the socket get their times, and a line each instead of read-only.
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
    EXPECT_NE(log.find(MakeErrorText(root + "/fifo", kNotAFile)), std::string::npos);
    EXPECT_NE(log.find(MakeErrorText(root + "/sock", kNotAFile)), std::string::npos);
    EXPECT_EQ(Changed(root), "111111");
    for (const std::string& special : {odd, root + "/fifo", root + "/sock"}) {
        EXPECT_EQ(MtimeOf(special), NewSeconds()) << special;
    }
    EXPECT_EQ(MtimeOf(file), 1000);
    EXPECT_EQ(test::StatOf(file).st_mode & 0222, 0200U);
    for (const auto& [target, link] : links) {
        EXPECT_EQ(MtimeOf(root + link), 1000) << link;
    }
}

// Attributes asked of a FIFO get a line; its times are still written and stay, also where a
// journal would put back an item whose attributes failed after its times.
TEST_F(ApplyTest, AFifoAskedForAttributesKeepsTheTimesItGot) {
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    for (const bool journaled : {false, true}) {
        for (const bool change : {false, true}) {
            SetMtime(fifo, 1000);
            ApplyRequest r = Request(true, false, "R");
            if (change) {
                r.attributeChange = ApplyRequest::AttributeChange{0, platform::attr::Hidden};
            }
            std::error_code error;
            const auto journal = journaled ? StartRunJournal(r, dir / "journal", error) : nullptr;
            ASSERT_FALSE(error);
            ApplyToEntry(Row(fifo, false), r);
            if (journal) {
                FinishRunJournal(*journal, r);
            }
            EXPECT_EQ(r.log, MakeErrorText(fifo, kNotAFile)) << journaled << change;
            EXPECT_EQ(MtimeOf(fifo), NewSeconds()) << journaled << change;
        }
    }
    // Asked for attributes alone, it is a line and nothing else.
    SetMtime(fifo, 1000);
    ApplyRequest r = Request(false, false, "R");
    EXPECT_EQ(LogOf(Row(fifo, false), r), MakeErrorText(fifo, kNotAFile));
    EXPECT_EQ(MtimeOf(fifo), 1000);
}

TEST_F(ApplyTest, AFolderMountedInsideItselfIsEnteredOnce) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a bind mount needs root";
    }
    const std::string mirror = root + "/sub/mirror";
    test::MakeFolder(mirror);
    if (::mount(root.c_str(), mirror.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        GTEST_SKIP() << "bind mount refused: " << std::strerror(errno);
    }
    ApplyRequest r = Request(false, true);
    r.created = kTooEarly; // a line for every item reached
    ApplyToEntry(Row(root, true), r);
    ::umount2(mirror.c_str(), MNT_DETACH);
    // The mirror itself is an item of sub; its contents are root's, already walked.
    EXPECT_EQ(std::count(r.log.begin(), r.log.end(), '\n'), 7) << r.log;
    EXPECT_EQ(r.log.find(mirror + "/"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// As a person on their own ext4 disk.

TEST(ApplyAsOwner, ReadOnlyComesOffAgainAndFoldersThatCannotBeListedSaySo) {
    const test::ScopedTimeZone tz("Europe/Berlin");
    test::OnOwnDisk([](const std::string& disk) {
        std::string problems;
        const std::string root = disk + "/mine"; // lost+found is root's
        ::mkdir(root.c_str(), 0755);
        const std::string file = root + "/file";
        test::WriteFile(file, "x");
        ::chmod(file.c_str(), 0644);
        std::string lines = LogOf(Row(file, false), Request(false, false, "R"));
        lines += LogOf(Row(file, false), Request(false, false, "H")); // after read-only, which it clears
        problems += test::Check(lines.empty(), lines);
        problems += test::Check((test::StatOf(file).st_mode & 0777) == 0644, "read-only stayed");
        problems += test::Check(test::DosRecord(file) == std::string("0x2\0", 4), "not hidden");

        // A locked folder added as a row gets its dates, and a line for its contents.
        const std::string locked = root + "/locked";
        const std::string open = root + "/open";
        ::mkdir(locked.c_str(), 0755);
        ::mkdir(open.c_str(), 0755);
        test::WriteFile(locked + "/inside", "");
        for (const char* name : {"/seen", "/a", "/b"}) {
            test::WriteFile(open + name, "");
        }
        ::chmod(locked.c_str(), 0);
        ApplyRequest r = Request(true);
        ApplyToEntry(Listed(locked), r);
        ApplyToEntry(Listed(root), r);
        const std::string skipped =
            MakeErrorText(locked, platform::Errc::contents_skipped, {EACCES, std::system_category()});
        problems += test::Check(r.log == skipped + skipped, "lines: " + r.log);
        problems += test::Check(MtimeOf(locked) == NewSeconds() && MtimeOf(open + "/seen") == NewSeconds(),
                                "not done");
        ::chmod(locked.c_str(), 0755);
        problems += test::Check(MtimeOf(locked + "/inside") != NewSeconds(), "locked contents changed");

        // Creation times in a walk, read back on the first item only: a read-only file after it
        // still gets its own and keeps its mode.
        ::chmod((open + "/b").c_str(), 0444);
        const std::string created = LogOf(Row(open, true), Request(false, true));
        problems += test::Check(created.empty(), "creation lines: " + created);
        for (const char* name : {"", "/seen", "/a", "/b"}) {
            const FileEntry e = Listed(open + name);
            problems += test::Check(e.GetCreated() != nullptr &&
                                        FormatListTime(*e.GetCreated()) == FormatListTime(kCreated),
                                    std::string("no creation time on ") + name);
        }
        problems += test::Check((test::StatOf(open + "/b").st_mode & 0777) == 0444, "b lost read-only");
        return problems;
    });
}

TEST_F(ApplyTest, ARowIsWhatItsPathLeadsToAtTheRunUnlessItBecameALink) {
    const std::string path = root + "/a.txt";
    const FileEntry row = Listed(path);
    // An editor saves a new file under the name: the new file gets the change.
    test::WriteFile(path + ".new", "edited");
    ASSERT_EQ(::rename((path + ".new").c_str(), path.c_str()), 0);
    ApplyRequest r = Request(true, false, "R");
    ApplyToEntry(row, r);
    EXPECT_EQ(r.log, "");
    EXPECT_EQ(MtimeOf(path), NewSeconds());
    // Swapped for a link to the file beside the tree since it was listed: nothing outside changes.
    ASSERT_EQ(::unlink(path.c_str()), 0);
    ASSERT_EQ(::symlink(file.c_str(), path.c_str()), 0);
    ApplyToEntry(row, r);
    EXPECT_EQ(r.log, MakeErrorText(path, platform::Errc::became_link));
    EXPECT_EQ(MtimeOf(file), 1000);
    // A row listed as a link acts on what it points to.
    r.log.clear();
    ApplyToEntry(Listed(path), r);
    EXPECT_EQ(r.log, "");
    EXPECT_EQ(MtimeOf(file), NewSeconds());
}

TEST_F(ApplyTest, KernelFileSystemsAreNeitherEnteredNorChanged) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "mounting proc, sysfs and devtmpfs needs root";
    }
    std::vector<std::string> mounts;
    const auto unmount = [&] {
        for (const std::string& m : mounts) {
            ::umount2(m.c_str(), MNT_DETACH);
        }
    };
    for (const char* kind : {"proc", "sysfs", "devtmpfs"}) {
        const std::string at = root + "/sub/" + kind;
        test::MakeFolder(at);
        if (::mount(kind, at.c_str(), kind, MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0) {
            unmount();
            GTEST_SKIP() << "cannot mount " << kind << ": " << std::strerror(errno);
        }
        mounts.push_back(at);
    }
    const int64_t before = MtimeOf(mounts[0]);
    const std::string log = LogOf(Row(root, true), Request(true, false, "R"));
    unmount();
    for (const std::string& m : mounts) {
        const std::string line = MakeErrorText(m, platform::Errc::kernel_file_system);
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3) << log;
    EXPECT_EQ(MtimeOf(mounts[0]), before); // the folder under the mount was never touched either
    EXPECT_EQ(Changed(root), "111111");
}

TEST_F(ApplyTest, ADeepTreeBeyondTheLongestPathIsWalkedWholeUnderASmallDescriptorLimit) {
    // 2000 levels of "dd/": a path of 6000 bytes, far beyond what the kernel takes.
    ASSERT_TRUE(test::MakeChain(root + "/sub", 2000, "dd"));
    const int result = test::RunInChild([&] {
        const struct rlimit limit { 64, 64 };
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
            return 10;
        }
        const std::string log = LogOf(Row(root, true), Request(true));
        std::fprintf(stderr, "%s", log.substr(0, 500).c_str());
        return log.empty() ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
    // Every level and the leaf at the bottom; opening the leaf as a folder ends the descent.
    int fd = ::open((root + "/sub").c_str(), O_RDONLY | O_DIRECTORY);
    int changed = 0;
    for (int i = 0; i <= 2000 && fd >= 0; ++i) {
        const char* name = i < 2000 ? "dd" : "leaf";
        struct stat st {};
        changed += ::fstatat(fd, name, &st, 0) == 0 && st.st_mtim.tv_sec == NewSeconds() ? 1 : 0;
        const int next = ::openat(fd, name, O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    EXPECT_EQ(changed, 2001);
}

// ---------------------------------------------------------------------------------------------
// Races: a thread swaps files and folders for links to outside while runs go on.

namespace {

// What outside looks like: every item's path, mode, times and record.
std::string Snapshot(const std::string& folder) {
    std::string s;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        const struct stat st = test::StatOf(e.path().string());
        s += e.path().string() + " " + std::to_string(st.st_mode) + " " + std::to_string(st.st_mtim.tv_sec) +
             " " + std::to_string(st.st_ctim.tv_sec) + " " + test::DosRecord(e.path().string()) + "\n";
    }
    return s;
}

// Walks of a tree, and rows read once, again and again while a thread swaps its files and a
// folder for links to outside; what changed outside, or empty.
std::string RaceInTreeAndOnARow(const std::string& base) {
    const std::string tree = base + "/tree";
    const std::string outside = base + "/outside";
    std::filesystem::create_directories(tree + "/sub/deeper");
    std::filesystem::create_directories(outside + "/private");
    test::WriteFile(outside + "/secret", "s");
    test::WriteFile(outside + "/private/inner", "i");
    ::chmod((outside + "/secret").c_str(), 0600);
    ::chmod((outside + "/private").c_str(), 0700);
    std::vector<std::pair<std::string, std::string>> pairs; // a real item, a link beside it to outside
    for (int i = 0; i < 4; ++i) {
        const std::string f = tree + "/sub/f" + std::to_string(i);
        test::WriteFile(f, "");
        pairs.push_back({f, f + ".lnk"});
        ::symlink((outside + "/secret").c_str(), (f + ".lnk").c_str());
    }
    pairs.push_back({tree + "/sub/deeper", tree + "/sub/deeper.lnk"});
    ::symlink((outside + "/private").c_str(), (tree + "/sub/deeper.lnk").c_str());
    const FileEntry fileRow = Listed(tree + "/sub/f0");
    const FileEntry folderRow = Listed(tree + "/sub/deeper");
    const std::string before = Snapshot(outside);
    std::atomic<bool> stop{false};
    std::thread swapper([&] {
        while (!stop.load()) {
            for (const auto& [real, link] : pairs) {
                ::renameat2(AT_FDCWD, real.c_str(), AT_FDCWD, link.c_str(), RENAME_EXCHANGE);
            }
        }
    });
    for (int i = 0; i < 150; ++i) {
        ApplyRequest r = Request(true, false, i % 2 == 0 ? "RH" : "A");
        for (const FileEntry& row : {Row(tree, true), fileRow, folderRow}) {
            ApplyToEntry(row, r);
        }
    }
    stop = true;
    swapper.join();
    const std::string after = Snapshot(outside);
    return after == before ? std::string() : "outside changed:\n" + before + "---\n" + after;
}

} // namespace

TEST_F(ApplyTest, LinksSwappedInDuringRunsNeverLeadOutsideTheTreeWithOrWithoutProc) {
    EXPECT_EQ(RaceInTreeAndOnARow(dir / "with-proc"), "");
    if (::geteuid() != 0) {
        GTEST_SKIP() << "hiding /proc needs a mount namespace, which needs root";
    }
    // A fresh process: whether /proc is there is found out once per process.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const bool hidden = ::unshare(CLONE_NEWNS) == 0 &&
                                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                                ::umount2("/proc", MNT_DETACH) == 0;
            const std::string problems = hidden ? RaceInTreeAndOnARow(dir / "without") : "cannot hide /proc";
            std::fprintf(stderr, "%s", problems.c_str());
            test::RemoveTree(dir.Path()); // _Exit runs no destructor
            std::_Exit(problems.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
