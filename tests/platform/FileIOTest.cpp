#include "platform/FileIO.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::string_literals;
using platform::CreateFolders;
using platform::ReadFileBytes;
using Names = std::vector<std::string>;
using Xattrs = std::map<std::string, std::string>;

// An update that writes bytes whatever the file held.
std::error_code Replace(const std::string& path, std::string_view bytes,
                        CreateFolders create = CreateFolders::No) {
    return platform::UpdateFile(path, 1024, create, [&](const std::optional<std::string>&) {
        return std::optional<std::string>(bytes);
    });
}

Xattrs XattrsOf(const std::string& path) {
    Xattrs out;
    std::string names(1 << 16, '\0');
    const ssize_t size = ::listxattr(path.c_str(), names.data(), names.size());
    names.resize(size > 0 ? static_cast<size_t>(size) : 0);
    for (size_t at = 0; at < names.size(); at = names.find('\0', at) + 1) {
        const std::string name = names.c_str() + at;
        std::string value(1 << 16, '\0');
        const ssize_t n = ::getxattr(path.c_str(), name.c_str(), value.data(), value.size());
        value.resize(n > 0 ? static_cast<size_t>(n) : 0);
        out[name] = value;
    }
    return out;
}

// A POSIX ACL as the kernel stores it, a version and then each entry's tag, permissions and id:
// owner rw-, user 12345 r--, group r--, mask r--, other ---.
const std::string kAclGrantingAUser("\x02\0\0\0"
                                    "\x01\0\x06\0\xff\xff\xff\xff"
                                    "\x02\0\x04\0\x39\x30\0\0"
                                    "\x04\0\x04\0\xff\xff\xff\xff"
                                    "\x10\0\x04\0\xff\xff\xff\xff"
                                    "\x20\0\0\0\xff\xff\xff\xff",
                                    44);

class FileIOTest : public ::testing::Test {
protected:
    test::TempDir m_dir;
    std::string m_path = m_dir / "file";
    std::string m_out = "stale";
};

TEST_F(FileIOTest, ReadsEveryByteUpToTheLimitThroughLinksAndOnlyFromRegularFiles) {
    const std::string bytes = "a\0b\r\n\xff\x80 end"s;
    test::WriteFile(m_dir / "target", bytes);
    ASSERT_EQ(::symlink("target", m_path.c_str()), 0);
    EXPECT_FALSE(ReadFileBytes(m_path, bytes.size(), m_out));
    EXPECT_EQ(m_out, bytes);
    EXPECT_EQ(ReadFileBytes(m_path, bytes.size() - 1, m_out), std::errc::file_too_large);
    EXPECT_EQ(m_out, "");
    test::WriteFile(m_path, "");
    EXPECT_FALSE(ReadFileBytes(m_path, 0, m_out));
    // What is no regular file fails, without blocking.
    EXPECT_EQ(ReadFileBytes(m_dir / "no/file", 1024, m_out), std::errc::no_such_file_or_directory);
    EXPECT_EQ(ReadFileBytes(m_dir.Path(), 1024, m_out), std::errc::is_a_directory);
    ASSERT_EQ(::mkfifo((m_dir / "fifo").c_str(), 0644), 0);
    EXPECT_TRUE(ReadFileBytes(m_dir / "fifo", 1024, m_out));
}

TEST_F(FileIOTest, NewFileGetsTheModeTheUmaskAllowsAndMissingFoldersAreMadePrivate) {
    const std::string deep = m_dir / "a/b/file";
    // The folders are made at the first, under no umask at all.
    for (const mode_t mask : {mode_t{0}, mode_t{027}}) {
        ::unlink(m_path.c_str());
        EXPECT_EQ(test::RunInChild([&] {
                      ::umask(mask);
                      return Replace(m_path, "new") || Replace(deep, "x", CreateFolders::Yes) ? 1 : 0;
                  }),
                  0);
        EXPECT_EQ(test::StatOf(m_path).st_mode & 07777, 0666 & ~mask) << std::oct << mask;
    }
    EXPECT_EQ(test::ReadFile(deep), "x");
    EXPECT_EQ(test::StatOf(m_dir / "a/b").st_mode & 07777, 0700);
}

TEST_F(FileIOTest, AFileIsReplacedWithItsModeOwnerAttributesAndAclAndInheritedOnesAreNotAdded) {
    // The file and a folder with a default ACL, made by the user; the file was there before the
    // folder got it.
    ASSERT_EQ(::chmod(m_dir.Path().c_str(), 0777), 0);
    const std::string folder = m_dir / "inherits";
    const std::string inFolder = folder + "/file";
    const std::string& acl = kAclGrantingAUser;
    ASSERT_EQ(test::RunAsUnprivileged([&] {
                  test::WriteFile(m_path, "old content that is longer");
                  ::umask(022);
                  ::mkdir(folder.c_str(), 0755);
                  test::WriteFile(inFolder, "old");
                  const bool made =
                      ::chmod(m_path.c_str(), 0640) == 0 &&
                      ::setxattr(m_path.c_str(), "user.note", "kept", 4, 0) == 0 &&
                      ::setxattr(m_path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) == 0 &&
                      ::setxattr(folder.c_str(), "system.posix_acl_default", acl.data(), acl.size(), 0) == 0;
                  return made ? 0 : 1;
              }),
              0)
        << "this file system keeps no user attributes or ACLs";
    const Xattrs kept = XattrsOf(m_path);
    // A capability only root may set: a user's copy goes without it.
    constexpr char kCapability[] = "\x00\x00\x00\x02\x00\x04\x00\x00\0\0\0\0\0\0\0\0\0\0\0\0";
    const bool capability =
        ::geteuid() == 0 && ::setxattr(m_path.c_str(), "security.capability", kCapability, 20, 0) == 0;
    EXPECT_EQ(XattrsOf(m_path).size(), kept.size() + (capability ? 1 : 0));
    const struct stat before = test::StatOf(m_path);
    const struct stat beforeInFolder = test::StatOf(inFolder);

    EXPECT_EQ(
        test::RunAsUnprivileged([&] { return Replace(m_path, "new") || Replace(inFolder, "new") ? 1 : 0; }),
        0);
    EXPECT_EQ(test::ReadFile(m_path), "new");
    EXPECT_NE(test::StatOf(m_path).st_ino, before.st_ino);
    EXPECT_EQ(test::StatOf(m_path).st_mode, before.st_mode);
    EXPECT_EQ(XattrsOf(m_path), kept);
    EXPECT_EQ(kept.count("user.note") + kept.count("system.posix_acl_access"), 2u);
    EXPECT_EQ(test::StatOf(inFolder).st_mode, beforeInFolder.st_mode);
    EXPECT_EQ(XattrsOf(inFolder), Xattrs());
    EXPECT_EQ(test::FolderNames(folder), Names{"file"});
    // Only root can give a file away, and must not take it.
    EXPECT_FALSE(Replace(m_path, "newer"));
    EXPECT_EQ(test::StatOf(m_path).st_uid, before.st_uid);
    EXPECT_EQ(test::StatOf(m_path).st_gid, before.st_gid);
    EXPECT_EQ(test::FolderNames(m_dir.Path()), (Names{"file", "inherits"}));
}

TEST_F(FileIOTest, HardLinkedFileIsRewrittenInPlaceForEveryName) {
    const std::string other = m_dir / "other";
    test::WriteFile(m_path, "old content, longer than the new");
    ASSERT_EQ(::link(m_path.c_str(), other.c_str()), 0);
    const ino_t inode = test::StatOf(m_path).st_ino;
    for (const std::string bytes : {"new", "newer and much longer than the old content was"}) {
        EXPECT_FALSE(Replace(m_path, bytes));
        EXPECT_EQ(test::ReadFile(other), bytes);
        EXPECT_EQ(test::StatOf(m_path).st_ino, inode);
    }
    EXPECT_EQ(test::FolderNames(m_dir.Path()), (Names{"file", "other"}));
}

TEST_F(FileIOTest, FileAtTheEndOfAChainOfLinksIsReplaced) {
    test::MakeFolder(m_dir / "real");
    test::WriteFile(m_dir / "real/target", "old");
    // Relative to the folder of the link that holds it, and absolute.
    ASSERT_EQ(::symlink("real/target", (m_dir / "relative").c_str()), 0);
    ASSERT_EQ(::symlink((m_dir / "relative").c_str(), m_path.c_str()), 0);
    EXPECT_FALSE(Replace(m_path, "new"));
    EXPECT_EQ(test::ReadFile(m_dir / "real/target"), "new");
    EXPECT_TRUE(S_ISLNK(test::StatOf(m_path).st_mode));
    EXPECT_TRUE(S_ISLNK(test::StatOf(m_dir / "relative").st_mode));
    EXPECT_EQ(test::FolderNames(m_dir / "real"), Names{"target"});

    // A dangling link gets its file; a loop fails.
    ASSERT_EQ(::symlink("sub/dangling", (m_dir / "d").c_str()), 0);
    EXPECT_FALSE(Replace(m_dir / "d", "new", CreateFolders::Yes));
    EXPECT_EQ(test::ReadFile(m_dir / "sub/dangling"), "new");
    ASSERT_EQ(::symlink("loop", (m_dir / "loop").c_str()), 0);
    EXPECT_EQ(Replace(m_dir / "loop", "new", CreateFolders::Yes), std::errc::too_many_symbolic_link_levels);
    EXPECT_TRUE(S_ISLNK(test::StatOf(m_dir / "loop").st_mode));
}

// A folder or FIFO in the way of a write is left to the settings store's tests (ProfileTest_posix).
TEST_F(FileIOTest, AFileInAFolderThatTakesNoNewNameIsKept) {
    test::WriteFile(m_path, "old");
    if (!test::SetImmutable(m_dir.Path(), true)) {
        GTEST_SKIP() << "this file system cannot make a folder immutable";
    }
    const std::error_code error = Replace(m_path, "new");
    test::SetImmutable(m_dir.Path(), false);
    EXPECT_EQ(error, std::errc::operation_not_permitted);
    EXPECT_EQ(test::ReadFile(m_path), "old");
    EXPECT_EQ(test::FolderNames(m_dir.Path()), Names{"file"});
}

} // namespace

// Records going on past the space taken at first, of lengths that are and are not multiples of 4:
// each is in the file as soon as it is appended, also when the process is killed next, and the
// file is cut to them when closed.
TEST_F(FileIOTest, AppendedRecordsOutliveAKillAndTheFileIsCutToThemWhenClosed) {
    std::vector<std::string> records;
    std::string all;
    for (int n = 0; all.size() < 5 * 4096; ++n) {
        const size_t size = 8 + static_cast<size_t>(n % 5 == 0 ? n * 37 % 700 : n * 37 % 700 / 4 * 4);
        records.emplace_back(size, static_cast<char>('a' + n % 26));
        all += records.back();
    }
    for (const bool killed : {true, false}) {
        const std::string path = m_dir / (killed ? "killed" : "closed");
        const int status = test::RunInChild([&] {
            std::error_code error;
            auto file = platform::AppendFile::Create(path, CreateFolders::No, 4096, error);
            for (const std::string& record : records) {
                if (!file || file->Append(record)) {
                    return 1;
                }
            }
            if (killed) {
                ::raise(SIGKILL);
            }
            return file->Close() ? 1 : 0;
        });
        const std::string bytes = test::ReadFile(path);
        if (killed) {
            EXPECT_EQ(status, -SIGKILL);
            ASSERT_GE(bytes.size(), all.size());
            EXPECT_EQ(bytes.substr(0, all.size()), all);
            EXPECT_EQ(bytes.find_first_not_of('\0', all.size()), std::string::npos) << "beyond the records";
        } else {
            EXPECT_EQ(status, 0);
            EXPECT_EQ(bytes, all);
        }
        EXPECT_EQ(test::StatOf(path).st_mode & 0777, 0600u);
    }
}
