#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// Reading the headers of BMP files (device-independent bitmaps) without trusting them: every
// field is checked against the bytes that are really there.

// BITMAPFILEHEADER: "BM", the file size, two reserved words and the offset of the pixels.
inline constexpr size_t kBmpFileHeaderSize = 14;
// BITMAPINFOHEADER, the shortest info header read here; the later versions only add to it.
inline constexpr size_t kBmpInfoHeaderSize = 40;

// The number of palette entries an info header announces: biClrUsed when it is not 0,
// otherwise 2, 16 or 256 for 1, 4 or 8 bits per pixel and 0 for any other depth. 0 as well
// when the bytes are shorter than the header, or than the size its biSize gives, or biSize is
// below 40 (the old OS/2 header keeps its fields elsewhere).
int DibColorCount(std::span<const uint8_t> infoHeader);

struct BmpInfo {
    int width = 0;
    int height = 0;       // rows, whichever way they are stored
    bool topDown = false; // a negative biHeight: the first row is the top one
    int bitCount = 0;
    uint32_t colorsUsed = 0; // biClrUsed as written
    int colorCount = 0;      // DibColorCount of the info header
    uint32_t compression = 0;
    size_t headerSize = 0;  // biSize
    size_t pixelOffset = 0; // bfOffBits
    // The length of the uncompressed pixel rows; for run-length encoded pixels, what follows
    // the offset.
    size_t pixelBytes = 0;
};

// The header fields of a whole BMP file; nothing when the signature, a header, the palette or
// the pixels do not fit the file, or when a field holds a value no bitmap can have. Pictures
// wider or higher than 32767 pixels are refused as well: none of the program's comes near.
std::optional<BmpInfo> ReadBmpInfo(std::span<const uint8_t> file);
