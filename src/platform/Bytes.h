#pragma once

#include <cstdint>

namespace platform {

// Little-endian fields of byte buffers (char or unsigned char); the callers have checked that
// the bytes are there.
template <class Byte> constexpr uint32_t LoadLe(const Byte* b, int count) {
    uint32_t v = 0;
    for (int i = 0; i < count; ++i) {
        v |= static_cast<uint32_t>(static_cast<uint8_t>(b[i])) << (8 * i);
    }
    return v;
}

template <class Byte> constexpr uint16_t LoadLe16(const Byte* b) {
    return static_cast<uint16_t>(LoadLe(b, 2));
}

template <class Byte> constexpr uint32_t LoadLe32(const Byte* b) {
    return LoadLe(b, 4);
}

template <class Byte> constexpr uint64_t LoadLe64(const Byte* b) {
    return LoadLe32(b) | static_cast<uint64_t>(LoadLe32(b + 4)) << 32;
}

template <class Byte> constexpr void StoreLe32(Byte* b, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[i] = static_cast<Byte>((v >> (8 * i)) & 0xFF);
    }
}

template <class Byte> constexpr void StoreLe64(Byte* b, uint64_t v) {
    StoreLe32(b, static_cast<uint32_t>(v));
    StoreLe32(b + 4, static_cast<uint32_t>(v >> 32));
}

} // namespace platform
