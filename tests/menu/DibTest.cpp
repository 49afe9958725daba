#include "menu/Dib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v, size_t bytes = 4) {
    for (size_t i = 0; i < bytes; ++i) {
        b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
    }
}

// An info header that says it is size bytes long; it has at least the 40 bytes of the fields.
std::vector<uint8_t> InfoHeader(uint32_t bits, uint32_t used, uint32_t size = 40) {
    std::vector<uint8_t> h(std::max<size_t>(size, 40));
    Put32(h, 0, size);
    Put32(h, 4, 16);
    Put32(h, 8, 15);
    Put32(h, 12, 1, 2);
    Put32(h, 14, bits, 2);
    Put32(h, 32, used);
    return h;
}

// A whole BMP file: file header, info header, palette entries (and masks), then pixelBytes of
// pixels right after them.
struct BmpFile {
    int32_t width = 16;
    int32_t height = 15;
    uint32_t bits = 4;
    uint32_t used = 0;
    uint32_t compression = 0;
    uint32_t headerSize = 40;
    size_t tableBytes = size_t{16} * 4; // palette and masks
    size_t pixelBytes = size_t{8} * 15;

    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> b(14);
        b[0] = 'B';
        b[1] = 'M';
        std::vector<uint8_t> info = InfoHeader(bits, used, headerSize);
        const size_t offset = 14 + info.size() + tableBytes;
        Put32(info, 4, static_cast<uint32_t>(width));
        Put32(info, 8, static_cast<uint32_t>(height));
        Put32(info, 16, compression);
        b.insert(b.end(), info.begin(), info.end());
        b.resize(offset + pixelBytes, 0x5A);
        Put32(b, 2, static_cast<uint32_t>(b.size()));
        Put32(b, 10, static_cast<uint32_t>(offset));
        return b;
    }
};

} // namespace

TEST(DibColorCount, ListedColoursOrTheBitCountWithinTheHeaderOnly) {
    // Beyond an int no palette is meant.
    const std::vector<uint32_t> bits = {1, 4, 8, 2, 24, 0xFFFF, 4, 24, 4, 4};
    const std::vector<uint32_t> used = {0, 0, 0, 0, 0, 0, 5, 12, INT_MAX, 0x80000000u};
    const std::vector<int> count = {2, 16, 256, 0, 0, 0, 5, 12, INT_MAX, 0};
    for (size_t i = 0; i < bits.size(); ++i) {
        EXPECT_EQ(DibColorCount(InfoHeader(bits[i], used[i])), count[i]) << bits[i] << " " << used[i];
    }
    // Nothing is read beyond the bytes given or the header's own size; a later version is read
    // through its first 40 bytes; the OS/2 header keeps its fields elsewhere.
    std::vector<uint8_t> v5 = InfoHeader(8, 0, 124);
    EXPECT_EQ(DibColorCount(v5), 256);
    EXPECT_EQ(DibColorCount(std::span(v5).first(123)), 0);
    for (const uint32_t size : {12u, 39u, 0xFFFFFFFFu}) {
        Put32(v5, 0, size);
        EXPECT_EQ(DibColorCount(v5), 0) << size;
    }
}

TEST(ReadBmpInfo, ReadsTheFieldsWithRowsPaddedToWholeWords) {
    const auto info = ReadBmpInfo(BmpFile{.height = -15}.Bytes());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->height, 15);
    EXPECT_TRUE(info->topDown);
    EXPECT_EQ(info->colorCount, 16);
    EXPECT_EQ(info->pixelOffset, 118u);
    // 9 bytes a row, padded to 12; bytes after the pixels are not counted.
    const auto padded =
        ReadBmpInfo(BmpFile{.width = 3, .height = 2, .bits = 24, .tableBytes = 0, .pixelBytes = 100}.Bytes());
    ASSERT_TRUE(padded);
    EXPECT_EQ(padded->pixelBytes, 24u);
    EXPECT_FALSE(padded->topDown);
}

TEST(ReadBmpInfo, EveryCutOfAFileBeforeItsLastPixelIsRefused) {
    const std::vector<uint8_t> whole = BmpFile{}.Bytes();
    for (size_t size = 0; size < whole.size(); ++size) {
        EXPECT_FALSE(ReadBmpInfo(std::span(whole).first(size))) << size;
    }
    EXPECT_TRUE(ReadBmpInfo(whole));
}

TEST(ReadBmpInfo, AcceptsOnlyFieldsABitmapCanHave) {
    const std::vector<BmpFile> refused = {
        {.width = 0},
        {.width = 32768},
        {.height = INT32_MIN},
        {.height = -32768},
        {.bits = 3},
        {.compression = 4},                 // JPEG inside
        {.height = -15, .compression = 2},  // runs upside down
        {.used = 17, .tableBytes = 17 * 4}, // more than 4 bits address
        {.used = 0x80000000u},
        {.tableBytes = 15 * 4}, // the palette runs into the pixels
        {.headerSize = 12},     // OS/2
        {.bits = 24, .compression = 3, .tableBytes = 12, .pixelBytes = 720},
        {.bits = 16, .compression = 3, .tableBytes = 11, .pixelBytes = 481},
        {.bits = 8, .compression = 1, .tableBytes = 1024, .pixelBytes = 1},
        {.width = 33, .height = 1, .bits = 1, .tableBytes = 8, .pixelBytes = 7}};
    // Masks after the header or inside a later one, a palette for 256-colour screens on true colour,
    // runs with just their end code, the largest sides.
    const std::vector<BmpFile> accepted = {
        {.bits = 16, .compression = 3, .tableBytes = 12, .pixelBytes = 32 * 15},
        {.bits = 32, .compression = 3, .headerSize = 124, .tableBytes = 0, .pixelBytes = 64 * 15},
        {.bits = 24, .used = 3, .tableBytes = 12, .pixelBytes = 48 * 15},
        {.bits = 8, .compression = 1, .tableBytes = 256 * 4, .pixelBytes = 2},
        {.width = 32767, .height = -1, .bits = 1, .tableBytes = 8, .pixelBytes = 4096},
        {.width = 1, .height = -32767, .bits = 1, .tableBytes = 8, .pixelBytes = 4 * 32767}};
    for (size_t i = 0; i < refused.size(); ++i) {
        EXPECT_FALSE(ReadBmpInfo(refused[i].Bytes())) << "refused " << i;
    }
    for (size_t i = 0; i < accepted.size(); ++i) {
        EXPECT_TRUE(ReadBmpInfo(accepted[i].Bytes())) << "accepted " << i;
    }
    EXPECT_EQ(ReadBmpInfo(accepted[1].Bytes())->pixelOffset, 138u);
    EXPECT_EQ(ReadBmpInfo(accepted[2].Bytes())->colorCount, 3);
}

TEST(ReadBmpInfo, RefusesDamagedFileHeaders) {
    const std::vector<uint8_t> good = BmpFile{}.Bytes();
    const auto with = [&](size_t at, uint32_t value, bool word = false) {
        std::vector<uint8_t> b = good;
        Put32(b, at, value, word ? 2 : 4);
        return ReadBmpInfo(b).has_value();
    };
    EXPECT_FALSE(with(0, 'B' | 'A' << 8, true));
    EXPECT_FALSE(with(14, 0xFFFFFFFFu)) << "a header longer than the file";
    EXPECT_FALSE(with(14, static_cast<uint32_t>(good.size() - 13))) << "one byte too long";
    EXPECT_FALSE(with(10, 117)) << "pixels over the palette";
    EXPECT_FALSE(with(10, static_cast<uint32_t>(good.size() + 1))) << "pixels past the end";
    EXPECT_FALSE(with(26, 2, true)) << "two planes";
    EXPECT_FALSE(with(26, 0, true)) << "no plane";
    // The file size field is often wrong in the wild and is not what says where the file ends.
    EXPECT_TRUE(with(2, 0));
}
