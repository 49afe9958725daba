#pragma once

#include <string>

// Where the settings file lives: "Datemark.ini" in the executable's folder, whatever the
// executable is called. An installed program whose folder cannot be written (and holds no
// settings file yet) keeps its settings in configHome + "/Datemark/Datemark.ini" instead.
struct SettingsLocation {
    std::string path;
    bool createFolders = false; // the fallback folder may not exist yet
};

inline constexpr char kSettingsFileName[] = "Datemark.ini";

// The rule alone, for any executable path; folderWritable and fileExists answer for the
// executable's folder and the settings file in it.
SettingsLocation ChooseSettingsLocation(const std::string& executablePath, bool folderWritable,
                                        bool fileExists, const std::string& configHome);

// The rule for the running program.
SettingsLocation ResolveSettingsLocation();
