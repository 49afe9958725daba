#include "platform/Error.h"

#include <gtest/gtest.h>

#include <cerrno>

TEST(ErrorText, SystemTextsInTheNamedLocale) {
    EXPECT_EQ(platform::SystemErrorText(EACCES, "C"), "Permission denied");
    EXPECT_EQ(platform::SystemErrorText(EPERM, "ja_JP.UTF-8"), "許可されていない操作です");
    // A locale that is not installed falls back to the user's, never to nothing.
    EXPECT_FALSE(platform::SystemErrorText(ENOENT, "xx_NOWHERE.UTF-8").empty());
    EXPECT_EQ(platform::SystemErrorText(123456, "C"), "");
    EXPECT_EQ(platform::ErrorText(std::error_code(-5, std::system_category())), "");
}
