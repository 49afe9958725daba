#pragma once

#include <string>
#include <string_view>

// What the version file says, compared with this program's version.
struct VersionOutcome {
    // Empty: no newer release (no usable "Version=" line, or the last one is not newer).
    std::string version;
    // The last "Date=" value of the section; free text, never interpreted.
    std::string date;
};

// The remote version text itself when it is newer than APP_VERSION, else empty. The first three
// "."-separated fields are compared as numbers read the way atoi reads them.
std::string NewerVersionText(std::string_view remote);

// Reads a version file (code page 932 bytes, lines ending in LF, the text ending at its first
// NUL): the "[Datemark]" section's last "Version=" decides, through NewerVersionText.
VersionOutcome ParseVersionFile(std::string_view text);

// The message for a newer release, in UTF-8: dated when the date is not empty. The server's
// texts are decoded from code page 932.
std::string NewerVersionMessage(const VersionOutcome& outcome);

// The fixed texts of the check.
inline constexpr char kVersionCheckCaption[] = "最新ﾊﾞｰｼﾞｮﾝﾁｪｯｸ";
inline constexpr char kNoUpgradeText[] = "ﾊﾞｰｼﾞｮﾝｱｯﾌﾟはありません。";
inline constexpr char kCheckFailedText[] = "ﾊﾞｰｼﾞｮﾝﾁｪｯｸに失敗しました";
