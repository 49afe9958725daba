#pragma once

#include <cstdint>
#include <span>

// The program's menus as template bytes, by resource id.
inline constexpr int IDR_CONTEXT_MENU = 4;

// Empty for an id the program has no menu for.
std::span<const uint8_t> MenuResource(int id);
