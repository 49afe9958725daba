#include "menu/Dib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b.at(at) = static_cast<uint8_t>(v);
    b.at(at + 1) = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) {
        b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
    }
}

// An info header that says it is size bytes long; it has at least the 40 bytes of the fields.
std::vector<uint8_t> InfoHeader(uint32_t bits, uint32_t used, uint32_t size = 40) {
    std::vector<uint8_t> h(std::max<size_t>(size, 40));
    Put32(h, 0, size);
    Put32(h, 4, 16);
    Put32(h, 8, 15);
    Put16(h, 12, 1);
    Put16(h, 14, bits);
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

std::optional<BmpInfo> Read(const std::vector<uint8_t>& file) {
    return ReadBmpInfo(file);
}

} // namespace

TEST(DibColorCount, FollowsTheBitCountWhenNoColoursAreListed) {
    EXPECT_EQ(DibColorCount(InfoHeader(1, 0)), 2);
    EXPECT_EQ(DibColorCount(InfoHeader(4, 0)), 16);
    EXPECT_EQ(DibColorCount(InfoHeader(8, 0)), 256);
    for (const uint32_t bits : {0u, 2u, 3u, 16u, 24u, 32u, 0xFFFFu}) {
        EXPECT_EQ(DibColorCount(InfoHeader(bits, 0)), 0) << bits;
    }
}

TEST(DibColorCount, ListedColoursWinOverTheBitCount) {
    EXPECT_EQ(DibColorCount(InfoHeader(4, 5)), 5);
    EXPECT_EQ(DibColorCount(InfoHeader(8, 16)), 16);
    EXPECT_EQ(DibColorCount(InfoHeader(24, 12)), 12);
    EXPECT_EQ(DibColorCount(InfoHeader(1, 1)), 1);
    EXPECT_EQ(DibColorCount(InfoHeader(4, INT_MAX)), INT_MAX);
    // Beyond an int no palette can be meant.
    EXPECT_EQ(DibColorCount(InfoHeader(4, 0x80000000u)), 0);
    EXPECT_EQ(DibColorCount(InfoHeader(4, 0xFFFFFFFFu)), 0);
}

TEST(DibColorCount, ReadsNothingBeyondTheBytesOrTheHeader) {
    EXPECT_EQ(DibColorCount({}), 0);
    std::vector<uint8_t> h = InfoHeader(4, 0);
    EXPECT_EQ(DibColorCount(std::span(h).first(39)), 0);
    EXPECT_EQ(DibColorCount(std::span(h).first(40)), 16);

    // A later header version is read through its first 40 bytes, if it is all there.
    std::vector<uint8_t> v5 = InfoHeader(8, 0, 124);
    EXPECT_EQ(DibColorCount(v5), 256);
    EXPECT_EQ(DibColorCount(std::span(v5).first(123)), 0);
    // Extra bytes after the header (the palette, the pixels) are no concern.
    h.resize(200, 0xFF);
    EXPECT_EQ(DibColorCount(h), 16);

    // The OS/2 header keeps the bit count elsewhere; a size below 40 is not read as ours.
    for (const uint32_t size : {0u, 12u, 39u}) {
        std::vector<uint8_t> small = InfoHeader(4, 0);
        Put32(small, 0, size);
        EXPECT_EQ(DibColorCount(small), 0) << size;
    }
    std::vector<uint8_t> huge = InfoHeader(4, 0);
    Put32(huge, 0, 0xFFFFFFFFu);
    EXPECT_EQ(DibColorCount(huge), 0);
}

TEST(ReadBmpInfo, ReadsTheFieldsOfAPlainFile) {
    const BmpFile f;
    const auto info = Read(f.Bytes());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, 16);
    EXPECT_EQ(info->height, 15);
    EXPECT_FALSE(info->topDown);
    EXPECT_EQ(info->bitCount, 4);
    EXPECT_EQ(info->colorsUsed, 0u);
    EXPECT_EQ(info->colorCount, 16);
    EXPECT_EQ(info->compression, 0u);
    EXPECT_EQ(info->headerSize, 40u);
    EXPECT_EQ(info->pixelOffset, 118u);
    EXPECT_EQ(info->pixelBytes, 120u);
}

TEST(ReadBmpInfo, TopDownRowsCountAsPositive) {
    BmpFile f;
    f.height = -15;
    const auto info = Read(f.Bytes());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->height, 15);
    EXPECT_TRUE(info->topDown);
}

TEST(ReadBmpInfo, RowsArePaddedToWholeWordsAndMustAllBeThere) {
    BmpFile f;
    f.width = 3;
    f.height = 2;
    f.bits = 24;
    f.tableBytes = 0;
    f.pixelBytes = 24; // 9 bytes a row, padded to 12
    ASSERT_TRUE(Read(f.Bytes()));
    EXPECT_EQ(Read(f.Bytes())->pixelBytes, 24u);
    f.pixelBytes = 23;
    EXPECT_FALSE(Read(f.Bytes()));

    BmpFile mono;
    mono.width = 33; // 33 bits: two words
    mono.height = 1;
    mono.bits = 1;
    mono.tableBytes = size_t{2} * 4;
    mono.pixelBytes = 8;
    EXPECT_TRUE(Read(mono.Bytes()));
    mono.pixelBytes = 7;
    EXPECT_FALSE(Read(mono.Bytes()));

    // Bytes after the pixels are allowed and not counted.
    f.pixelBytes = 100;
    ASSERT_TRUE(Read(f.Bytes()));
    EXPECT_EQ(Read(f.Bytes())->pixelBytes, 24u);
}

TEST(ReadBmpInfo, EveryCutOfAFileBeforeItsLastPixelIsRefused) {
    const std::vector<uint8_t> whole = BmpFile{}.Bytes();
    for (size_t size = 0; size < whole.size(); ++size) {
        EXPECT_FALSE(ReadBmpInfo(std::span(whole).first(size))) << size;
    }
    EXPECT_TRUE(ReadBmpInfo(whole));
}

TEST(ReadBmpInfo, RefusesFieldsNoBitmapCanHave) {
    const auto refused = [](const char* what, auto change) {
        BmpFile f;
        change(f);
        EXPECT_FALSE(Read(f.Bytes())) << what;
    };
    refused("zero width", [](BmpFile& f) { f.width = 0; });
    refused("negative width", [](BmpFile& f) { f.width = -16; });
    refused("zero height", [](BmpFile& f) { f.height = 0; });
    refused("the lowest height", [](BmpFile& f) { f.height = INT32_MIN; });
    refused("too wide", [](BmpFile& f) { f.width = 32768; });
    refused("too high upside down", [](BmpFile& f) { f.height = -32768; });
    refused("a 3-bit depth", [](BmpFile& f) { f.bits = 3; });
    refused("a 2-bit depth", [](BmpFile& f) { f.bits = 2; });
    refused("no depth", [](BmpFile& f) { f.bits = 0; });
    refused("JPEG inside", [](BmpFile& f) { f.compression = 4; });
    refused("8-bit runs on 4 bits", [](BmpFile& f) { f.compression = 1; });
    refused("4-bit runs upside down", [](BmpFile& f) {
        f.compression = 2;
        f.height = -15;
    });
    refused("masks on 24 bits", [](BmpFile& f) {
        f.bits = 24;
        f.compression = 3;
        f.tableBytes = 12;
        f.pixelBytes = size_t{48} * 15;
    });
    refused("more colours than 4 bits address", [](BmpFile& f) {
        f.used = 17;
        f.tableBytes = size_t{17} * 4;
    });
    refused("a palette beyond any int", [](BmpFile& f) { f.used = 0x80000000u; });
    refused("a palette running into the pixels", [](BmpFile& f) { f.tableBytes = size_t{15} * 4; });
    refused("the OS/2 header", [](BmpFile& f) { f.headerSize = 12; });
    refused("a header below 40 bytes", [](BmpFile& f) { f.headerSize = 39; });
}

TEST(ReadBmpInfo, RefusesDamagedFileHeaders) {
    const std::vector<uint8_t> good = BmpFile{}.Bytes();
    const auto with = [&](size_t at, uint32_t value) {
        std::vector<uint8_t> b = good;
        Put32(b, at, value);
        return b;
    };
    std::vector<uint8_t> signature = good;
    signature[1] = 'A';
    EXPECT_FALSE(ReadBmpInfo(signature));
    EXPECT_FALSE(ReadBmpInfo(with(14, 0xFFFFFFFFu))) << "a header longer than the file";
    EXPECT_FALSE(ReadBmpInfo(with(14, static_cast<uint32_t>(good.size() - 13)))) << "one byte too long";
    EXPECT_FALSE(ReadBmpInfo(with(10, 117))) << "pixels over the palette";
    EXPECT_FALSE(ReadBmpInfo(with(10, static_cast<uint32_t>(good.size() + 1)))) << "pixels past the end";
    std::vector<uint8_t> planes = good;
    Put16(planes, 26, 2);
    EXPECT_FALSE(ReadBmpInfo(planes));
    Put16(planes, 26, 0);
    EXPECT_FALSE(ReadBmpInfo(planes));
    // The file size field is often wrong in the wild and is not what says where the file ends.
    EXPECT_TRUE(ReadBmpInfo(with(2, 0)));
}

TEST(ReadBmpInfo, AccountsForMasksAndLaterHeaders) {
    BmpFile masks;
    masks.bits = 16;
    masks.compression = 3;
    masks.tableBytes = 12;
    masks.pixelBytes = size_t{32} * 15;
    EXPECT_TRUE(Read(masks.Bytes()));
    masks.tableBytes = 11; // the pixels would start inside the masks
    masks.pixelBytes += 1;
    EXPECT_FALSE(Read(masks.Bytes()));

    BmpFile v5 = masks;
    v5.headerSize = 124; // the masks are in the header
    v5.tableBytes = 0;
    v5.bits = 32;
    v5.pixelBytes = size_t{64} * 15;
    const auto info = Read(v5.Bytes());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->headerSize, 124u);
    EXPECT_EQ(info->pixelOffset, 138u);

    BmpFile optimised; // true colour with a palette for 256-colour screens
    optimised.bits = 24;
    optimised.used = 3;
    optimised.tableBytes = 12;
    optimised.pixelBytes = size_t{48} * 15;
    ASSERT_TRUE(Read(optimised.Bytes()));
    EXPECT_EQ(Read(optimised.Bytes())->colorCount, 3);
    optimised.tableBytes = 8;
    optimised.pixelBytes += 4;
    EXPECT_FALSE(Read(optimised.Bytes()));
}

TEST(ReadBmpInfo, RunLengthPixelsNeedTheirEndCode) {
    BmpFile runs;
    runs.bits = 8;
    runs.compression = 1;
    runs.tableBytes = size_t{256} * 4;
    runs.pixelBytes = 2;
    const auto info = Read(runs.Bytes());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->pixelBytes, 2u);
    runs.pixelBytes = 1;
    EXPECT_FALSE(Read(runs.Bytes()));
}

TEST(ReadBmpInfo, TakesTheLargestSides) {
    BmpFile wide;
    wide.width = 32767;
    wide.height = -1;
    wide.bits = 1;
    wide.tableBytes = 8;
    wide.pixelBytes = 4096;
    EXPECT_TRUE(Read(wide.Bytes()));
    BmpFile high;
    high.width = 1;
    high.height = -32767;
    high.bits = 1;
    high.tableBytes = 8;
    high.pixelBytes = size_t{4} * 32767;
    EXPECT_TRUE(Read(high.Bytes()));
}
