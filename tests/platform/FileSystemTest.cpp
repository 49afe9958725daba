#include "platform/FileSystem.h"

#include "platform/Error.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

using platform::ItemRef;
namespace attr = platform::attr;

namespace {

mode_t ModeOf(const std::string& path) {
    return test::StatOf(path).st_mode & 07777;
}

uint32_t AttributesOf(const std::string& path) {
    uint32_t a = 0;
    EXPECT_FALSE(platform::GetAttributes(ItemRef::Path(path), a)) << path;
    return a;
}

std::error_code Set(const std::string& path, uint32_t a) {
    return platform::SetAttributes(ItemRef::Path(path), a);
}

bool HasXattr(const std::string& path, const char* name) {
    return ::lgetxattr(path.c_str(), name, nullptr, 0) >= 0;
}

std::string RawXattr(const std::string& path, const char* name) {
    char buffer[256];
    const ssize_t n = ::lgetxattr(path.c_str(), name, buffer, sizeof buffer);
    return n < 0 ? std::string() : std::string(buffer, static_cast<size_t>(n));
}

mode_t CurrentUmask() {
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
}

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        file = dir / "file.txt";
        test::WriteFile(file, "hello");
        ::chmod(file.c_str(), 0644);
        // Everything here keeps its attributes in user.DOSATTRIB: the tests need a folder that
        // takes user attributes (ext4, tmpfs from Linux 6.6, ...).
        ASSERT_EQ(::setxattr(dir.Path().c_str(), "user.probe", "1", 1, 0), 0)
            << "the test folder takes no user extended attributes";
        ::removexattr(dir.Path().c_str(), "user.probe");
    }

    test::TempDir dir;
    std::string file;
};

} // namespace

TEST_F(FileSystemTest, PlainFileReadsNormalAndFolderReadsDirectory) {
    EXPECT_EQ(AttributesOf(file), attr::Normal);
    EXPECT_EQ(AttributesOf(dir.Path()), attr::Directory);
    ::chmod(file.c_str(), 0444);
    EXPECT_EQ(AttributesOf(file), attr::ReadOnly);
    // Any write bit at all means writable.
    ::chmod(file.c_str(), 0464);
    EXPECT_EQ(AttributesOf(file), attr::Normal);
}

TEST_F(FileSystemTest, ReadOnlyOfAFileIsItsWritePermission) {
    ASSERT_FALSE(Set(file, attr::ReadOnly));
    EXPECT_EQ(ModeOf(file), 0444);
    EXPECT_EQ(AttributesOf(file), attr::ReadOnly);
    // No record is made for what the permission already says.
    EXPECT_FALSE(HasXattr(file, "user.DOSATTRIB"));

    ASSERT_FALSE(Set(file, attr::Normal));
    EXPECT_EQ(ModeOf(file), 0444 | 0200 | (0022 & ~CurrentUmask()));
    EXPECT_EQ(AttributesOf(file), attr::Normal);
}

TEST_F(FileSystemTest, ClearingReadOnlyGivesWriteOnlyToWhoMayRead) {
    ::chmod(file.c_str(), 0400);
    ASSERT_FALSE(Set(file, attr::Normal));
    EXPECT_EQ(ModeOf(file), 0600);
    ::chmod(file.c_str(), 0444);
    ASSERT_FALSE(Set(file, attr::Archive));
    EXPECT_EQ(ModeOf(file), 0444 | 0200 | (0022 & ~CurrentUmask()));
    // Setting read-only removes every write bit, group and others too.
    ::chmod(file.c_str(), 0676);
    ASSERT_FALSE(Set(file, attr::ReadOnly));
    EXPECT_EQ(ModeOf(file), 0454);
}

TEST_F(FileSystemTest, HiddenAndArchiveLiveInTheSharedRecord) {
    ASSERT_FALSE(Set(file, attr::Hidden | attr::Archive));
    EXPECT_EQ(AttributesOf(file), attr::Hidden | attr::Archive);
    EXPECT_EQ(RawXattr(file, "user.DOSATTRIB"), std::string("0x22\0", 5));
    ASSERT_FALSE(Set(file, attr::ReadOnly | attr::Hidden | attr::Archive));
    EXPECT_EQ(AttributesOf(file), attr::ReadOnly | attr::Hidden | attr::Archive);
    EXPECT_EQ(ModeOf(file), 0444);
    // Once a record exists it mirrors read-only too, as Samba reads it from there.
    EXPECT_EQ(RawXattr(file, "user.DOSATTRIB"), std::string("0x23\0", 5));
}

TEST_F(FileSystemTest, NormalClearsEveryBitTheUserCanSetSystemIncluded) {
    const std::string seeded("0x2127", 6); // not-indexed, temporary, archive, system, hidden, read-only
    ASSERT_EQ(::setxattr(file.c_str(), "user.DOSATTRIB", seeded.data(), seeded.size(), 0), 0);
    ::chmod(file.c_str(), 0444);
    EXPECT_EQ(AttributesOf(file), 0x2127U);
    ASSERT_FALSE(Set(file, attr::Normal));
    EXPECT_EQ(AttributesOf(file), attr::Normal);
    EXPECT_NE(ModeOf(file) & 0200, 0U);
}

TEST_F(FileSystemTest, PuttingBackWhatWasReadChangesNothing) {
    const std::string seeded("0x4\0", 4); // system only
    ASSERT_EQ(::setxattr(file.c_str(), "user.DOSATTRIB", seeded.data(), seeded.size(), 0), 0);
    const uint32_t before = AttributesOf(file);
    ASSERT_FALSE(Set(file, before));
    EXPECT_EQ(AttributesOf(file), attr::System);
    EXPECT_EQ(RawXattr(file, "user.DOSATTRIB"), seeded);

    // Restoring a plain file's attributes must not litter it with a record.
    const std::string plain = dir / "plain";
    test::WriteFile(plain, "");
    ASSERT_FALSE(Set(plain, AttributesOf(plain)));
    EXPECT_FALSE(HasXattr(plain, "user.DOSATTRIB"));
}

TEST_F(FileSystemTest, SambaBinaryRecordIsPatchedInPlace) {
    // Version 4: text, NUL, pad, version, switch, valid flags, attribute, two 8-byte times.
    std::string record("0x20\0\0\x04\0\x04\0\0\0\x11\0\0\0\x20\0\0\0", 20);
    record += std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10", 16);
    ASSERT_EQ(::setxattr(file.c_str(), "user.DOSATTRIB", record.data(), record.size(), 0), 0);
    EXPECT_EQ(AttributesOf(file), attr::Archive);
    ASSERT_FALSE(Set(file, attr::Hidden | attr::Archive));
    const std::string after = RawXattr(file, "user.DOSATTRIB");
    ASSERT_EQ(after.size(), record.size());
    EXPECT_EQ(after.substr(0, 4), "0x22");
    EXPECT_EQ(static_cast<unsigned char>(after[16]), 0x22);
    EXPECT_EQ(after.substr(20), record.substr(20)); // the creation times Samba keeps survive
}

TEST_F(FileSystemTest, ReadOnlyFolderIsAFlagAndKeepsItsPermissions) {
    const std::string folder = dir / "sub";
    test::MakeFolder(folder);
    const mode_t before = ModeOf(folder);
    ASSERT_FALSE(Set(folder, attr::ReadOnly | attr::Hidden));
    EXPECT_EQ(AttributesOf(folder), attr::Directory | attr::ReadOnly | attr::Hidden);
    EXPECT_EQ(ModeOf(folder), before);
    test::WriteFile(folder + "/still-writable", "x");
    EXPECT_TRUE(test::Exists(folder + "/still-writable"));
    ASSERT_FALSE(Set(folder, attr::Normal));
    EXPECT_EQ(AttributesOf(folder), attr::Directory);
}

TEST_F(FileSystemTest, DotNamesReadAsHiddenWithoutARecord) {
    const std::string dotted = dir / ".config";
    test::WriteFile(dotted, "");
    EXPECT_EQ(AttributesOf(dotted), attr::Hidden);
    ASSERT_FALSE(Set(dotted, attr::Hidden));
    EXPECT_FALSE(HasXattr(dotted, "user.DOSATTRIB"));
    // Clearing hidden cannot un-hide the name; it still reads hidden.
    ASSERT_FALSE(Set(dotted, attr::Archive));
    EXPECT_EQ(AttributesOf(dotted), attr::Hidden | attr::Archive);
    EXPECT_EQ(RawXattr(dotted, "user.DOSATTRIB"), std::string("0x20\0", 5));
    // "." and ".." are not dot names.
    EXPECT_EQ(AttributesOf(dir.Path() + "/."), attr::Directory);
}

TEST_F(FileSystemTest, PathThroughALinkActsOnTheTarget) {
    const std::string link = dir / "link";
    ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);
    ASSERT_FALSE(Set(link, attr::ReadOnly | attr::Hidden));
    EXPECT_EQ(AttributesOf(file), attr::ReadOnly | attr::Hidden);
    const platform::UtcTime when{1000000000, 0};
    ASSERT_FALSE(platform::SetFileTimes(ItemRef::Path(link), platform::ItemKind::File, nullptr, &when));
    EXPECT_EQ(test::StatOf(file).st_mtim.tv_sec, 1000000000);
}

TEST_F(FileSystemTest, MissingItemFailsWithTheSystemCode) {
    const std::string gone = dir / "gone";
    uint32_t a = 0;
    EXPECT_EQ(platform::GetAttributes(ItemRef::Path(gone), a), std::errc::no_such_file_or_directory);
    EXPECT_EQ(Set(gone, attr::Hidden), std::errc::no_such_file_or_directory);
    const platform::UtcTime when{0, 0};
    EXPECT_EQ(platform::SetFileTimes(ItemRef::Path(gone), platform::ItemKind::File, nullptr, &when),
              std::errc::no_such_file_or_directory);
    platform::FileInfo info;
    EXPECT_EQ(platform::QueryFile(ItemRef::Path(gone), info), std::errc::no_such_file_or_directory);
}

TEST_F(FileSystemTest, QueryReadsEverythingAtOnce) {
    const platform::UtcTime when{1110186303, 0};
    ASSERT_FALSE(platform::SetFileTimes(ItemRef::Path(file), platform::ItemKind::File, nullptr, &when));
    ::chmod(file.c_str(), 0444);
    platform::FileInfo info;
    ASSERT_FALSE(platform::QueryFile(ItemRef::Path(file), info));
    EXPECT_EQ(info.attributes, attr::ReadOnly);
    EXPECT_FALSE(info.isDirectory);
    EXPECT_EQ(info.size, 5U);
    EXPECT_EQ(info.updated, when);
    // ext4, xfs, btrfs and tmpfs keep a birth time; it is never 0 when present.
    if (info.created) {
        EXPECT_NE(info.created->seconds, 0);
    }
    ASSERT_FALSE(platform::QueryFile(ItemRef::Path(dir.Path()), info));
    EXPECT_TRUE(info.isDirectory);
    EXPECT_EQ(info.attributes, attr::Directory);
}

TEST_F(FileSystemTest, LastWriteTimeIsWrittenExactlyAndAccessTimeKept) {
    struct timespec old[2] = {{123456789, 0}, {234567890, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), old, 0), 0);
    const platform::UtcTime when{1700000000, 0};
    ASSERT_FALSE(platform::SetFileTimes(ItemRef::Path(file), platform::ItemKind::File, nullptr, &when));
    const struct stat st = test::StatOf(file);
    EXPECT_EQ(st.st_mtim.tv_sec, 1700000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 0);
    EXPECT_EQ(st.st_atim.tv_sec, 123456789);
}

TEST_F(FileSystemTest, ReadOnlyFileGetsNewTimesAndStaysUntouchedOtherwise) {
    ::chmod(file.c_str(), 0444);
    const struct stat before = test::StatOf(file);
    const platform::UtcTime when{1500000000, 0};
    ASSERT_FALSE(platform::SetFileTimes(ItemRef::Path(file), platform::ItemKind::File, nullptr, &when));
    const struct stat after = test::StatOf(file);
    EXPECT_EQ(after.st_mtim.tv_sec, 1500000000);
    EXPECT_EQ(after.st_mode, before.st_mode);
}

TEST_F(FileSystemTest, CreationTimeOnALinuxFileSystemIsRefusedButLastWriteStillWritten) {
    const platform::UtcTime created{1000000000, 0};
    const platform::UtcTime updated{1200000000, 0};
    const auto error =
        platform::SetFileTimes(ItemRef::Path(file), platform::ItemKind::File, &created, &updated);
    EXPECT_EQ(error, platform::Errc::creation_time_unsupported);
    EXPECT_EQ(test::StatOf(file).st_mtim.tv_sec, 1200000000);

    // Only the creation time: nothing is written at all.
    const auto onlyCreated =
        platform::SetFileTimes(ItemRef::Path(file), platform::ItemKind::File, &created, nullptr);
    EXPECT_EQ(onlyCreated, platform::Errc::creation_time_unsupported);
    EXPECT_EQ(test::StatOf(file).st_mtim.tv_sec, 1200000000);
}

TEST_F(FileSystemTest, TimesBeforeNineteenSeventyAndAfterTwoThousandThirtyEight) {
    for (const int64_t s :
         {int64_t{-14182940}, int64_t{-631152000}, int64_t{2213481600}, int64_t{4102444800}}) {
        const platform::UtcTime when{s, 0};
        ASSERT_FALSE(platform::SetFileTimes(ItemRef::Path(file), platform::ItemKind::File, nullptr, &when))
            << s;
        EXPECT_EQ(test::StatOf(file).st_mtim.tv_sec, s);
    }
}

TEST_F(FileSystemTest, ATimeTheFileSystemCannotHoldIsAFailureNotASilentClamp) {
    struct statfs sf {};
    ASSERT_EQ(::statfs(dir.Path().c_str(), &sf), 0);
    if (sf.f_type != 0xEF53) {
        GTEST_SKIP() << "needs ext4, whose times end before 1902 and after 2446";
    }
    const platform::UtcTime before1902{-2500000000, 0}; // 1890
    EXPECT_EQ(platform::SetFileTimes(ItemRef::Path(file), platform::ItemKind::File, nullptr, &before1902),
              platform::Errc::time_not_stored);
    const platform::UtcTime in2413{14000000000, 0};
    EXPECT_FALSE(platform::SetFileTimes(ItemRef::Path(file), platform::ItemKind::File, nullptr, &in2413));
    const platform::UtcTime after2446{16000000000, 0}; // 2477
    EXPECT_EQ(platform::SetFileTimes(ItemRef::Path(file), platform::ItemKind::File, nullptr, &after2446),
              platform::Errc::time_not_stored);
}

TEST_F(FileSystemTest, SomeoneElsesFileRefusesTimesAndAttributes) {
    ::chmod(dir.Path().c_str(), 0755);
    const std::string path = file;
    const int result = test::RunAsUnprivileged([&] {
        const platform::UtcTime when{1000, 0};
        const auto t = platform::SetFileTimes(ItemRef::Path(path), platform::ItemKind::File, nullptr, &when);
        const auto a = platform::SetAttributes(ItemRef::Path(path), attr::ReadOnly);
        return (t == std::errc::operation_not_permitted ? 0 : 1) |
               (a == std::errc::operation_not_permitted ? 0 : 2);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ModeOf(file), 0644);
}

TEST_F(FileSystemTest, ImmutableFileRefusesEvenRoot) {
    if (!test::SetImmutable(file, true)) {
        GTEST_SKIP() << "chattr +i needs ext4-like flags and CAP_LINUX_IMMUTABLE";
    }
    const platform::UtcTime when{1000, 0};
    EXPECT_EQ(platform::SetFileTimes(ItemRef::Path(file), platform::ItemKind::File, nullptr, &when),
              std::errc::operation_not_permitted);
    EXPECT_EQ(Set(file, attr::ReadOnly), std::errc::operation_not_permitted);
    test::SetImmutable(file, false);
}

// ---------------------------------------------------------------------------------------------

namespace {

std::vector<platform::DirEntry> ListAll(platform::Directory& d) {
    std::vector<platform::DirEntry> entries;
    platform::DirEntry e;
    while (d.Next(e)) {
        entries.push_back(e);
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return entries;
}

} // namespace

TEST_F(FileSystemTest, DirectoryListsEveryKindWithoutDots) {
    test::MakeFolder(dir / "folder");
    ASSERT_EQ(::symlink("folder", (dir / "link").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sockPath = dir / "sock";
    ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
    std::copy(sockPath.begin(), sockPath.end(), addr.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(sock);
    test::WriteFile(dir / "\xff\xfe-not-utf8", "");

    std::error_code error;
    platform::Directory d = platform::Directory::Open(dir.Path(), error);
    ASSERT_FALSE(error);
    const auto entries = ListAll(d);
    using T = platform::DirEntry::Type;
    const std::vector<std::pair<std::string, T>> expected = {
        {"\xff\xfe-not-utf8", T::File}, {"fifo", T::Other}, {"file.txt", T::File},
        {"folder", T::Folder},          {"link", T::Link},  {"sock", T::Other},
    };
    ASSERT_EQ(entries.size(), expected.size());
    std::vector<std::pair<std::string, T>> got;
    for (const auto& e : entries) {
        got.emplace_back(e.name, e.type);
    }
    std::sort(got.begin(), got.end());
    auto want = expected;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
}

TEST_F(FileSystemTest, ChildFolderIsNeverOpenedThroughALink) {
    test::MakeFolder(dir / "real");
    ASSERT_EQ(::symlink("real", (dir / "link").c_str()), 0);
    std::error_code error;
    platform::Directory d = platform::Directory::Open(dir.Path(), error);
    ASSERT_FALSE(error);
    platform::Directory child = d.OpenChild("real", error);
    EXPECT_FALSE(error);
    EXPECT_TRUE(child.IsOpen());
    platform::Directory viaLink = d.OpenChild("link", error);
    EXPECT_TRUE(error);
    EXPECT_FALSE(viaLink.IsOpen());
    platform::Directory notAFolder = d.OpenChild("file.txt", error);
    EXPECT_EQ(error, std::errc::not_a_directory);
    // The user's own choice of a link to a folder is followed.
    platform::Directory chosen = platform::Directory::Open(dir / "link", error);
    EXPECT_FALSE(error);
    EXPECT_EQ(chosen.GetId(), child.GetId());
}

TEST_F(FileSystemTest, SpecialFilesAreHandledWithoutOpeningThem) {
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    // Opening a FIFO with no reader would block forever; none of these may.
    platform::FileInfo info;
    EXPECT_FALSE(platform::QueryFile(ItemRef::Path(fifo), info));
    const platform::UtcTime when{1000000000, 0};
    EXPECT_FALSE(platform::SetFileTimes(ItemRef::Path(fifo), platform::ItemKind::File, nullptr, &when));
    EXPECT_FALSE(Set(fifo, attr::ReadOnly));
    EXPECT_EQ(ModeOf(fifo), 0444);
    // Linux keeps no user attributes on special files: a clear failure, not a hang.
    EXPECT_EQ(Set(fifo, attr::Hidden), std::errc::operation_not_permitted);
}

TEST_F(FileSystemTest, ItemsInAFolderAreReachedBeyondTheLongestPath) {
    // Build a chain whose full path is longer than the kernel takes in one call.
    std::error_code error;
    platform::Directory d = platform::Directory::Open(dir.Path(), error);
    ASSERT_FALSE(error);
    const std::string name(200, 'd');
    std::string fullPath = dir.Path();
    for (int i = 0; i < 25; ++i) {
        ASSERT_EQ(::mkdirat(static_cast<int>(d.NativeHandle()), name.c_str(), 0755), 0);
        d = d.OpenChild(name, error);
        ASSERT_FALSE(error) << i;
        fullPath += "/" + name;
    }
    ASSERT_GT(fullPath.size(), 4096U);
    const std::string leaf = "leaf";
    const int fd = ::openat(static_cast<int>(d.NativeHandle()), leaf.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const std::string leafPath = fullPath + "/" + leaf;
    const auto item = ItemRef::InFolder(d, leaf, leafPath);
    const platform::UtcTime when{1234567890, 0};
    ASSERT_FALSE(platform::SetFileTimes(item, platform::ItemKind::File, nullptr, &when));
    ASSERT_FALSE(platform::SetAttributes(item, attr::Hidden | attr::ReadOnly));
    platform::FileInfo info;
    ASSERT_FALSE(platform::QueryFile(item, info));
    EXPECT_EQ(info.updated.seconds, 1234567890);
    EXPECT_EQ(info.attributes, attr::Hidden | attr::ReadOnly);
    // The full path alone is too long for the kernel.
    EXPECT_EQ(platform::QueryFile(ItemRef::Path(leafPath), info), std::errc::filename_too_long);
}
