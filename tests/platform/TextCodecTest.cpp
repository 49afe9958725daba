#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(Cp932Code, SingleAndDoubleByteCharacters) {
    const std::vector<std::pair<char32_t, uint16_t>> cases = {
        {U'\\', 0x5C},   {U'ｱ', 0xB1},   {U'ﾟ', 0xDF}, {U'あ', 0x82A0},
        {U'表', 0x955C}, {U'①', 0x8740}, {U'é', 0},    {U'😀', 0}};
    for (const auto& [c, code] : cases) {
        EXPECT_EQ(platform::Cp932Code(c), code) << static_cast<uint32_t>(c);
    }
}

TEST(Cp932SortKey, OrdersByCodePageCodeNotByLocaleOrUnicode) {
    EXPECT_EQ(platform::Cp932SortKey("Report 2005.txt"), "Report 2005.txt");
    // Each text before the next: ASCII by code, half-width katakana, hiragana, katakana, then ①
    // (U+2460 but 0x8740) and kanji; characters without a code after, by Unicode value; bytes that
    // are no UTF-8 (overlong, cut short, surrogate) last.
    const std::vector<std::string> ordered = {"",   "Abc", "Z",  "ab",       "abc",  "abd",          "z",
                                              "ｱ",  "ﾟ",   "あ", "ア",       "①",    "亜",           "表",
                                              "黑", "é",   "😀",  "\xc0\x80", "\xc3", "\xed\xa0\x80", "\xff"};
    for (size_t i = 0; i + 1 < ordered.size(); ++i) {
        EXPECT_LT(platform::Cp932SortKey(ordered[i]), platform::Cp932SortKey(ordered[i + 1]))
            << ordered[i] << " < " << ordered[i + 1];
    }
    EXPECT_LT(platform::Cp932SortKey("a\xff"), platform::Cp932SortKey("b"));
}

TEST(Cp932ToUtf8, DecodesAndReplacesWhatIsNotText) {
    EXPECT_EQ(platform::Cp932ToUtf8("Version=1.3.0"), "Version=1.3.0");
    EXPECT_EQ(platform::Cp932ToUtf8("\x95\x5C\xB1"), "表ｱ");
    EXPECT_EQ(platform::Cp932ToUtf8("a\x80!"), "a\xEF\xBF\xBD!");
    EXPECT_EQ(platform::Cp932ToUtf8("a\x95"), "a\xEF\xBF\xBD"); // cut-off double-byte character
}
