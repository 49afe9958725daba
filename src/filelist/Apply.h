#pragma once

#include "platform/SystemTime.h"

#include <optional>
#include <string>

// What one press of the update command asks for. Built by the main window from its controls,
// passed by reference down the whole run; failures collect in log, one line each.
struct ApplyRequest {
    int setCreated = 0;
    int setUpdated = 0;
    int setAttributes = 0;
    SYSTEMTIME created{}; // local time; read only when setCreated
    SYSTEMTIME updated{}; // local time; read only when setUpdated
    int readOnly = 0;     // read only when setAttributes
    int hidden = 0;
    int archive = 0;
    int subFolder = 0;    // walk into everything below a folder row
    int folderTarget = 0; // folders themselves are changed
    int showResult = 0;   // used by the caller only
    std::string log;

    // The two times in UTC, converted once per run rather than once per file. Keyed by the
    // local values, so a request changed between runs converts afresh.
    struct Converted {
        SYSTEMTIME from{};
        std::optional<platform::UtcTime> utc;
    };
    Converted createdUtc;
    Converted updatedUtc;
};

class FileEntry;

// Applies the request to one file: the times first, then the attributes. A failure writes one
// line and ends the work on this file, with one exception: where only the creation time cannot
// be stored, the line is written and the attributes are still set.
// 1 when everything asked for succeeded, else 0.
int ApplyToFile(const std::string& path, ApplyRequest& request);

// The same for a folder itself; without folderTarget it leaves the folder alone and returns 1.
int ApplyToFolder(const std::string& path, ApplyRequest& request);

// Everything below a folder, depth first, each subfolder before its contents, in the order the
// file system lists them. Symbolic links inside are neither followed nor changed, no folder is
// entered twice, nothing that could block is opened, and only the file system limits the depth.
// A folder that cannot be listed is passed over without a line. Always 1.
int ApplyToTree(const std::string& folder, ApplyRequest& request);

// What a row of the list gets: a folder itself (ApplyToFolder) and, with subFolder and anything
// to do, everything below it (ApplyToTree), the walk going on whether or not the folder itself
// succeeded; a file by ApplyToFile.
void ApplyToEntry(const FileEntry& entry, ApplyRequest& request);
