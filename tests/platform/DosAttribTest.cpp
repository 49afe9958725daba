#include "platform/DosAttrib.h"

#include <gtest/gtest.h>

namespace {

void PutU16(std::string& s, uint16_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
}

void PutU32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

void Align(std::string& s, size_t n) {
    while (s.size() % n != 0) {
        s.push_back('\0');
    }
}

// A binary record as Samba writes it: text, NUL, version, switch value, then the structure.
std::string Record(const std::string& text, uint16_t version, uint32_t attrib, const std::string& tail,
                   uint32_t validFlags = 0x11) {
    std::string s = text;
    s.push_back('\0');
    Align(s, 2);
    PutU16(s, version);
    PutU16(s, version);
    Align(s, 4);
    if (version >= 2) {
        PutU32(s, version >= 3 ? validFlags : 0); // flags / valid_flags
    }
    PutU32(s, attrib);
    s += tail;
    return s;
}

const std::string kTimes =
    std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x11\x12\x13\x14\x15\x16\x17\x18", 16);

} // namespace

TEST(DosAttrib, ReadsTheTextForm) {
    EXPECT_EQ(platform::ParseDosAttrib("0x20"), 0x20U);
    EXPECT_EQ(platform::ParseDosAttrib(std::string("0x22\0", 5)), 0x22U);
    EXPECT_EQ(platform::ParseDosAttrib("0X2"), 0x2U);
    EXPECT_EQ(platform::ParseDosAttrib("0x2z"), 0x2U);
    EXPECT_FALSE(platform::ParseDosAttrib("0x").has_value());
    EXPECT_FALSE(platform::ParseDosAttrib("20").has_value());
    EXPECT_FALSE(platform::ParseDosAttrib("").has_value());
}

TEST(DosAttrib, ReadsEachBinaryVersion) {
    EXPECT_EQ(platform::ParseDosAttrib(Record("0x20", 1, 0x20, kTimes)), 0x20U);
    EXPECT_EQ(platform::ParseDosAttrib(Record("0x21", 3, 0x21, kTimes)), 0x21U);
    EXPECT_EQ(platform::ParseDosAttrib(Record("0x22", 4, 0x22, kTimes)), 0x22U);
    // Newer records may carry no text at all: the binary field is the truth.
    EXPECT_EQ(platform::ParseDosAttrib(Record("", 5, 0x2, kTimes)), 0x2U);
    EXPECT_EQ(platform::ParseDosAttrib(Record("0x1", 4, 0x2, kTimes)), 0x2U);
}

TEST(DosAttrib, FallsBackToTheTextWhenTheBinaryPartIsDamaged) {
    std::string unknownVersion = Record("0x20", 9, 0x1, kTimes);
    EXPECT_EQ(platform::ParseDosAttrib(unknownVersion), 0x20U);
    std::string cut = Record("0x20", 4, 0x1, "");
    cut.resize(cut.size() - 2);
    EXPECT_EQ(platform::ParseDosAttrib(cut), 0x20U);
    std::string mismatch = Record("0x20", 4, 0x1, kTimes);
    mismatch[8] = 5; // the switch value no longer repeats the version
    EXPECT_EQ(platform::ParseDosAttrib(mismatch), 0x20U);
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
        EXPECT_EQ(platform::ParseDosAttrib(patched), 0x2022U) << version;
        EXPECT_EQ(patched.substr(0, 7), std::string("0x2022\0", 7));
        EXPECT_EQ(patched.substr(patched.size() - kTimes.size()), kTimes) << version;
        EXPECT_EQ(patched, Record("0x2022", version, 0x2022, kTimes)) << version;
        const std::string shorter = platform::EncodeDosAttrib(patched, 0x1);
        EXPECT_EQ(shorter, Record("0x1", version, 0x1, kTimes)) << version;
    }
}

TEST(DosAttrib, PatchingMarksTheAttributeFieldValid) {
    const std::string old = Record("", 4, 0, kTimes, 0x10); // only the creation time valid
    const std::string patched = platform::EncodeDosAttrib(old, 0x2);
    EXPECT_EQ(patched.substr(0, 1), std::string(1, '\0'));   // no text before, none after
    EXPECT_EQ(static_cast<unsigned char>(patched[8]), 0x11); // create time + attribute valid
    EXPECT_EQ(platform::ParseDosAttrib(patched), 0x2U);
}
