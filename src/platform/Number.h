#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

// Reads a number as the Windows C runtime's atoi does: leading white space, one sign, decimal
// digits up to the first other character; no digits give 0. Out of range it saturates at the
// 32-bit limits instead of wrapping, so a huge field never reads as a small one.
int32_t Atoi(std::string_view text);

} // namespace platform
