// Reads arbitrary bytes as a BMP file and checks that whatever is accepted holds together.
#include "FuzzCheck.h"
#include "menu/Dib.h"

#include <cstdint>
#include <span>

namespace {

bool Same(const BmpInfo& a, const BmpInfo& b) {
    return a.width == b.width && a.height == b.height && a.topDown == b.topDown && a.bitCount == b.bitCount &&
           a.colorsUsed == b.colorsUsed && a.colorCount == b.colorCount && a.compression == b.compression &&
           a.headerSize == b.headerSize && a.pixelOffset == b.pixelOffset && a.pixelBytes == b.pixelBytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> file(data, size);
    Check(DibColorCount(file) >= 0, "a negative colour count");
    if (size >= kBmpFileHeaderSize) {
        Check(DibColorCount(file.subspan(kBmpFileHeaderSize)) >= 0, "a negative colour count");
    }
    const auto info = ReadBmpInfo(file);
    if (!info) {
        return 0;
    }
    Check(file[0] == 'B' && file[1] == 'M', "no signature");
    Check(info->width >= 1 && info->width <= 32767 && info->height >= 1 && info->height <= 32767,
          "a side out of range");
    const int bits = info->bitCount;
    Check(bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32, "an unknown depth");
    Check(info->colorCount == DibColorCount(file.subspan(kBmpFileHeaderSize)),
          "the count differs from the header's");
    Check(info->colorCount >= 0 && (bits > 8 || info->colorCount <= (1 << bits)), "too many colours");
    Check(info->headerSize >= kBmpInfoHeaderSize && kBmpFileHeaderSize + info->headerSize <= size,
          "the header leaves the file");
    Check(info->pixelOffset >=
              kBmpFileHeaderSize + info->headerSize + static_cast<size_t>(info->colorCount) * 4,
          "the pixels start inside the palette");
    Check(info->pixelOffset <= size && info->pixelBytes <= size - info->pixelOffset,
          "the pixels leave the file");

    // Nothing after the pixels matters; a file cut inside rows that are not run-length encoded
    // is refused.
    const size_t end = info->pixelOffset + info->pixelBytes;
    const auto whole = ReadBmpInfo(file.first(end));
    Check(whole && Same(*whole, *info), "bytes after the pixels changed the reading");
    if (info->compression == 0 || info->compression == 3) {
        Check(info->pixelBytes > 0, "no pixels");
        Check(!ReadBmpInfo(file.first(end - 1)), "a cut file was accepted");
    }
    return 0;
}
