#include "filelist/FileEntry.h"

#include "platform/Path.h"
#include "platform/TextCodec.h"

void FileEntry::SetPath(const std::string& path) {
    auto split = platform::SplitPath(path);
    m_folder = std::move(split.folder);
    m_name = std::move(split.name);
    m_nameKey = platform::Cp932SortKey(m_name);
    m_folderKey = platform::Cp932SortKey(m_folder);
}

void FileEntry::SetTypeName(const std::string& text) {
    m_typeName = text;
    m_typeKey = platform::Cp932SortKey(text);
}

void FileEntry::SetCreated(const SYSTEMTIME* time) {
    if (time != nullptr) {
        m_created = *time;
        m_hasCreated = 1;
    } else {
        m_hasCreated = 0;
    }
}

void FileEntry::SetUpdated(const SYSTEMTIME* time) {
    if (time != nullptr) {
        m_updated = *time;
        m_hasUpdated = 1;
    } else {
        m_hasUpdated = 0;
    }
}

std::string FileEntry::GetSizeText() const {
    return SizeText(m_size);
}

std::string GroupedNumber(uint64_t value) {
    const std::string digits = std::to_string(value);
    std::string text;
    text.reserve(digits.size() + digits.size() / 3);
    for (size_t i = 0; i < digits.size(); ++i) {
        text.push_back(digits[i]);
        const size_t rest = digits.size() - i - 1;
        if (rest > 0 && rest % 3 == 0) {
            text.push_back(',');
        }
    }
    return text;
}

std::string SizeText(int64_t bytes) {
    const int64_t kb = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    const uint64_t magnitude = kb < 0 ? 0 - static_cast<uint64_t>(kb) : static_cast<uint64_t>(kb);
    return (kb < 0 ? "-" : "") + GroupedNumber(magnitude) + " KB";
}
