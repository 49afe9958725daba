// Whole files and record files with the wide-character calls.
#include "platform/FileIO.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowsFileIO, ReadsRefuseWhatIsNoFileOrTooBig) {
    test::TempDir dir;
    test::WriteFile(dir / "a.txt", "12345");
    std::string out;
    EXPECT_FALSE(platform::ReadFileBytes(dir / "a.txt", 5, out));
    EXPECT_EQ(out, "12345");
    EXPECT_EQ(platform::ReadFileBytes(dir / "a.txt", 4, out), std::errc::file_too_large);
    EXPECT_EQ(platform::ReadFileBytes(dir / "gone.txt", 4, out), std::errc::no_such_file_or_directory);
    EXPECT_EQ(platform::ReadFileBytes(dir.Path(), 4, out), std::errc::is_a_directory);
}

TEST(WindowsFileIO, RecordsAreAppendedToANewFileOnly) {
    test::TempDir dir;
    const std::string path = dir / "runs\\one.log";
    std::error_code error;
    auto file = platform::AppendFile::Create(path, platform::CreateFolders::Yes, 1 << 20, error);
    ASSERT_TRUE(file) << error.message();
    EXPECT_FALSE(file->Append("first\n"));
    EXPECT_FALSE(file->Sync());
    EXPECT_FALSE(file->Append("second\n"));
    EXPECT_FALSE(file->Close());
    EXPECT_EQ(test::ReadFile(path), "first\nsecond\n");
    EXPECT_FALSE(platform::AppendFile::Create(path, platform::CreateFolders::No, 0, error));
    EXPECT_EQ(error, std::errc::file_exists);

    std::vector<std::string> names;
    ASSERT_FALSE(platform::ListFolder(dir / "runs", names));
    EXPECT_EQ(names, std::vector<std::string>{"one.log"});
    EXPECT_FALSE(platform::RemoveFile(path));
    EXPECT_EQ(platform::RemoveFile(path), std::errc::no_such_file_or_directory);
}

} // namespace
