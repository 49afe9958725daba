#include "platform/Error.h"

#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

TEST(ErrorText, WindowsTextsAreOneLineAndUnknownCodesHaveNone) {
    for (const DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION}) {
        const std::string text =
            platform::ErrorText(std::error_code(static_cast<int>(code), std::system_category()));
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
        // A language Windows does not know is the user's own, never nothing.
        EXPECT_EQ(platform::SystemErrorText(static_cast<int>(code), "xx_NOWHERE.UTF-8"), text);
    }
    EXPECT_EQ(platform::SystemErrorText(0x3FFFFFFF, ""), "");
    // errno values keep the C library's texts.
    EXPECT_FALSE(platform::ErrorText(std::make_error_code(std::errc::is_a_directory)).empty());
}
