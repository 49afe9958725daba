#include "menu/MenuTemplate.h"

#include "res/MenuResources.h"

#include <gtest/gtest.h>

namespace {

MenuTemplateItem Item(uint16_t flags, uint16_t id, const char16_t* text) {
    return {flags, id, text};
}

} // namespace

TEST(MenuTemplate, TheContextMenuResource) {
    const auto items = ParseMenuTemplate(MenuResource(IDR_CONTEXT_MENU));
    ASSERT_TRUE(items.has_value());
    const std::vector<MenuTemplateItem> expected = {
        Item(MF_POPUP | MF_END, 0, u"右クリック"),
        Item(0, 1020, u"更新"),
        Item(0, 0, u""),
        Item(0, 1015, u"ﾌｧｲﾙ追加"),
        Item(0, 1016, u"ﾌｫﾙﾀﾞ追加"),
        Item(0, 1017, u"削除"),
        Item(0, 0, u""),
        Item(0, 32771, u"エクスプローラ"),
        Item(MF_END, 32772, u"プロパティ"),
    };
    EXPECT_EQ(*items, expected);
    EXPECT_EQ(BuildMenuTemplate(expected),
              std::vector<uint8_t>(MenuResource(4).begin(), MenuResource(4).end()));
    EXPECT_TRUE(MenuResource(5).empty());
}

TEST(MenuTemplate, NestedPopupsCloseInnerLevelsFirst) {
    const std::vector<MenuTemplateItem> items = {
        Item(MF_POPUP, 0, u"File"),
        Item(0, 1, u"Open\tCtrl+O"),
        Item(MF_POPUP | MF_END, 0, u"Recent"),
        Item(MF_END, 2, u"a.txt"),
        Item(MF_POPUP | MF_END, 0, u"Help"),
        Item(MF_END, 3, u"About"),
    };
    const auto bytes = BuildMenuTemplate(items);
    EXPECT_EQ(ParseMenuTemplate(bytes), items);
    // Bytes after the end of the first level are not read.
    auto longer = bytes;
    longer.push_back(0xFF);
    EXPECT_EQ(ParseMenuTemplate(longer), items);
}

TEST(MenuTemplate, TheHeaderOffsetIsHonoured) {
    std::vector<uint8_t> bytes = {1, 0, 4, 0, 0xAA, 0xBB, 0xCC, 0xDD};
    const auto rest = BuildMenuTemplate({Item(MF_END, 7, u"x")});
    bytes.insert(bytes.end(), rest.begin() + 4, rest.end());
    EXPECT_EQ(ParseMenuTemplate(bytes), (std::vector<MenuTemplateItem>{Item(MF_END, 7, u"x")}));
}

TEST(MenuTemplate, DamagedTemplatesGiveNothing) {
    const auto bytes = BuildMenuTemplate({Item(MF_POPUP | MF_END, 0, u"P"), Item(MF_END, 1, u"item")});
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        EXPECT_FALSE(ParseMenuTemplate(std::span<const uint8_t>(bytes.data(), cut)).has_value()) << cut;
    }
    // A level that never ends.
    EXPECT_FALSE(ParseMenuTemplate(BuildMenuTemplate({Item(0, 1, u"a"), Item(0, 2, u"b")})).has_value());
    EXPECT_FALSE(ParseMenuTemplate(std::vector<uint8_t>{0, 0, 0xFF, 0xFF}).has_value());
}

TEST(Utf16, RoundTripsAndReplacesWhatIsBroken) {
    EXPECT_EQ(Utf16ToUtf8(u"ﾌｧｲﾙ追加 😀"), "ﾌｧｲﾙ追加 😀");
    EXPECT_EQ(Utf8ToUtf16("ﾌｧｲﾙ追加 😀"), u"ﾌｧｲﾙ追加 😀");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xE3\x81"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16(""), u"");
}
