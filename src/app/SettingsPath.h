#pragma once

#include <string>

// Where the settings file lives: "Datemark.ini" in the executable's folder, whatever the
// executable is called, as long as this user may write it there (the file itself, or the folder
// where it would be made). Otherwise configHome + "/Datemark/Datemark.ini", which starts as a
// copy of the file beside the executable when there is one and the fallback does not exist yet.
struct SettingsLocation {
    std::string path;
    bool createFolders = false; // the fallback folder may not exist yet
};

inline constexpr char kSettingsFileName[] = "Datemark.ini";

// The rule for an executable at executablePath (empty: unknown); makes the copy on the way.
SettingsLocation ResolveSettingsLocation(const std::string& executablePath, const std::string& configHome);

// The rule for the running program.
SettingsLocation ResolveSettingsLocation();
