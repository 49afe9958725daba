#include "filelist/Apply.h"

#include "filelist/FileEntry.h"
#include "filelist/FileFacts.h"
#include "platform/Error.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

// 2005-10-12 14:06:42 and 2001-02-03 04:05:06, local time.
constexpr SYSTEMTIME kUpdated{2005, 10, 3, 12, 14, 6, 42, 0};
constexpr SYSTEMTIME kCreated{2001, 2, 6, 3, 4, 5, 6, 0};

int64_t MtimeOf(const std::string& path) {
    return test::StatOf(path).st_mtim.tv_sec;
}

int64_t NewSeconds() {
    return platform::LocalToUtc(kUpdated)->seconds;
}

void SetMtime(const std::string& path, int64_t seconds) {
    const struct timespec t[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), t, AT_SYMLINK_NOFOLLOW), 0) << path;
}

std::string Dos(const std::string& path) {
    char b[64];
    const ssize_t n = ::lgetxattr(path.c_str(), "user.DOSATTRIB", b, sizeof b);
    return n < 0 ? std::string() : std::string(b, static_cast<size_t>(n));
}

const std::error_code kEperm{EPERM, std::system_category()};
const std::error_code kNoCreationTime = platform::Errc::creation_time_unsupported;

// attributes: nullptr for none, else the letters R, H and A of those to set.
ApplyRequest Request(bool updated, bool created = false, const char* attributes = nullptr) {
    ApplyRequest r;
    r.setUpdated = updated ? 1 : 0;
    r.updated = kUpdated;
    r.setCreated = created ? 1 : 0;
    r.created = kCreated;
    r.subFolder = r.folderTarget = 1;
    const std::string_view a = attributes != nullptr ? attributes : "";
    r.setAttributes = attributes != nullptr ? 1 : 0;
    r.readOnly = a.find('R') != a.npos ? 1 : 0;
    r.hidden = a.find('H') != a.npos ? 1 : 0;
    r.archive = a.find('A') != a.npos ? 1 : 0;
    return r;
}

FileEntry Entry(const std::string& path, bool folder) {
    FileEntry e;
    e.SetPath(path);
    e.SetFolder(folder ? 1 : 0);
    return e;
}

class ApplyTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteFile(file, "content");
        ::chmod(file.c_str(), 0644);
        SetMtime(file, 1000);
    }

    test::TempDir dir;
    test::ScopedTimeZone tz{"Europe/Berlin"};
    std::string file = dir / "file.txt";
};

} // namespace

TEST_F(ApplyTest, ReadOnlyFileGetsNewTimesAndKeepsItsAttributesUnlessAskedOtherwise) {
    for (const bool attributes : {false, true}) {
        ASSERT_EQ(::setxattr(file.c_str(), "user.DOSATTRIB", "0x27", 4, 0), 0);
        ::chmod(file.c_str(), 0444);
        // All boxes clear: Normal, which clears system too.
        ApplyRequest r = Request(true, false, attributes ? "" : nullptr);
        EXPECT_EQ(ApplyToFile(file, r), 1);
        EXPECT_EQ(r.log, "");
        EXPECT_EQ(MtimeOf(file), NewSeconds());
        EXPECT_EQ(test::StatOf(file).st_mode & 0222, attributes ? 0200U : 0U);
        EXPECT_EQ(Dos(file), attributes ? std::string("0x0\0", 4) : "0x27");
    }
}

TEST_F(ApplyTest, NoFileIsEverOpened) {
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const int in = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(in, 0);
    ASSERT_GE(::inotify_add_watch(in, dir.Path().c_str(), IN_OPEN), 0);
    ApplyRequest r = Request(true, false, "R");
    EXPECT_EQ(ApplyToFile(file, r), 1);
    EXPECT_EQ(ApplyToFile(fifo, r), 1); // opening a FIFO would block here
    EXPECT_EQ(r.log, "");
    char events[4096];
    EXPECT_LT(::read(in, events, sizeof events), 0) << "something opened a file";
    ::close(in);
    EXPECT_EQ(MtimeOf(fifo), NewSeconds());
}

TEST_F(ApplyTest, UnstorableCreationTimeIsOneLineAndEverythingElseIsStillDone) {
    ApplyRequest r = Request(true, true, "H");
    EXPECT_EQ(ApplyToFile(file, r), 0);
    EXPECT_EQ(r.log, MakeErrorText(file, kNoCreationTime));
    EXPECT_EQ(MtimeOf(file), NewSeconds());
    EXPECT_EQ(Dos(file), std::string("0x2\0", 4));
    // Only the creation time asked for: the last-write time stays.
    SetMtime(file, 1000);
    ApplyRequest created = Request(false, true);
    EXPECT_EQ(ApplyToFile(file, created), 0);
    EXPECT_EQ(MtimeOf(file), 1000);
}

TEST_F(ApplyTest, DatesReadBackToTheSecondAcrossDaylightSavingAndCenturies) {
    // One request for all: each new date must be converted afresh.
    ApplyRequest r = Request(true);
    for (const SYSTEMTIME& when :
         {SYSTEMTIME{2021, 7, 0, 15, 12, 34, 56, 789}, SYSTEMTIME{2021, 12, 0, 15, 12, 34, 56, 0},
          SYSTEMTIME{2021, 3, 0, 28, 1, 59, 59, 0}, SYSTEMTIME{2021, 10, 0, 31, 1, 30, 0, 0},
          SYSTEMTIME{2021, 10, 0, 31, 3, 30, 0, 0}, SYSTEMTIME{1950, 1, 0, 1, 0, 0, 0, 0},
          SYSTEMTIME{2100, 7, 0, 1, 12, 0, 0, 0}}) {
        r.updated = when;
        EXPECT_EQ(ApplyToFile(file, r), 1) << r.log;
        EXPECT_EQ(test::StatOf(file).st_mtim.tv_nsec, 0); // seconds as chosen, nothing finer
        FileEntry e = Entry(file, false);
        TimeTexts texts;
        ASSERT_EQ(ReadTimes(file, texts, e), 1);
        EXPECT_EQ(texts.updated, FormatListTime(when));
    }
}

TEST_F(ApplyTest, AFailureEndsTheWorkOnTheFileWithExactlyOneLine) {
    const std::string fifo = dir / "fifo";
    const std::string gone = dir / "gone.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    ApplyRequest r = Request(true, false, "H");
    // The times are written before the attributes fail: Linux keeps no user attributes on a FIFO.
    EXPECT_EQ(ApplyToFile(fifo, r), 0);
    EXPECT_EQ(MtimeOf(fifo), NewSeconds());
    EXPECT_EQ(ApplyToFile(gone, r), 0);
    std::string log = MakeErrorText(fifo, kEperm) + MakeErrorText(gone, {ENOENT, std::system_category()});
    EXPECT_EQ(r.log, log);
    if (!test::SetImmutable(file, true)) {
        GTEST_SKIP() << "chattr +i needs ext4-like flags and CAP_LINUX_IMMUTABLE";
    }
    EXPECT_EQ(ApplyToFile(file, r), 0);
    test::SetImmutable(file, false);
    EXPECT_EQ(r.log, log + MakeErrorText(file, kEperm));
    EXPECT_EQ(MtimeOf(file), 1000);
    EXPECT_EQ(Dos(file), "");
}

// ---------------------------------------------------------------------------------------------
// Folder rows and walks.

namespace {

constexpr const char* kTree[] = {"", "/sub", "/sub/deeper", "/a.txt", "/sub/b.txt", "/sub/deeper/c.txt"};

class TreeTest : public ApplyTest {
protected:
    void SetUp() override {
        ApplyTest::SetUp();
        std::filesystem::remove_all(root);
        for (const char* p : kTree) {
            if (std::strchr(p, '.') != nullptr) {
                test::WriteFile(root + p, "");
            } else {
                test::MakeFolder(root + p);
            }
        }
        for (const char* p : kTree) {
            SetMtime(root + p, 1000);
        }
    }

    // Which of the tree's items now carry the new time.
    std::string Changed() const {
        std::string s;
        for (const char* p : kTree) {
            s += MtimeOf(root + p) == NewSeconds() ? '1' : '0';
        }
        return s;
    }

    std::string root = dir / "root";
};

} // namespace

TEST_F(TreeTest, FolderTargetAndSubFolderDecideWhatChanges) {
    struct Case {
        int folderTarget, subFolder;
        const char* changed; // root, sub, deeper, a, b, c
    };
    for (const Case c :
         {Case{1, 1, "111111"}, Case{0, 1, "000111"}, Case{1, 0, "100000"}, Case{0, 0, "000000"}}) {
        SetUp();
        ApplyRequest r = Request(true);
        r.folderTarget = c.folderTarget;
        r.subFolder = c.subFolder;
        ApplyToEntry(Entry(root, true), r);
        EXPECT_EQ(r.log, "");
        EXPECT_EQ(Changed(), c.changed) << "folderTarget " << c.folderTarget << " subFolder " << c.subFolder;
    }
    SetUp();
    ApplyRequest r = Request(true);
    ApplyToEntry(Entry(root + "/a.txt", false), r);
    EXPECT_EQ(Changed(), "000100"); // a file row is just the file
}

TEST_F(TreeTest, EachFolderComesBeforeItsContents) {
    // Every item fails the creation time with one line, so the lines show the order.
    const std::string chain = dir / "chain";
    test::MakeFolder(chain);
    test::MakeFolder(chain + "/x");
    test::WriteFile(chain + "/x/y.txt", "");
    ApplyRequest r = Request(false, true);
    ApplyToEntry(Entry(chain, true), r);
    EXPECT_EQ(r.log, MakeErrorText(chain, kNoCreationTime) + MakeErrorText(chain + "/x", kNoCreationTime) +
                         MakeErrorText(chain + "/x/y.txt", kNoCreationTime));
}

TEST_F(TreeTest, AFailingFolderRowStillHasItsContentsWalked) {
    // An immutable folder refuses its own change but can still be listed.
    if (!test::SetImmutable(root, true)) {
        GTEST_SKIP() << "chattr +i needs ext4-like flags and CAP_LINUX_IMMUTABLE";
    }
    ApplyRequest r = Request(true, false, "H");
    ApplyToEntry(Entry(root, true), r);
    test::SetImmutable(root, false);
    EXPECT_EQ(r.log, MakeErrorText(root, kEperm));
    EXPECT_EQ(Changed(), "011111");
}

TEST_F(TreeTest, UnlistableFolderGivesNoLineAndTheWalkGoesOn) {
    ::chmod(dir.Path().c_str(), 0777);
    ::chmod(root.c_str(), 0777);
    const std::string top = root + "/mine";
    const int result = test::RunAsUnprivileged([&] {
        // Made by the child, so that it owns them.
        if (::mkdir(top.c_str(), 0755) != 0 || ::mkdir((top + "/locked").c_str(), 0755) != 0 ||
            ::mkdir((top + "/open").c_str(), 0755) != 0) {
            return 10;
        }
        test::WriteFile(top + "/locked/hidden.txt", "");
        test::WriteFile(top + "/open/seen.txt", "");
        ::chmod((top + "/locked").c_str(), 0);
        ApplyRequest r = Request(true);
        ApplyToEntry(Entry(top, true), r);
        ::chmod((top + "/locked").c_str(), 0755);
        return (r.log.empty() ? 0 : 1) | (MtimeOf(top + "/locked/hidden.txt") != NewSeconds() ? 0 : 2) |
               (MtimeOf(top + "/open/seen.txt") == NewSeconds() ? 0 : 4) |
               (MtimeOf(top + "/locked") == NewSeconds() ? 0 : 8);
    });
    EXPECT_EQ(result, 0);
}

TEST_F(TreeTest, SpecialEntriesNeitherBlockNorLoopAndLinksAreLeftAlone) {
    const std::string outside = dir / "outside";
    test::MakeFolder(outside);
    test::WriteFile(outside + "/target.txt", "");
    SetMtime(outside + "/target.txt", 1000);
    const std::string odd = root + "/\xff\xfe name \x80"; // no UTF-8: keeps its bytes
    test::WriteFile(odd, "");
    ASSERT_EQ(::mkfifo((root + "/fifo").c_str(), 0644), 0);
    ASSERT_EQ(::mknod((root + "/sock").c_str(), S_IFSOCK | 0644, 0), 0);
    const std::vector<std::pair<std::string, std::string>> links = {
        {".", "/self"},        {"..", "/sub/up"}, {"loop-b", "/loop-a"},
        {"loop-a", "/loop-b"}, {outside, "/out"}, {outside + "/target.txt", "/out-file"}};
    for (const auto& [target, link] : links) {
        ASSERT_EQ(::symlink(target.c_str(), (root + link).c_str()), 0);
        SetMtime(root + link, 1000);
    }
    ApplyRequest r = Request(true, false, "R");
    ApplyToEntry(Entry(root, true), r);
    EXPECT_EQ(r.log, "");
    EXPECT_EQ(Changed(), "111111");
    for (const std::string& special : {odd, root + "/fifo", root + "/sock"}) {
        EXPECT_EQ(MtimeOf(special), NewSeconds()) << special;
    }
    EXPECT_EQ(MtimeOf(outside + "/target.txt"), 1000);
    EXPECT_EQ(test::StatOf(outside + "/target.txt").st_mode & 0222, 0200U);
    for (const auto& [target, link] : links) {
        EXPECT_EQ(MtimeOf(root + link), 1000) << link;
    }
}

TEST_F(TreeTest, AFolderMountedInsideItselfIsEnteredOnce) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a bind mount needs root";
    }
    const std::string mirror = root + "/sub/mirror";
    test::MakeFolder(mirror);
    if (::mount(root.c_str(), mirror.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        GTEST_SKIP() << "bind mount refused: " << std::strerror(errno);
    }
    ApplyRequest r = Request(false, true);
    ApplyToEntry(Entry(root, true), r);
    ::umount2(mirror.c_str(), MNT_DETACH);
    // The mirror itself is an item of sub; its contents are root's, already walked.
    EXPECT_EQ(std::count(r.log.begin(), r.log.end(), '\n'), 7) << r.log;
    EXPECT_EQ(r.log.find(mirror + "/"), std::string::npos);
}

TEST_F(TreeTest, WalkGoesDeeperThanTheLongestPath) {
    const std::string name(200, 'n');
    // Made through a descriptor chain: the path itself soon becomes too long for the kernel.
    int fd = ::open((root + "/sub/deeper").c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 25; ++i) {
        ASSERT_EQ(::mkdirat(fd, name.c_str(), 0755), 0);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    const int leaf = ::openat(fd, "leaf", O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(leaf, 0);
    ::close(leaf);
    ApplyRequest r = Request(true);
    ApplyToEntry(Entry(root, true), r);
    EXPECT_EQ(r.log, "");
    struct stat st {};
    ASSERT_EQ(::fstatat(fd, "leaf", &st, 0), 0);
    ::close(fd);
    EXPECT_EQ(st.st_mtim.tv_sec, NewSeconds());
}
