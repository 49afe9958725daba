#include "menu/MenuTemplate.h"

#include "res/MenuResources.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace win32;

namespace {

MenuTemplateItem Item(unsigned flags, uint16_t id, const char16_t* text, int level) {
    return {static_cast<uint16_t>(flags), id, text, level};
}

std::vector<uint8_t> Build(std::span<const MenuSource> items) {
    std::vector<uint8_t> bytes(EncodeMenuTemplate(items));
    EncodeMenuTemplate(items, bytes);
    return bytes;
}

} // namespace

// Its items are what a right click shows (CommandsTest), loaded as IconMenuTest loads them.
TEST(MenuTemplate, TheContextMenuIsEncodedAsTheTemplateFormatHasIt) {
    const auto resource = MenuResource(IDR_CONTEXT_MENU);
    // The header, then the popup's flags and its words in UTF-16LE: 右 is U+53F3.
    ASSERT_GE(resource.size(), 10U);
    EXPECT_EQ(std::vector<uint8_t>(resource.begin(), resource.begin() + 8),
              (std::vector<uint8_t>{0, 0, 0, 0, 0x90, 0, 0xF3, 0x53}));
}

TEST(MenuTemplate, NestedPopupsRoundTripAndTheHeaderOffsetIsHonoured) {
    const MenuSource source[] = {
        {mf::Popup, 0, u8"File"}, {0, 1, u8"Open\tCtrl+O 😀"},         {mf::Popup | mf::End, 0, u8"Recent"},
        {mf::End, 2, u8"a.txt"},  {mf::Popup | mf::End, 0, u8"Help"}, {mf::End, 3, u8"About"}};
    const std::vector<MenuTemplateItem> items = {Item(mf::Popup, 0, u"File", 0),
                                                 Item(0, 1, u"Open\tCtrl+O 😀", 1),
                                                 Item(mf::Popup | mf::End, 0, u"Recent", 1),
                                                 Item(mf::End, 2, u"a.txt", 2),
                                                 Item(mf::Popup | mf::End, 0, u"Help", 0),
                                                 Item(mf::End, 3, u"About", 1)};
    auto bytes = Build(source);
    bytes.push_back(0xFF); // after the end of the first level: not read
    EXPECT_EQ(ParseMenuTemplate(bytes), items);
    // Version 1 with four bytes of extra header before the items.
    bytes.insert(bytes.begin() + 4, {0xAA, 0xBB, 0xCC, 0xDD});
    bytes[0] = 1;
    bytes[2] = 4;
    EXPECT_EQ(ParseMenuTemplate(bytes), items);
}

TEST(MenuTemplate, SourcesThatAreNoMenuAreRefused) {
    const MenuSource open[] = {{0, 1, u8"a"}, {0, 2, u8"b"}};
    const MenuSource after[] = {{mf::End, 1, u8"a"}, {mf::End, 2, u8"b"}};
    EXPECT_THROW(EncodeMenuTemplate(open), std::invalid_argument);
    EXPECT_THROW(EncodeMenuTemplate(after), std::invalid_argument);
    // Words cut short, overlong and a surrogate.
    for (const char8_t* words : {u8"\xE3\x81", u8"\xC0\xAF", u8"\xED\xA0\x80"}) {
        const MenuSource item[] = {{mf::End, 1, words}};
        EXPECT_THROW(EncodeMenuTemplate(item), std::invalid_argument) << static_cast<int>(words[0]);
    }
}

TEST(MenuTemplate, DamagedTemplatesGiveNothing) {
    const MenuSource source[] = {{mf::Popup | mf::End, 0, u8"P"}, {mf::End, 1, u8"item"}};
    const auto bytes = Build(source);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        EXPECT_FALSE(ParseMenuTemplate(std::span<const uint8_t>(bytes.data(), cut)).has_value()) << cut;
    }
    const std::vector<uint8_t> levelNeverEnds = {0, 0, 0, 0, 0, 0, 1, 0, 'a', 0, 0, 0};
    EXPECT_FALSE(ParseMenuTemplate(levelNeverEnds).has_value());
    EXPECT_FALSE(ParseMenuTemplate(std::vector<uint8_t>{0, 0, 0xFF, 0xFF}).has_value());
}
