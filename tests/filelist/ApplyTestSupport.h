#pragma once

// Requests and rows as the window makes them, for the tests of the engine.

#include "filelist/Apply.h"
#include "filelist/FileEntry.h"
#include "filelist/FileFacts.h"
#include "platform/ItemTestSupport.h"
#include "support/TestSupport.h"

#include <filesystem>
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

// The lines a request applied to one row writes.
inline std::string LogOf(const FileEntry& row, ApplyRequest r) {
    ApplyToEntry(row, r);
    return r.log;
}

// A row as the list reads it when the path is added.
inline FileEntry Listed(const std::string& path) {
    FileEntry e;
    e.SetPath(path);
    ReadRowFacts(e, FactsRead::Insert);
    return e;
}

// A tree below its root folder (the first item), written with '/' for the system's separator.
inline constexpr const char* kTree[] = {"",       "/sub",       "/sub/deeper",
                                        "/a.txt", "/sub/b.txt", "/sub/deeper/c.txt"};

// The path of one of kTree's items below root.
inline std::string InTree(const std::string& root, std::string_view item) {
    return std::filesystem::path(root + std::string(item)).make_preferred().string();
}

// Makes kTree at root, every item with the same old last-write time.
inline void MakeTree(const std::string& root) {
    const platform::UtcTime old{1000000000, 0};
    for (const char* item : kTree) {
        std::string_view(item).find('.') != std::string_view::npos ? test::WriteFile(InTree(root, item), "")
                                                                   : test::MakeFolder(InTree(root, item));
    }
    for (const char* item : kTree) {
        EXPECT_FALSE(platform::SetFileTimes(test::OpenItem(InTree(root, item)), nullptr, &old)) << item;
    }
}

// Which of kTree's items at root now carry the new last-write time, '1' or '0' each in its order.
inline std::string Changed(const std::string& root) {
    const platform::UtcTime wanted = *platform::LocalToUtc(kUpdated);
    std::string changed;
    for (const char* item : kTree) {
        changed += test::Query(InTree(root, item)).updated == wanted ? '1' : '0';
    }
    return changed;
}

} // namespace apply_test
