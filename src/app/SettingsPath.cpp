#include "app/SettingsPath.h"

#include "platform/Path.h"
#include "platform/Process.h"

SettingsLocation ChooseSettingsLocation(const std::string& executablePath, bool folderWritable,
                                        bool fileExists, const std::string& configHome) {
    if (!executablePath.empty() && (folderWritable || fileExists)) {
        return {platform::SplitPath(executablePath).folder + kSettingsFileName, false};
    }
    return {platform::JoinPath(platform::JoinPath(configHome, "Datemark"), kSettingsFileName), true};
}

SettingsLocation ResolveSettingsLocation() {
    const std::string exe = platform::ExecutablePath();
    const std::string folder = platform::SplitPath(exe).folder;
    return ChooseSettingsLocation(exe, platform::IsWritableFolder(folder),
                                  platform::PathExists(folder + kSettingsFileName), platform::ConfigHome());
}
