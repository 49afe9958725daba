#include "platform/FileIO.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::string_literals;
using platform::ReadFileBytes;
using platform::ReplaceFileAtomically;

class ReadFileBytesTest : public ::testing::Test {
protected:
    test::TempDir m_dir;
    std::string m_path = m_dir / "file";
    std::string m_out = "stale";
};

TEST_F(ReadFileBytesTest, ReadsEveryByte) {
    const std::string bytes = "a\0b\r\n\xff\x80 end"s;
    test::WriteFile(m_path, bytes);
    EXPECT_FALSE(ReadFileBytes(m_path, 1024, m_out));
    EXPECT_EQ(m_out, bytes);
    test::WriteFile(m_path, "");
    EXPECT_FALSE(ReadFileBytes(m_path, 0, m_out));
    EXPECT_EQ(m_out, "");
}

TEST_F(ReadFileBytesTest, MissingFileOrFolderIsNoSuchFile) {
    EXPECT_EQ(ReadFileBytes(m_path, 1024, m_out), std::errc::no_such_file_or_directory);
    EXPECT_EQ(ReadFileBytes(m_dir / "no/file", 1024, m_out), std::errc::no_such_file_or_directory);
    EXPECT_EQ(m_out, "");
}

TEST_F(ReadFileBytesTest, LimitIsTheLargestSizeRead) {
    test::WriteFile(m_path, "12345");
    EXPECT_FALSE(ReadFileBytes(m_path, 5, m_out));
    EXPECT_EQ(m_out, "12345");
    EXPECT_EQ(ReadFileBytes(m_path, 4, m_out), std::errc::file_too_large);
    EXPECT_EQ(m_out, "");
}

TEST_F(ReadFileBytesTest, RefusesWhatIsNoRegularFileWithoutBlocking) {
    ASSERT_EQ(::mkfifo(m_path.c_str(), 0644), 0);
    EXPECT_TRUE(ReadFileBytes(m_path, 1024, m_out));
    EXPECT_EQ(ReadFileBytes(m_dir.Path(), 1024, m_out), std::errc::is_a_directory);
    EXPECT_TRUE(ReadFileBytes("/dev/null", 1024, m_out));
}

TEST_F(ReadFileBytesTest, FollowsSymbolicLinks) {
    test::WriteFile(m_dir / "target", "content");
    ASSERT_EQ(::symlink("target", m_path.c_str()), 0);
    EXPECT_FALSE(ReadFileBytes(m_path, 1024, m_out));
    EXPECT_EQ(m_out, "content");
}

class ReplaceFileTest : public ::testing::Test {
protected:
    test::TempDir m_dir;
    std::string m_path = m_dir / "file";
};

TEST_F(ReplaceFileTest, NewFileGetsTheModeTheUmaskAllows) {
    for (const mode_t mask : {mode_t{027}, mode_t{077}, mode_t{0}}) {
        ::unlink(m_path.c_str());
        const int result = test::RunInChild([&] {
            ::umask(mask);
            return ReplaceFileAtomically(m_path, "new", false) ? 1 : 0;
        });
        EXPECT_EQ(result, 0);
        EXPECT_EQ(test::StatOf(m_path).st_mode & 07777, 0666 & ~mask) << std::oct << mask;
        EXPECT_EQ(test::ReadFile(m_path), "new");
    }
}

TEST_F(ReplaceFileTest, ExistingFileIsReplacedWithItsModeAndNothingLeftBehind) {
    test::WriteFile(m_path, "old content that is longer");
    ASSERT_EQ(::chmod(m_path.c_str(), 0604), 0);
    const ino_t before = test::StatOf(m_path).st_ino;
    EXPECT_FALSE(ReplaceFileAtomically(m_path, "new", false));
    EXPECT_EQ(test::ReadFile(m_path), "new");
    EXPECT_EQ(test::StatOf(m_path).st_mode & 07777, 0604);
    EXPECT_NE(test::StatOf(m_path).st_ino, before);
    EXPECT_FALSE(ReplaceFileAtomically(m_path, "", false));
    EXPECT_EQ(test::ReadFile(m_path), "");
    EXPECT_EQ(test::FolderNames(m_dir.Path()), std::vector<std::string>{"file"});
}

TEST_F(ReplaceFileTest, MissingFoldersAreMadeOnlyWhenAsked) {
    const std::string path = m_dir / "a/b/file";
    EXPECT_EQ(ReplaceFileAtomically(path, "x", false), std::errc::no_such_file_or_directory);
    EXPECT_FALSE(test::Exists(m_dir / "a"));
    const int result = test::RunInChild([&] {
        ::umask(0);
        return ReplaceFileAtomically(path, "x", true) ? 1 : 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(test::ReadFile(path), "x");
    EXPECT_EQ(test::StatOf(m_dir / "a").st_mode & 07777, 0700);
    EXPECT_EQ(test::StatOf(m_dir / "a/b").st_mode & 07777, 0700);
}

TEST_F(ReplaceFileTest, FileAtTheEndOfAChainOfLinksIsReplaced) {
    test::MakeFolder(m_dir / "real");
    const std::string target = m_dir / "real/target";
    test::WriteFile(target, "old");
    // Relative to the folder of the link that holds it, and absolute.
    ASSERT_EQ(::symlink("real/target", (m_dir / "relative").c_str()), 0);
    ASSERT_EQ(::symlink((m_dir / "relative").c_str(), m_path.c_str()), 0);

    EXPECT_FALSE(ReplaceFileAtomically(m_path, "new", false));
    EXPECT_EQ(test::ReadFile(target), "new");
    EXPECT_TRUE(S_ISLNK(test::StatOf(m_path).st_mode));
    EXPECT_TRUE(S_ISLNK(test::StatOf(m_dir / "relative").st_mode));
    EXPECT_EQ(test::FolderNames(m_dir.Path()), (std::vector<std::string>{"file", "real", "relative"}));
    EXPECT_EQ(test::FolderNames(m_dir / "real"), std::vector<std::string>{"target"});
}

TEST_F(ReplaceFileTest, DanglingLinkGetsItsFile) {
    ASSERT_EQ(::symlink("sub/target", m_path.c_str()), 0);
    EXPECT_FALSE(ReplaceFileAtomically(m_path, "new", true));
    EXPECT_EQ(test::ReadFile(m_dir / "sub/target"), "new");
    EXPECT_TRUE(S_ISLNK(test::StatOf(m_path).st_mode));
}

TEST_F(ReplaceFileTest, LinkLoopFails) {
    ASSERT_EQ(::symlink("b", (m_dir / "a").c_str()), 0);
    ASSERT_EQ(::symlink("a", (m_dir / "b").c_str()), 0);
    EXPECT_EQ(ReplaceFileAtomically(m_dir / "a", "new", true), std::errc::too_many_symbolic_link_levels);
    EXPECT_EQ(test::FolderNames(m_dir.Path()), (std::vector<std::string>{"a", "b"}));
}

TEST_F(ReplaceFileTest, WhatIsNoRegularFileIsNotReplaced) {
    test::MakeFolder(m_path);
    EXPECT_EQ(ReplaceFileAtomically(m_path, "new", false), std::errc::is_a_directory);
    EXPECT_TRUE(S_ISDIR(test::StatOf(m_path).st_mode));
    const std::string fifo = m_dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_TRUE(ReplaceFileAtomically(fifo, "new", false));
    EXPECT_TRUE(S_ISFIFO(test::StatOf(fifo).st_mode));
}

TEST_F(ReplaceFileTest, ImmutableFolderFailsAndKeepsTheFile) {
    test::WriteFile(m_path, "old");
    if (!test::SetImmutable(m_dir.Path(), true)) {
        GTEST_SKIP() << "this file system cannot make a folder immutable";
    }
    const std::error_code error = ReplaceFileAtomically(m_path, "new", false);
    test::SetImmutable(m_dir.Path(), false);
    EXPECT_EQ(error, std::errc::operation_not_permitted);
    EXPECT_EQ(test::ReadFile(m_path), "old");
    EXPECT_EQ(test::FolderNames(m_dir.Path()), std::vector<std::string>{"file"});
}

TEST_F(ReplaceFileTest, FileSizeLimitFailsWithoutLeavingATemporaryFile) {
    test::WriteFile(m_path, "old");
    const int result = test::RunInChild([&] {
        if (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR) {
            return 91;
        }
        rlimit size{};
        ::getrlimit(RLIMIT_FSIZE, &size);
        size.rlim_cur = 1000;
        if (::setrlimit(RLIMIT_FSIZE, &size) != 0) {
            return 90;
        }
        const std::error_code error = ReplaceFileAtomically(m_path, std::string(5000, 'x'), false);
        return error == std::errc::file_too_large ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(test::ReadFile(m_path), "old");
    EXPECT_EQ(test::FolderNames(m_dir.Path()), std::vector<std::string>{"file"});
}

} // namespace
