#pragma once

// Requests and rows as the window makes them, for the tests of the engine.

#include "filelist/Apply.h"
#include "filelist/FileEntry.h"
#include "filelist/FileFacts.h"

#include <string>
#include <string_view>

namespace apply_test {

// 2005-10-12 14:06:42 and 2001-02-03 04:05:06, local time.
constexpr SYSTEMTIME kUpdated{2005, 10, 3, 12, 14, 6, 42, 0};
constexpr SYSTEMTIME kCreated{2001, 2, 6, 3, 4, 5, 6, 0};

// The times asked for, on a folder row's folder and everything below it; attributes: nullptr for
// none, else the letters R, H and A of those to set.
inline ApplyRequest Request(bool updated, bool created = false, const char* attributes = nullptr) {
    ApplyRequest r;
    r.setUpdated = updated ? 1 : 0;
    r.updated = kUpdated;
    r.setCreated = created ? 1 : 0;
    r.created = kCreated;
    r.subFolder = r.folderTarget = 1;
    const std::string_view a = attributes != nullptr ? attributes : "";
    r.setAttributes = attributes != nullptr ? 1 : 0;
    r.readOnly = a.find('R') != a.npos ? 1 : 0;
    r.hidden = a.find('H') != a.npos ? 1 : 0;
    r.archive = a.find('A') != a.npos ? 1 : 0;
    return r;
}

inline FileEntry Row(const std::string& path, bool folder) {
    FileEntry e;
    e.SetPath(path);
    e.SetFolder(folder ? 1 : 0);
    return e;
}

// A row as the list reads it when the path is added.
inline FileEntry Listed(const std::string& path) {
    FileEntry e;
    e.SetPath(path);
    ReadRowFacts(e, FactsRead::Insert);
    return e;
}

} // namespace apply_test
