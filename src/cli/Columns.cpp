#include "cli/Columns.h"

#include "cli/TimeArgs.h"
#include "filelist/FileEntry.h"
#include "filelist/FileFacts.h"

#include <algorithm>
#include <cstdio>

std::string AttributeColumn(const std::optional<uint32_t>& attributes) {
    if (!attributes) {
        return "???";
    }
    const std::string letters = AttributeLetters(*attributes);
    std::string column = "---";
    for (const char c : letters) {
        column[c == 'R' ? 0 : c == 'H' ? 1 : 2] = c;
    }
    return column;
}

std::string TimeColumn(const std::optional<platform::UtcTime>& time) {
    const std::string text = time ? FormatTime(*time) : std::string();
    return text.empty() ? "-" : text;
}

std::string JsonTime(const std::optional<platform::UtcTime>& time) {
    const std::string text = time ? FormatTime(*time) : std::string();
    return text.empty() ? "null" : "\"" + text + "\"";
}

std::string Counted(uint64_t count, const char* one, const char* many) {
    return GroupedNumber(count) + " " + (count == 1 ? one : many);
}

namespace {

// Columns other than the last hold ASCII and narrow signs ("→"): one column per character.
size_t Width(const std::string& text) {
    return static_cast<size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

} // namespace

void PrintColumns(const std::vector<std::vector<std::string>>& rows, const std::set<size_t>& rightAligned) {
    std::vector<size_t> width;
    for (const auto& row : rows) {
        width.resize(std::max(width.size(), row.size()));
        for (size_t i = 0; i < row.size(); ++i) {
            width[i] = std::max(width[i], Width(row[i]));
        }
    }
    for (const auto& row : rows) {
        std::string line;
        for (size_t i = 0; i + 1 < row.size(); ++i) {
            const std::string pad(width[i] - Width(row[i]), ' ');
            line += (rightAligned.count(i) != 0 ? pad + row[i] : row[i] + pad) + "  ";
        }
        line += row.empty() ? std::string() : row.back();
        std::fputs((line + "\n").c_str(), stdout);
    }
}
