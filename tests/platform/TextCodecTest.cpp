#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

bool SortsBefore(std::string_view a, std::string_view b) {
    return platform::Cp932SortKey(a) < platform::Cp932SortKey(b);
}

} // namespace

TEST(Cp932Code, SingleAndDoubleByteCharacters) {
    EXPECT_EQ(platform::Cp932Code(U'A'), 0x41);
    EXPECT_EQ(platform::Cp932Code(U'\\'), 0x5C);
    EXPECT_EQ(platform::Cp932Code(U'ｱ'), 0xB1);
    EXPECT_EQ(platform::Cp932Code(U'ﾟ'), 0xDF);
    EXPECT_EQ(platform::Cp932Code(U'あ'), 0x82A0);
    EXPECT_EQ(platform::Cp932Code(U'表'), 0x955C);
    EXPECT_EQ(platform::Cp932Code(U'ソ'), 0x835C);
    EXPECT_EQ(platform::Cp932Code(U'亜'), 0x889F);
    EXPECT_EQ(platform::Cp932Code(U'①'), 0x8740); // NEC special character row
    EXPECT_EQ(platform::Cp932Code(U'é'), 0);
    EXPECT_EQ(platform::Cp932Code(U'😀'), 0);
}

TEST(Cp932SortKey, AsciiKeysAreTheTextItself) {
    EXPECT_EQ(platform::Cp932SortKey("Report 2005.txt"), "Report 2005.txt");
    EXPECT_EQ(platform::Cp932SortKey(""), "");
}

TEST(Cp932SortKey, OrdersByCodeNotByLocale) {
    EXPECT_TRUE(SortsBefore("Abc", "abc")); // upper case first
    EXPECT_TRUE(SortsBefore("Z", "a"));
    EXPECT_TRUE(SortsBefore("abc", "abd"));
    EXPECT_TRUE(SortsBefore("ab", "abc")); // a beginning sorts first
    EXPECT_TRUE(SortsBefore("z", "ｱ"));    // half-width katakana after ASCII
    EXPECT_TRUE(SortsBefore("ﾟ", "あ"));   // single-byte before double-byte
    EXPECT_TRUE(SortsBefore("あ", "ア"));  // hiragana row 0x82 before katakana 0x83
    EXPECT_TRUE(SortsBefore("ソ", "亜"));
    EXPECT_TRUE(SortsBefore("亜", "表"));
    EXPECT_FALSE(SortsBefore("表", "表"));
    // Code order, not Unicode order: ① is U+2460 but 0x8740, after あ (U+3042, 0x82A0).
    EXPECT_TRUE(SortsBefore("あ", "①"));
}

TEST(Cp932SortKey, CharactersWithoutACodeComeAfterAndBadBytesLast) {
    EXPECT_TRUE(SortsBefore("黑", "é"));   // a character with a code before one without
    EXPECT_TRUE(SortsBefore("é", "😀"));    // those without, by Unicode value
    EXPECT_TRUE(SortsBefore("😀", "\xff")); // a byte that is not UTF-8 after everything
    EXPECT_TRUE(SortsBefore("\xc3", "\xff"));
    EXPECT_TRUE(SortsBefore("a\xff", "b"));
    // Overlong and surrogate encodings are bytes, not characters.
    EXPECT_TRUE(SortsBefore("😀", "\xc0\x80"));
    EXPECT_TRUE(SortsBefore("😀", "\xed\xa0\x80"));
}

TEST(Cp932SortKey, SortingByKeyMatchesComparingCodeSequences) {
    const std::vector<std::u32string> texts = {U"b", U"ab", U"表示", U"ｱｲ", U"あい", U"A", U"アイ",
                                               U"①", U"表", U"a表",  U"é",  U"",     U"ｱ"};
    auto codes = [](const std::u32string& s) {
        std::vector<uint32_t> v;
        for (const char32_t c : s) {
            const uint16_t code = platform::Cp932Code(c);
            v.push_back(code != 0 ? code : 0x10000 + c);
        }
        return v;
    };
    auto utf8 = [](const std::u32string& s) {
        std::string out;
        for (const char32_t c : s) {
            if (c < 0x80) {
                out += static_cast<char>(c);
            } else if (c < 0x800) {
                out += static_cast<char>(0xC0 | (c >> 6));
                out += static_cast<char>(0x80 | (c & 0x3F));
            } else {
                out += static_cast<char>(0xE0 | (c >> 12));
                out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                out += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        return out;
    };
    for (const auto& a : texts) {
        for (const auto& b : texts) {
            EXPECT_EQ(codes(a) < codes(b), platform::Cp932SortKey(utf8(a)) < platform::Cp932SortKey(utf8(b)));
        }
    }
}

TEST(Cp932ToUtf8, DecodesAndReplacesWhatIsNotText) {
    EXPECT_EQ(platform::Cp932ToUtf8("Version=1.3.0"), "Version=1.3.0");
    EXPECT_EQ(platform::Cp932ToUtf8("\x95\x5C\xB1"), "表ｱ");
    EXPECT_EQ(platform::Cp932ToUtf8("a\x80"
                                    "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(platform::Cp932ToUtf8("a\x95"), "a\xEF\xBF\xBD"); // cut-off double-byte character
    EXPECT_EQ(platform::Cp932ToUtf8(""), "");
}
