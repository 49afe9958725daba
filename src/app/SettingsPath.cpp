#include "app/SettingsPath.h"

#include "platform/FileIO.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/Profile.h"

namespace {

// What the user set beside the program carries over. A copy made before (or by another instance
// meanwhile) wins; a file that cannot be read leaves the defaults.
void CopyIfMissing(const std::string& from, const std::string& to) {
    std::string bytes;
    if (platform::ReadFileBytes(from, platform::kMaxProfileBytes, bytes)) {
        return;
    }
    [[maybe_unused]] const std::error_code ignored = platform::UpdateFile(
        to, platform::kMaxProfileBytes, platform::CreateFolders::Yes,
        [&](const std::optional<std::string>& old) { return old ? std::nullopt : std::optional(bytes); });
}

} // namespace

SettingsLocation ResolveSettingsLocation(const std::string& executablePath, const std::string& configHome) {
    const std::string fallback =
        platform::JoinPath(platform::JoinPath(configHome, "Datemark"), kSettingsFileName);
    if (!executablePath.empty()) {
        const std::string beside = platform::SplitPath(executablePath).folder + kSettingsFileName;
        if (platform::CanUpdateFile(beside)) {
            return {beside, false};
        }
        CopyIfMissing(beside, fallback);
    }
    return {fallback, true};
}

SettingsLocation ResolveSettingsLocation() {
    return ResolveSettingsLocation(platform::ExecutablePath(), platform::ConfigHome());
}
