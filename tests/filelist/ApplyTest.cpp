#include "filelist/Apply.h"

#include "filelist/FileEntry.h"
#include "filelist/FileFacts.h"
#include "platform/Error.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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

int64_t ExpectedSeconds(const SYSTEMTIME& local) {
    return platform::LocalToUtc(local)->seconds;
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

std::string SysText(int code) {
    return platform::ErrorText(std::error_code(code, std::system_category()));
}

std::vector<std::string> Lines(const std::string& log) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < log.size()) {
        const size_t end = log.find('\n', start);
        lines.push_back(log.substr(start, end - start));
        start = end == std::string::npos ? log.size() : end + 1;
    }
    return lines;
}

ApplyRequest UpdatedOnly() {
    ApplyRequest r;
    r.setUpdated = 1;
    r.updated = kUpdated;
    r.subFolder = 1;
    r.folderTarget = 1;
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
        file = dir / "file.txt";
        test::WriteFile(file, "content");
        ::chmod(file.c_str(), 0644);
        SetMtime(file, 1000);
    }

    test::TempDir dir;
    test::ScopedTimeZone tz{"Europe/Berlin"};
    std::string file;
};

} // namespace

TEST_F(ApplyTest, ReadOnlyFileGetsNewTimesAndStaysReadOnly) {
    ::chmod(file.c_str(), 0444);
    ApplyRequest r = UpdatedOnly();
    EXPECT_EQ(ApplyToFile(file, r), 1);
    EXPECT_EQ(r.log, "");
    EXPECT_EQ(MtimeOf(file), ExpectedSeconds(kUpdated));
    EXPECT_EQ(test::StatOf(file).st_mode & 07777, 0444U);
}

TEST_F(ApplyTest, ReadOnlyFileGetsNewTimesAndLosesReadOnlyWhenAskedTo) {
    ::chmod(file.c_str(), 0444);
    ApplyRequest r = UpdatedOnly();
    r.setAttributes = 1;
    r.archive = 1;
    EXPECT_EQ(ApplyToFile(file, r), 1);
    EXPECT_EQ(MtimeOf(file), ExpectedSeconds(kUpdated));
    EXPECT_NE(test::StatOf(file).st_mode & 0200, 0U);
    EXPECT_EQ(Dos(file), std::string("0x20\0", 5));
}

TEST_F(ApplyTest, NoFileIsEverOpened) {
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const int in = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(in, 0);
    ASSERT_GE(::inotify_add_watch(in, dir.Path().c_str(), IN_OPEN), 0);

    ApplyRequest attributesOnly;
    attributesOnly.setAttributes = 1;
    attributesOnly.readOnly = 1;
    EXPECT_EQ(ApplyToFile(file, attributesOnly), 1);
    EXPECT_EQ(ApplyToFile(fifo, attributesOnly), 1); // opening a FIFO would block here
    ApplyRequest times = UpdatedOnly();
    EXPECT_EQ(ApplyToFile(file, times), 1);
    EXPECT_EQ(ApplyToFile(fifo, times), 1);
    EXPECT_EQ(attributesOnly.log + times.log, "");

    char events[4096];
    EXPECT_LT(::read(in, events, sizeof events), 0) << "something opened a file";
    ::close(in);
    EXPECT_EQ(test::StatOf(file).st_mode & 07777, 0444U);
    EXPECT_EQ(MtimeOf(fifo), ExpectedSeconds(kUpdated));
}

TEST_F(ApplyTest, AllBoxesClearGivesNormalWhichClearsSystemToo) {
    ASSERT_EQ(::setxattr(file.c_str(), "user.DOSATTRIB", "0x27", 4, 0), 0);
    ::chmod(file.c_str(), 0444);
    ApplyRequest r;
    r.setAttributes = 1;
    EXPECT_EQ(ApplyToFile(file, r), 1);
    EXPECT_EQ(r.log, "");
    FileEntry e = Entry(file, false);
    std::string letters;
    ReadAttributes(file, letters, e);
    EXPECT_EQ(letters, "");
    EXPECT_EQ(Dos(file), std::string("0x0\0", 4));
    EXPECT_NE(test::StatOf(file).st_mode & 0200, 0U);
}

TEST_F(ApplyTest, MissingFileGivesExactlyOneLine) {
    const std::string gone = dir / "gone.txt";
    ApplyRequest r = UpdatedOnly();
    r.setCreated = 1;
    r.created = kCreated;
    r.setAttributes = 1;
    r.hidden = 1;
    EXPECT_EQ(ApplyToFile(gone, r), 0);
    EXPECT_EQ(r.log, gone + " - " + SysText(ENOENT) + "\n");

    ApplyRequest attributesOnly;
    attributesOnly.setAttributes = 1;
    EXPECT_EQ(ApplyToFile(gone, attributesOnly), 0);
    EXPECT_EQ(Lines(attributesOnly.log).size(), 1U);
}

TEST_F(ApplyTest, CreationTimeHereIsOneLineAndEverythingElseIsStillDone) {
    ApplyRequest r = UpdatedOnly();
    r.setCreated = 1;
    r.created = kCreated;
    r.setAttributes = 1;
    r.hidden = 1;
    EXPECT_EQ(ApplyToFile(file, r), 0);
    EXPECT_EQ(r.log, file + " - " + platform::ErrorText(platform::Errc::creation_time_unsupported) + "\n");
    EXPECT_EQ(MtimeOf(file), ExpectedSeconds(kUpdated));
    EXPECT_EQ(Dos(file), std::string("0x2\0", 4));
}

TEST_F(ApplyTest, OnlyTheCreationTimeLeavesTheLastWriteTimeAlone) {
    ApplyRequest r;
    r.setCreated = 1;
    r.created = kCreated;
    EXPECT_EQ(ApplyToFile(file, r), 0);
    EXPECT_EQ(Lines(r.log).size(), 1U);
    EXPECT_EQ(MtimeOf(file), 1000);
}

TEST_F(ApplyTest, SecondsAsChosenNothingFiner) {
    ApplyRequest r = UpdatedOnly();
    r.updated.wMilliseconds = 789;
    EXPECT_EQ(ApplyToFile(file, r), 1);
    EXPECT_EQ(test::StatOf(file).st_mtim.tv_nsec, 0);
    FileEntry e = Entry(file, false);
    TimeTexts texts;
    ReadTimes(file, texts, e);
    EXPECT_EQ(texts.updated, "2005/10/12 14:6:42");
}

TEST_F(ApplyTest, FailedAttributeStepKeepsTheTimesWritten) {
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    ApplyRequest r = UpdatedOnly();
    r.setAttributes = 1;
    r.hidden = 1; // Linux keeps no user attributes on a FIFO
    EXPECT_EQ(ApplyToFile(fifo, r), 0);
    EXPECT_EQ(r.log, fifo + " - " + SysText(EPERM) + "\n");
    EXPECT_EQ(MtimeOf(fifo), ExpectedSeconds(kUpdated));
}

TEST_F(ApplyTest, DatesReadBackExactlyAcrossDaylightSavingAndCenturies) {
    const SYSTEMTIME dates[] = {
        {2021, 7, 0, 15, 12, 34, 56, 0}, {2021, 12, 0, 15, 12, 34, 56, 0}, {2021, 3, 0, 28, 1, 59, 59, 0},
        {2021, 3, 0, 28, 3, 0, 0, 0},    {2021, 10, 0, 31, 1, 30, 0, 0},   {2021, 10, 0, 31, 3, 30, 0, 0},
        {1969, 7, 0, 20, 21, 17, 40, 0}, {1950, 1, 0, 1, 0, 0, 0, 0},      {2040, 2, 0, 29, 12, 0, 0, 0},
        {2100, 7, 0, 1, 12, 0, 0, 0},
    };
    for (const SYSTEMTIME& when : dates) {
        ApplyRequest r;
        r.setUpdated = 1;
        r.updated = when;
        EXPECT_EQ(ApplyToFile(file, r), 1) << r.log;
        FileEntry e = Entry(file, false);
        TimeTexts texts;
        ASSERT_EQ(ReadTimes(file, texts, e), 1);
        EXPECT_EQ(texts.updated, FormatListTime(when));
    }
}

TEST_F(ApplyTest, SomeoneElsesFileGetsOneLineAndKeepsItsAttributes) {
    ::chmod(dir.Path().c_str(), 0755);
    const std::string path = file;
    std::string log;
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const int result = test::RunAsUnprivileged([&] {
        ApplyRequest r = UpdatedOnly();
        r.setAttributes = 1;
        r.readOnly = 1;
        const int applied = ApplyToFile(path, r);
        const auto n = ::write(pipeFds[1], r.log.data(), r.log.size());
        return applied == 0 && n == static_cast<ssize_t>(r.log.size()) ? 0 : 1;
    });
    ::close(pipeFds[1]);
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) {
        log.append(buffer, static_cast<size_t>(n));
    }
    ::close(pipeFds[0]);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(log, file + " - " + SysText(EPERM) + "\n");
    EXPECT_EQ(test::StatOf(file).st_mode & 07777, 0644U);
    EXPECT_EQ(MtimeOf(file), 1000);
}

TEST_F(ApplyTest, ImmutableFileGetsOneLineAndNothingChanges) {
    if (!test::SetImmutable(file, true)) {
        GTEST_SKIP() << "chattr +i needs ext4-like flags and CAP_LINUX_IMMUTABLE";
    }
    ApplyRequest r = UpdatedOnly();
    r.setAttributes = 1;
    r.readOnly = 1;
    EXPECT_EQ(ApplyToFile(file, r), 0);
    test::SetImmutable(file, false);
    EXPECT_EQ(r.log, file + " - " + SysText(EPERM) + "\n");
    EXPECT_EQ(MtimeOf(file), 1000);
    EXPECT_EQ(test::StatOf(file).st_mode & 07777, 0644U);
}

// ---------------------------------------------------------------------------------------------
// Folder rows and walks.

namespace {

class TreeTest : public ApplyTest {
protected:
    void SetUp() override {
        ApplyTest::SetUp();
        root = dir / "root";
        test::MakeFolder(root);
        test::MakeFolder(root + "/sub");
        test::MakeFolder(root + "/sub/deeper");
        test::WriteFile(root + "/a.txt", "a");
        test::WriteFile(root + "/sub/b.txt", "b");
        test::WriteFile(root + "/sub/deeper/c.txt", "c");
        for (const char* p : {"", "/sub", "/sub/deeper", "/a.txt", "/sub/b.txt", "/sub/deeper/c.txt"}) {
            SetMtime(root + p, 1000);
        }
    }

    // Which of the tree's items now carry the new time.
    std::string Changed() const {
        std::string s;
        for (const char* p : {"", "/sub", "/sub/deeper", "/a.txt", "/sub/b.txt", "/sub/deeper/c.txt"}) {
            s += MtimeOf(root + p) == ExpectedSeconds(kUpdated) ? '1' : '0';
        }
        return s;
    }

    std::string root;
};

// Every item in pre-order, each folder's entries in the order the file system lists them.
void PreOrder(const std::string& folder, std::vector<std::string>& out) {
    DIR* d = ::opendir(folder.c_str());
    ASSERT_NE(d, nullptr);
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string path = folder + "/" + name;
        out.push_back(path);
        if (e->d_type == DT_DIR) {
            PreOrder(path, out);
        }
    }
    ::closedir(d);
}

} // namespace

TEST_F(TreeTest, FolderTargetAndSubFolderDecideWhatChanges) {
    struct Case {
        int folderTarget;
        int subFolder;
        const char* changed; // root, sub, deeper, a, b, c
    };
    for (const Case c :
         {Case{1, 1, "111111"}, Case{0, 1, "000111"}, Case{1, 0, "100000"}, Case{0, 0, "000000"}}) {
        std::filesystem::remove_all(root);
        SetUp();
        ApplyRequest r = UpdatedOnly();
        r.folderTarget = c.folderTarget;
        r.subFolder = c.subFolder;
        ApplyToEntry(Entry(root, true), r);
        EXPECT_EQ(r.log, "");
        EXPECT_EQ(Changed(), c.changed) << "folderTarget " << c.folderTarget << " subFolder " << c.subFolder;
    }
}

TEST_F(TreeTest, AFileRowIsJustTheFile) {
    ApplyRequest r = UpdatedOnly();
    ApplyToEntry(Entry(root + "/a.txt", false), r);
    EXPECT_EQ(Changed(), "000100");
}

TEST_F(TreeTest, WalkIsPreOrderInListingOrder) {
    for (int i = 0; i < 20; ++i) {
        test::WriteFile(root + "/sub/f" + std::to_string(i), "");
        test::MakeFolder(root + "/d" + std::to_string(i));
        test::WriteFile(root + "/d" + std::to_string(i) + "/inner", "");
    }
    std::vector<std::string> expected{root};
    PreOrder(root, expected);
    // Here every item fails the creation time with one line each, so the lines show the order.
    ApplyRequest r;
    r.setCreated = 1;
    r.created = kCreated;
    r.subFolder = 1;
    r.folderTarget = 1;
    ApplyToEntry(Entry(root, true), r);
    const auto lines = Lines(r.log);
    ASSERT_EQ(lines.size(), expected.size());
    const std::string tail = " - " + platform::ErrorText(platform::Errc::creation_time_unsupported);
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i], expected[i] + tail) << i;
    }
}

TEST_F(TreeTest, AFailingFolderRowStillHasItsContentsWalked) {
    ApplyRequest r = UpdatedOnly();
    r.setAttributes = 1;
    r.hidden = 1;
    // An immutable folder refuses its own change but can still be listed.
    if (!test::SetImmutable(root, true)) {
        GTEST_SKIP() << "chattr +i needs ext4-like flags and CAP_LINUX_IMMUTABLE";
    }
    ApplyToEntry(Entry(root, true), r);
    test::SetImmutable(root, false);
    EXPECT_EQ(r.log, root + " - " + SysText(EPERM) + "\n");
    EXPECT_EQ(Changed(), "011111");
}

TEST_F(TreeTest, UnlistableFolderGivesNoLineAndTheWalkGoesOn) {
    ::chmod(dir.Path().c_str(), 0777);
    ::chmod(root.c_str(), 0777);
    const std::string base = root;
    const int result = test::RunAsUnprivileged([&] {
        // Made by the child, so that it owns them.
        const std::string top = base + "/mine";
        const std::string locked = top + "/locked";
        const std::string open = top + "/open";
        if (::mkdir(top.c_str(), 0755) != 0 || ::mkdir(locked.c_str(), 0755) != 0 ||
            ::mkdir(open.c_str(), 0755) != 0) {
            return 10;
        }
        test::WriteFile(locked + "/hidden.txt", "");
        test::WriteFile(open + "/seen.txt", "");
        ::chmod(locked.c_str(), 0);
        ApplyRequest r = UpdatedOnly();
        ApplyToEntry(Entry(top, true), r);
        ::chmod(locked.c_str(), 0755);
        struct stat a {};
        struct stat b {};
        struct stat c {};
        ::stat((locked + "/hidden.txt").c_str(), &a);
        ::stat((open + "/seen.txt").c_str(), &b);
        ::stat(locked.c_str(), &c);
        const int64_t want = ExpectedSeconds(kUpdated);
        return (r.log.empty() ? 0 : 1) | (a.st_mtim.tv_sec != want ? 0 : 2) |
               (b.st_mtim.tv_sec == want ? 0 : 4) | (c.st_mtim.tv_sec == want ? 0 : 8);
    });
    EXPECT_EQ(result, 0);
}

TEST_F(TreeTest, SpecialEntriesNeitherBlockNorLoopAndLinksAreLeftAlone) {
    const std::string outside = dir / "outside";
    test::MakeFolder(outside);
    test::WriteFile(outside + "/target.txt", "");
    SetMtime(outside + "/target.txt", 1000);
    ASSERT_EQ(::mkfifo((root + "/fifo").c_str(), 0644), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sockPath = root + "/sock";
    ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
    std::copy(sockPath.begin(), sockPath.end(), addr.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(sock);
    ASSERT_EQ(::symlink(".", (root + "/self").c_str()), 0);
    ASSERT_EQ(::symlink("..", (root + "/sub/up").c_str()), 0);
    ASSERT_EQ(::symlink("loop-b", (root + "/loop-a").c_str()), 0);
    ASSERT_EQ(::symlink("loop-a", (root + "/loop-b").c_str()), 0);
    ASSERT_EQ(::symlink(outside.c_str(), (root + "/out").c_str()), 0);
    ASSERT_EQ(::symlink((outside + "/target.txt").c_str(), (root + "/out-file").c_str()), 0);
    for (const char* link : {"/self", "/sub/up", "/loop-a", "/out", "/out-file"}) {
        SetMtime(root + link, 1000);
    }

    ApplyRequest r = UpdatedOnly();
    r.setAttributes = 1;
    r.readOnly = 1;
    ApplyToEntry(Entry(root, true), r);
    EXPECT_EQ(r.log, "");
    EXPECT_EQ(Changed(), "111111");
    EXPECT_EQ(MtimeOf(root + "/fifo"), ExpectedSeconds(kUpdated));
    EXPECT_EQ(MtimeOf(root + "/sock"), ExpectedSeconds(kUpdated));
    EXPECT_EQ(MtimeOf(outside + "/target.txt"), 1000);
    EXPECT_EQ(test::StatOf(outside + "/target.txt").st_mode & 0222, 0200U);
    for (const char* link : {"/self", "/sub/up", "/loop-a", "/out", "/out-file"}) {
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
    ApplyRequest r;
    r.setCreated = 1;
    r.created = kCreated;
    r.subFolder = 1;
    r.folderTarget = 1;
    ApplyToEntry(Entry(root, true), r);
    ::umount2(mirror.c_str(), MNT_DETACH);
    // The mirror itself is an item of sub; its contents are root's, already walked.
    const auto lines = Lines(r.log);
    EXPECT_EQ(lines.size(), 7U) << r.log;
    EXPECT_EQ(r.log.find(mirror + "/"), std::string::npos);
}

TEST_F(TreeTest, NamesThatAreNotUtf8KeepTheirBytes) {
    const std::string odd = root + "/\xff\xfe name \x80";
    test::WriteFile(odd, "");
    SetMtime(odd, 1000);
    ApplyRequest r = UpdatedOnly();
    r.setCreated = 1;
    r.created = kCreated;
    ApplyToEntry(Entry(root, true), r);
    EXPECT_NE(r.log.find(odd + " - "), std::string::npos);
    EXPECT_EQ(MtimeOf(odd), ExpectedSeconds(kUpdated));
}

TEST_F(TreeTest, WalkGoesDeeperThanTheLongestPath) {
    std::string path = root + "/sub/deeper";
    const std::string name(200, 'n');
    // mkdir through a descriptor chain: the path itself soon becomes too long for the kernel.
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 25; ++i) {
        ASSERT_EQ(::mkdirat(fd, name.c_str(), 0755), 0);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        path += "/" + name;
    }
    const int leaf = ::openat(fd, "leaf", O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(leaf, 0);
    ::close(leaf);
    ApplyRequest r = UpdatedOnly();
    ApplyToEntry(Entry(root, true), r);
    EXPECT_EQ(r.log, "");
    struct stat st {};
    ASSERT_EQ(::fstatat(fd, "leaf", &st, 0), 0);
    ::close(fd);
    EXPECT_EQ(st.st_mtim.tv_sec, ExpectedSeconds(kUpdated));
}
