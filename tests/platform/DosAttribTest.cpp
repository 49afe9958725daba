#include "platform/DosAttrib.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

void Put(std::string& s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

// A binary record as Samba writes it: text, NUL, version, switch value, then the structure.
std::string Record(const std::string& text, uint16_t version, uint32_t attrib, const std::string& tail,
                   uint32_t validFlags = 0x11) {
    std::string s = text;
    s.resize((s.size() + 2) / 2 * 2, '\0'); // NUL, then aligned
    Put(s, version, 2);
    Put(s, version, 2);
    s.resize((s.size() + 3) / 4 * 4, '\0');
    if (version >= 2) {
        Put(s, version >= 3 ? validFlags : 0, 4); // flags / valid_flags
    }
    Put(s, attrib, 4);
    s += tail;
    return s;
}

const std::string kTimes =
    std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x11\x12\x13\x14\x15\x16\x17\x18", 16);

} // namespace

TEST(DosAttrib, ReadsTheBinaryFieldOrElseTheText) {
    std::string cut = Record("0x20", 4, 0x1, "");
    cut.resize(cut.size() - 2);
    std::string mismatch = Record("0x20", 4, 0x1, kTimes);
    mismatch[8] = 5; // the switch value no longer repeats the version
    // Newer versions may carry no text at all; a damaged binary part leaves the text.
    const std::vector<std::string> records = {"0x20",
                                              std::string("0x22\0", 5),
                                              "0X2",
                                              "0x2z",
                                              "0x",
                                              "20",
                                              "",
                                              Record("0x20", 1, 0x20, kTimes),
                                              Record("0x21", 3, 0x21, kTimes),
                                              Record("0x1", 4, 0x2, kTimes),
                                              Record("", 5, 0x2, kTimes),
                                              Record("0x20", 9, 0x1, kTimes),
                                              cut,
                                              mismatch};
    const std::vector<std::optional<uint32_t>> read = {0x20,         0x22,         0x2,  0x2,  std::nullopt,
                                                       std::nullopt, std::nullopt, 0x20, 0x21, 0x2,
                                                       0x2,          0x20,         0x20, 0x20};
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(platform::ParseDosAttrib(records[i]), read[i]) << ::testing::PrintToString(records[i]);
    }
}

TEST(DosAttrib, NewValuesAreTextWithNul) {
    EXPECT_EQ(platform::EncodeDosAttrib("", 0x22), std::string("0x22\0", 5));
    EXPECT_EQ(platform::EncodeDosAttrib("0x20", 0), std::string("0x0\0", 4));
    EXPECT_EQ(platform::ParseDosAttrib(platform::EncodeDosAttrib("junk", 0x2006)), 0x2006U);
}

TEST(DosAttrib, PatchingABinaryRecordKeepsEveryOtherField) {
    for (const uint16_t version : {uint16_t{1}, uint16_t{3}, uint16_t{4}, uint16_t{5}}) {
        const std::string old = Record("0x20", version, 0x20, kTimes);
        // "0x2022" is longer than "0x20": the fields move and must stay aligned.
        const std::string patched = platform::EncodeDosAttrib(old, 0x2022);
        EXPECT_EQ(patched, Record("0x2022", version, 0x2022, kTimes)) << version;
        EXPECT_EQ(platform::EncodeDosAttrib(patched, 0x1), Record("0x1", version, 0x1, kTimes)) << version;
    }
}

TEST(DosAttrib, PatchingMarksTheAttributeFieldValid) {
    const std::string old = Record("", 4, 0, kTimes, 0x10); // only the creation time valid
    const std::string patched = platform::EncodeDosAttrib(old, 0x2);
    EXPECT_EQ(patched.substr(0, 1), std::string(1, '\0'));   // no text before, none after
    EXPECT_EQ(static_cast<unsigned char>(patched[8]), 0x11); // create time + attribute valid
    EXPECT_EQ(platform::ParseDosAttrib(patched), 0x2U);
}
