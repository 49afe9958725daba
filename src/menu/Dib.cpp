#include "menu/Dib.h"

#include "platform/Bytes.h"

#include <limits>

namespace {

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_RLE8 = 1;
constexpr uint32_t BI_RLE4 = 2;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr int64_t kMaxSide = 32767;

uint16_t U16(std::span<const uint8_t> b, size_t at) {
    return platform::LoadLe16(b.data() + at);
}

uint32_t U32(std::span<const uint8_t> b, size_t at) {
    return platform::LoadLe32(b.data() + at);
}

int32_t I32(std::span<const uint8_t> b, size_t at) {
    return static_cast<int32_t>(U32(b, at));
}

bool KnownDepth(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool CompressionFits(uint32_t compression, int bits, bool topDown) {
    switch (compression) {
    case BI_RGB:
        return true;
    case BI_RLE8:
        return bits == 8 && !topDown; // run-length pixels are always stored bottom-up
    case BI_RLE4:
        return bits == 4 && !topDown;
    case BI_BITFIELDS:
        return bits == 16 || bits == 32;
    default:
        return false; // JPEG and PNG inside a BMP are not for menus
    }
}

} // namespace

int DibColorCount(std::span<const uint8_t> infoHeader) {
    if (infoHeader.size() < kBmpInfoHeaderSize) {
        return 0;
    }
    const uint32_t size = U32(infoHeader, 0);
    if (size < kBmpInfoHeaderSize || size > infoHeader.size()) {
        return 0;
    }
    const uint32_t used = U32(infoHeader, 32);
    if (used != 0) {
        // No file could hold such a palette; calling it none keeps the count an int.
        return used <= static_cast<uint32_t>(std::numeric_limits<int>::max()) ? static_cast<int>(used) : 0;
    }
    switch (U16(infoHeader, 14)) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

std::optional<BmpInfo> ReadBmpInfo(std::span<const uint8_t> file) {
    const uint64_t fileSize = file.size();
    if (fileSize < kBmpFileHeaderSize + kBmpInfoHeaderSize || file[0] != 'B' || file[1] != 'M') {
        return std::nullopt;
    }
    const std::span<const uint8_t> header = file.subspan(kBmpFileHeaderSize);
    BmpInfo info;
    info.headerSize = U32(header, 0);
    if (info.headerSize < kBmpInfoHeaderSize || kBmpFileHeaderSize + info.headerSize > fileSize) {
        return std::nullopt;
    }
    const int64_t width = I32(header, 4);
    const int64_t height = I32(header, 8); // 64 bits: the negation of INT32_MIN must not overflow
    info.topDown = height < 0;
    info.bitCount = U16(header, 14);
    info.compression = U32(header, 16);
    info.colorsUsed = U32(header, 32);
    info.colorCount = DibColorCount(header);
    if (width <= 0 || width > kMaxSide || height == 0 || height < -kMaxSide || height > kMaxSide ||
        U16(header, 12) != 1 || !KnownDepth(info.bitCount) ||
        !CompressionFits(info.compression, info.bitCount, info.topDown)) {
        return std::nullopt;
    }
    info.width = static_cast<int>(width);
    info.height = static_cast<int>(info.topDown ? -height : height);
    if (info.colorsUsed != 0 && info.colorCount == 0) {
        return std::nullopt; // a palette longer than any int counts
    }
    if (info.bitCount <= 8 && info.colorCount > (1 << info.bitCount)) {
        return std::nullopt; // more entries than the pixels can address
    }

    // The three colour masks follow a plain info header; the later headers hold them.
    const uint64_t masks = info.compression == BI_BITFIELDS && info.headerSize == kBmpInfoHeaderSize ? 12 : 0;
    const uint64_t paletteEnd =
        kBmpFileHeaderSize + info.headerSize + masks + static_cast<uint64_t>(info.colorCount) * 4;
    info.pixelOffset = U32(file, 10);
    if (info.pixelOffset < paletteEnd || info.pixelOffset > fileSize) {
        return std::nullopt;
    }
    const uint64_t available = fileSize - info.pixelOffset;
    if (info.compression == BI_RLE8 || info.compression == BI_RLE4) {
        if (available < 2) {
            return std::nullopt; // not even the end-of-bitmap code
        }
        info.pixelBytes = static_cast<size_t>(available);
        return info;
    }
    // Rows are padded to whole 32-bit words; the sides are capped, so this cannot overflow.
    const uint64_t stride = (static_cast<uint64_t>(info.width) * info.bitCount + 31) / 32 * 4;
    const uint64_t pixels = stride * static_cast<uint64_t>(info.height);
    if (pixels > available) {
        return std::nullopt;
    }
    info.pixelBytes = static_cast<size_t>(pixels);
    return info;
}
