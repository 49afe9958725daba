#include "platform/FileIO.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::string_literals;
using platform::ReadFileBytes;
using platform::ReplaceFileAtomically;
using Names = std::vector<std::string>;

class FileIOTest : public ::testing::Test {
protected:
    test::TempDir m_dir;
    std::string m_path = m_dir / "file";
    std::string m_out = "stale";
};

TEST_F(FileIOTest, ReadsEveryByteUpToTheLimitThroughLinks) {
    const std::string bytes = "a\0b\r\n\xff\x80 end"s;
    test::WriteFile(m_dir / "target", bytes);
    ASSERT_EQ(::symlink("target", m_path.c_str()), 0);
    EXPECT_FALSE(ReadFileBytes(m_path, bytes.size(), m_out));
    EXPECT_EQ(m_out, bytes);
    EXPECT_EQ(ReadFileBytes(m_path, bytes.size() - 1, m_out), std::errc::file_too_large);
    EXPECT_EQ(m_out, "");
    test::WriteFile(m_path, "");
    EXPECT_FALSE(ReadFileBytes(m_path, 0, m_out));
}

TEST_F(FileIOTest, ReadingWhatIsNoRegularFileFailsWithoutBlocking) {
    EXPECT_EQ(ReadFileBytes(m_dir / "no/file", 1024, m_out), std::errc::no_such_file_or_directory);
    EXPECT_EQ(ReadFileBytes(m_dir.Path(), 1024, m_out), std::errc::is_a_directory);
    ASSERT_EQ(::mkfifo(m_path.c_str(), 0644), 0);
    EXPECT_TRUE(ReadFileBytes(m_path, 1024, m_out));
    EXPECT_TRUE(ReadFileBytes("/dev/null", 1024, m_out));
}

TEST_F(FileIOTest, NewFileGetsTheModeTheUmaskAllows) {
    for (const mode_t mask : {mode_t{027}, mode_t{0}}) {
        ::unlink(m_path.c_str());
        EXPECT_EQ(test::RunInChild([&] {
                      ::umask(mask);
                      return ReplaceFileAtomically(m_path, "new", false) ? 1 : 0;
                  }),
                  0);
        EXPECT_EQ(test::StatOf(m_path).st_mode & 07777, 0666 & ~mask) << std::oct << mask;
    }
}

TEST_F(FileIOTest, ExistingFileIsReplacedWithItsModeAndOwnerAndNothingLeftBehind) {
    test::WriteFile(m_path, "old content that is longer");
    ASSERT_EQ(::chmod(m_path.c_str(), 0604), 0);
    const bool root = ::geteuid() == 0; // only root can give a file away, and must not take it
    ASSERT_EQ(::chown(m_path.c_str(), root ? 65534 : ::geteuid(), root ? 65534 : ::getegid()), 0);
    const struct stat before = test::StatOf(m_path);
    EXPECT_FALSE(ReplaceFileAtomically(m_path, "new", false));
    EXPECT_EQ(test::ReadFile(m_path), "new");
    const struct stat after = test::StatOf(m_path);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(test::FolderNames(m_dir.Path()), Names{"file"});
}

TEST_F(FileIOTest, MissingFoldersAreMadeOnlyWhenAskedAndPrivate) {
    const std::string path = m_dir / "a/b/file";
    EXPECT_EQ(ReplaceFileAtomically(path, "x", false), std::errc::no_such_file_or_directory);
    EXPECT_FALSE(test::Exists(m_dir / "a"));
    EXPECT_EQ(test::RunInChild([&] {
                  ::umask(0);
                  return ReplaceFileAtomically(path, "x", true) ? 1 : 0;
              }),
              0);
    EXPECT_EQ(test::ReadFile(path), "x");
    EXPECT_EQ(test::StatOf(m_dir / "a/b").st_mode & 07777, 0700);
}

TEST_F(FileIOTest, FileAtTheEndOfAChainOfLinksIsReplaced) {
    test::MakeFolder(m_dir / "real");
    test::WriteFile(m_dir / "real/target", "old");
    // Relative to the folder of the link that holds it, and absolute.
    ASSERT_EQ(::symlink("real/target", (m_dir / "relative").c_str()), 0);
    ASSERT_EQ(::symlink((m_dir / "relative").c_str(), m_path.c_str()), 0);
    EXPECT_FALSE(ReplaceFileAtomically(m_path, "new", false));
    EXPECT_EQ(test::ReadFile(m_dir / "real/target"), "new");
    EXPECT_TRUE(S_ISLNK(test::StatOf(m_path).st_mode));
    EXPECT_TRUE(S_ISLNK(test::StatOf(m_dir / "relative").st_mode));
    EXPECT_EQ(test::FolderNames(m_dir / "real"), Names{"target"});

    // A dangling link gets its file; a loop fails.
    ASSERT_EQ(::symlink("sub/dangling", (m_dir / "d").c_str()), 0);
    EXPECT_FALSE(ReplaceFileAtomically(m_dir / "d", "new", true));
    EXPECT_EQ(test::ReadFile(m_dir / "sub/dangling"), "new");
    ASSERT_EQ(::symlink("loop", (m_dir / "loop").c_str()), 0);
    EXPECT_EQ(ReplaceFileAtomically(m_dir / "loop", "new", true), std::errc::too_many_symbolic_link_levels);
    EXPECT_TRUE(S_ISLNK(test::StatOf(m_dir / "loop").st_mode));
}

TEST_F(FileIOTest, WhatCannotBeReplacedSafelyIsKept) {
    const std::string folder = m_dir / "folder";
    const std::string fifo = m_dir / "fifo";
    test::MakeFolder(folder);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(ReplaceFileAtomically(folder, "new", false), std::errc::is_a_directory);
    EXPECT_TRUE(ReplaceFileAtomically(fifo, "new", false));
    EXPECT_TRUE(S_ISFIFO(test::StatOf(fifo).st_mode));
    test::WriteFile(m_path, "old");
    if (!test::SetImmutable(m_dir.Path(), true)) {
        GTEST_SKIP() << "this file system cannot make a folder immutable";
    }
    const std::error_code error = ReplaceFileAtomically(m_path, "new", false);
    test::SetImmutable(m_dir.Path(), false);
    EXPECT_EQ(error, std::errc::operation_not_permitted);
    EXPECT_EQ(test::ReadFile(m_path), "old");
    EXPECT_EQ(test::FolderNames(m_dir.Path()), (Names{"fifo", "file", "folder"}));
}

} // namespace
