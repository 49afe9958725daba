#pragma once

#include <string>

// The program's string table.
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDS_VERSIONCHECK = 102;

// The string with this id; empty when there is none.
std::string ResourceString(int id);
