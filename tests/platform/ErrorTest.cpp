#include "platform/Error.h"

#include "filelist/FileFacts.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

std::error_code Sys(int code) {
    return {code, std::system_category()};
}

} // namespace

TEST(ErrorText, OwnConditionsHaveOneLineJapaneseTextsAndAreNoErrno) {
    for (int code = 1; code <= static_cast<int>(platform::Errc::item_missing); ++code) {
        const auto e = static_cast<platform::Errc>(code);
        const std::string text = platform::ErrorText(e);
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(text.find('\n'), std::string::npos);
        EXPECT_NE(std::error_code(e), Sys(static_cast<int>(e)));
    }
}

TEST(MakeErrorText, PathDashTextNewlineKeepingTheBytesOfTheNameButNoLineOfItsOwn) {
    EXPECT_EQ(MakeErrorText("/data/a.txt", platform::Errc::creation_time_unsupported),
              "/data/a.txt - このファイルシステムでは作成日時を変更できません\n");
    EXPECT_EQ(MakeErrorText("/d/\xff", Sys(123456)), "/d/\xff - \n");
    // A name can never make a line of its own.
    const std::error_code eperm = Sys(EPERM);
    const std::string text = " - " + platform::ErrorText(eperm) + "\n";
    for (const auto& [path, shown] :
         {std::pair<std::string, std::string>{"/d/evil\nfake line", "/d/evil\\x0afake line"},
          {"/d/a\rb\tc\x7f", "/d/a\\x0db\\x09c\\x7f"},
          {"/d/\xc2\x85|\xe2\x80\xa8|\xe2\x80\xa9", "/d/\\u0085|\\u2028|\\u2029"},
          {"/d/日本\xe2\x80\xa7", "/d/日本\xe2\x80\xa7"}}) {
        EXPECT_EQ(MakeErrorText(path, eperm), shown + text);
    }
    EXPECT_EQ(MakeErrorText("/d/x", platform::Errc::contents_skipped, Sys(EACCES)),
              "/d/x - " + platform::ErrorText(platform::Errc::contents_skipped) + ": " +
                  platform::ErrorText(Sys(EACCES)) + "\n");
}
