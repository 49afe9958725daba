#pragma once

#include "platform/SystemTime.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

// The texts the list's facts take in datemark-cli's tables and JSON lines.

// "R", "H", "A" in their places, "-" where not set: aligned whatever the item has; "???" unknown.
std::string AttributeColumn(const std::optional<uint32_t>& attributes);
// ISO 8601 (FormatTime), "-" for none.
std::string TimeColumn(const std::optional<platform::UtcTime>& time);
// A JSON value: the ISO 8601 text in quotes, or null.
std::string JsonTime(const std::optional<platform::UtcTime>& time);

// "1 file", "1,234 files": the number grouped, the word as many as it counts.
std::string Counted(uint64_t count, const char* one, const char* many);

// Prints the rows to standard output, each column as wide as its widest text and two spaces
// apart; the columns in rightAligned are aligned to the right, the last column is not padded.
void PrintColumns(const std::vector<std::vector<std::string>>& rows,
                  const std::set<size_t>& rightAligned = {});
