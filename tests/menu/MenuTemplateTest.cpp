#include "menu/MenuTemplate.h"

#include "res/MenuResources.h"

#include <gtest/gtest.h>

namespace {

MenuTemplateItem Item(uint16_t flags, uint16_t id, const char16_t* text) {
    return {flags, id, text};
}

} // namespace

TEST(MenuTemplate, TheContextMenuResourceParsesAndBuildsBackToItsBytes) {
    const auto resource = MenuResource(IDR_CONTEXT_MENU);
    const auto items = ParseMenuTemplate(resource);
    ASSERT_TRUE(items.has_value());
    ASSERT_EQ(items->size(), 9U);
    EXPECT_EQ(items->front(), Item(MF_POPUP | MF_END, 0, u"右クリック"));
    EXPECT_EQ(items->back(), Item(MF_END, 32772, u"プロパティ"));
    EXPECT_EQ(BuildMenuTemplate(*items), std::vector<uint8_t>(resource.begin(), resource.end()));
    EXPECT_TRUE(MenuResource(IDR_CONTEXT_MENU + 1).empty());
}

TEST(MenuTemplate, NestedPopupsRoundTripAndTheHeaderOffsetIsHonoured) {
    const std::vector<MenuTemplateItem> items = {Item(MF_POPUP, 0, u"File"),
                                                 Item(0, 1, u"Open\tCtrl+O"),
                                                 Item(MF_POPUP | MF_END, 0, u"Recent"),
                                                 Item(MF_END, 2, u"a.txt"),
                                                 Item(MF_POPUP | MF_END, 0, u"Help"),
                                                 Item(MF_END, 3, u"About")};
    auto bytes = BuildMenuTemplate(items);
    bytes.push_back(0xFF); // after the end of the first level: not read
    EXPECT_EQ(ParseMenuTemplate(bytes), items);
    // Version 1 with four bytes of extra header before the items.
    bytes.insert(bytes.begin() + 4, {0xAA, 0xBB, 0xCC, 0xDD});
    bytes[0] = 1;
    bytes[2] = 4;
    EXPECT_EQ(ParseMenuTemplate(bytes), items);
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
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("ﾌｧｲﾙ追加 😀")), "ﾌｧｲﾙ追加 😀");
    EXPECT_EQ(Utf8ToUtf16("ﾌｧｲﾙ追加 😀"), u"ﾌｧｲﾙ追加 😀");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToUtf16("a\xFF!"), u"a\uFFFD!");
    EXPECT_EQ(Utf8ToUtf16("\xE3\x81"), u"\uFFFD\uFFFD");
}
