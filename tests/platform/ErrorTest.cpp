#include "platform/Error.h"

#include "filelist/FileFacts.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

std::error_code Sys(int code) {
    return {code, std::system_category()};
}

} // namespace

TEST(ErrorText, SystemTextsInTheNamedLocale) {
    EXPECT_EQ(platform::SystemErrorText(EACCES, "C"), "Permission denied");
    EXPECT_EQ(platform::SystemErrorText(EPERM, "ja_JP.UTF-8"), "許可されていない操作です");
    // A locale that is not installed falls back to the user's, never to nothing.
    EXPECT_FALSE(platform::SystemErrorText(ENOENT, "xx_NOWHERE.UTF-8").empty());
    EXPECT_EQ(platform::SystemErrorText(123456, "C"), "");
    EXPECT_EQ(platform::ErrorText(Sys(-5)), "");
}

TEST(ErrorText, OwnConditionsHaveOneLineJapaneseTextsAndAreNoErrno) {
    for (const auto e : {platform::Errc::creation_time_unsupported, platform::Errc::time_not_stored,
                         platform::Errc::invalid_time, platform::Errc::attributes_unsupported,
                         platform::Errc::dos_record_newer, platform::Errc::dos_record_damaged}) {
        const std::string text = platform::ErrorText(e);
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(text.find('\n'), std::string::npos);
        EXPECT_NE(std::error_code(e), Sys(static_cast<int>(e)));
    }
}

TEST(MakeErrorText, PathDashTextNewlineKeepingTheBytesOfTheName) {
    EXPECT_EQ(MakeErrorText("/data/a.txt", platform::Errc::creation_time_unsupported),
              "/data/a.txt - このファイルシステムでは作成日時を変更できません\n");
    EXPECT_EQ(MakeErrorText("/d/\xff", Sys(123456)), "/d/\xff - \n");
}
