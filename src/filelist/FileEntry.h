#pragma once

#include "platform/FileSystem.h"
#include "platform/SystemTime.h"

#include <cstdint>
#include <string>

// One row of the file list: a path split into folder and name, and the facts last read from
// disk. Owned by its row. The sort keys are made when the texts they order are set, so that
// sorting never converts text.
class FileEntry {
public:
    FileEntry() = default;
    virtual ~FileEntry() = default;
    FileEntry(const FileEntry&) = default;
    FileEntry& operator=(const FileEntry&) = default;

    // Splits a full path by the platform's rule into m_folder and m_name.
    void SetPath(const std::string& path);
    // m_folder followed by m_name.
    std::string GetPath() const { return m_folder + m_name; }
    const std::string& GetName() const { return m_name; }
    const std::string& GetFolder() const { return m_folder; }

    const std::string& GetTypeName() const { return m_typeName; }
    void SetTypeName(const std::string& text);
    const std::string& GetAttrText() const { return m_attrText; }
    void SetAttrText(const std::string& text) { m_attrText = text; }

    int IsFolder() const { return m_isFolder; }
    void SetFolder(int flag) { m_isFolder = flag; }

    // Null when no time is held.
    const SYSTEMTIME* GetCreated() const { return m_hasCreated != 0 ? &m_created : nullptr; }
    // With a pointer: holds a copy. With null: holds none, and the old value stays in place.
    void SetCreated(const SYSTEMTIME* time);
    const SYSTEMTIME* GetUpdated() const { return m_hasUpdated != 0 ? &m_updated : nullptr; }
    void SetUpdated(const SYSTEMTIME* time);

    // The item the facts were read from (device and inode); unknown when they could not be
    // read. A run changes nothing when the path leads elsewhere by then.
    // Whether the path was a symbolic link when the row was read: only then is a link found
    // there followed when the row is changed.
    bool IsLink() const { return m_isLink; }
    void SetLink(bool link) { m_isLink = link; }

    // Bytes. 64-bit: the size of a file of 2 GiB or more is kept whole.
    int64_t GetSize() const { return m_size; }
    void SetSize(int64_t size) { m_size = size; }
    // The size column: "1,024 KB", every started kilobyte counted.
    std::string GetSizeText() const;

    const std::string& NameKey() const { return m_nameKey; }
    const std::string& FolderKey() const { return m_folderKey; }
    const std::string& TypeKey() const { return m_typeKey; }

private:
    int m_isFolder = 0;
    std::string m_name;
    std::string m_folder;
    std::string m_typeName;
    std::string m_attrText;
    int m_hasCreated = 0;
    int m_hasUpdated = 0;
    SYSTEMTIME m_created{};
    SYSTEMTIME m_updated{};
    int64_t m_size = 0;
    bool m_isLink = false;

    std::string m_nameKey;
    std::string m_folderKey;
    std::string m_typeKey;
};

// The size column's text for a byte count: kilobytes rounded up, thousands separated by ",".
std::string SizeText(int64_t bytes);
// A count with its thousands separated by ",", as the size column writes them.
std::string GroupedNumber(uint64_t value);
