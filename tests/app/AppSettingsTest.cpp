#include "app/AppSettings.h"

#include "platform/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(StoredDate, ReadsEightDigitsAndRefusesWhatIsNoDate) {
    EXPECT_EQ(ParseStoredDate("20051012"), (StoredDate{2005, 10, 12}));
    EXPECT_EQ(ParseStoredDate("19500101"), (StoredDate{1950, 1, 1})); // before 1970 is a date like any other
    EXPECT_EQ(ParseStoredDate("16010101"), (StoredDate{1601, 1, 1}));
    EXPECT_EQ(ParseStoredDate("99991231"), (StoredDate{9999, 12, 31}));
    EXPECT_EQ(ParseStoredDate("20240229"), (StoredDate{2024, 2, 29}));
    // Year, month after it, day from the last two characters.
    EXPECT_EQ(ParseStoredDate("2005101"), (StoredDate{2005, 10, 1}));
    EXPECT_FALSE(ParseStoredDate("NOTHING"));
    EXPECT_FALSE(ParseStoredDate(""));
    EXPECT_FALSE(ParseStoredDate("yesterday"));
    EXPECT_FALSE(ParseStoredDate("20051301"));
    EXPECT_FALSE(ParseStoredDate("20230229"));
    EXPECT_FALSE(ParseStoredDate("00000000"));
    EXPECT_FALSE(ParseStoredDate("16001231"));
    EXPECT_FALSE(ParseStoredDate("nothing")); // not the marker, and no digits either
}

TEST(StoredTime, ReadsSixDigitsAndCarriesOver) {
    EXPECT_EQ(ParseStoredTime("140642"), (StoredTime{14, 6, 42}));
    EXPECT_EQ(ParseStoredTime("000000"), (StoredTime{0, 0, 0}));
    EXPECT_EQ(ParseStoredTime("235959"), (StoredTime{23, 59, 59}));
    EXPECT_EQ(ParseStoredTime("250000"), (StoredTime{1, 0, 0}));
    EXPECT_EQ(ParseStoredTime("106099"), (StoredTime{11, 1, 39}));
    EXPECT_EQ(ParseStoredTime("1406"), (StoredTime{14, 6, 6}));
    EXPECT_FALSE(ParseStoredTime("NOTHING"));
    EXPECT_FALSE(ParseStoredTime(""));
    EXPECT_FALSE(ParseStoredTime("noon"));
}

TEST(StoredDateTime, FormatsWithLeadingZeros) {
    EXPECT_EQ(FormatStoredDate({2005, 1, 2}), "20050102");
    EXPECT_EQ(FormatStoredDate({1601, 12, 31}), "16011231");
    EXPECT_EQ(FormatStoredTime({4, 5, 6}), "040506");
    for (const char* date : {"20051012", "16010101", "99991231"}) {
        EXPECT_EQ(FormatStoredDate(*ParseStoredDate(date)), date);
    }
}

namespace {

class AppSettingsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = dir / "Datemark.ini";
    platform::ProfileStore store{path};
};

} // namespace

TEST_F(AppSettingsTest, MissingFileGivesEveryDefault) {
    AppSettings defaults;
    defaults.window = {0, 0, 480, 420};
    const AppSettings s = ReadSettings(store, defaults);
    EXPECT_EQ(s.window, (WindowRect{0, 0, 480, 420}));
    EXPECT_EQ(s.columnWidth, (std::array<int, 7>{150, 100, 100, 105, 105, 50, 150}));
    EXPECT_EQ(s.columnOrder, (std::array<int, 7>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(s.setCreated);
    EXPECT_TRUE(s.setUpdated);
    EXPECT_FALSE(s.setAttributes);
    EXPECT_FALSE(s.readOnly || s.hidden || s.archive);
    EXPECT_TRUE(s.subFolder && s.folderTarget && s.showResult);
    EXPECT_FALSE(s.createdDate || s.createdTime || s.updatedDate || s.updatedTime);
    EXPECT_EQ(s.sortFlags, 129);
    EXPECT_EQ(s.sortColumn, 0);
    EXPECT_FALSE(test::Exists(path)); // reading never creates the file
}

TEST_F(AppSettingsTest, ReadsTheStoredValues) {
    test::WriteFile(path, "[Window]\ntop=10\nleft=20\nbottom=510\nright=620\n"
                          "[List]\nwidth1=300\nwidth7=77\nsort=258\nsortindex=1\n"
                          "[ListOrder]\nindex1=6\nindex7=0\n"
                          "[Sakusei]\nYuko=0\nDate=20051012\nTime=140642\n"
                          "[Koshin]\nDate=NOTHING\nTime=091500\n"
                          "[Attr]\nYuko=1\nReadOnly=1\nHidden=0\nArchive=1\n"
                          "[Option]\nSubFolder=0\nFolder=1\nResult=0\n");
    const AppSettings s = ReadSettings(store, AppSettings{});
    EXPECT_EQ(s.window, (WindowRect{20, 10, 620, 510}));
    EXPECT_EQ(s.columnWidth[0], 300);
    EXPECT_EQ(s.columnWidth[1], 100);
    EXPECT_EQ(s.columnWidth[6], 77);
    EXPECT_EQ(s.columnOrder[0], 6);
    EXPECT_EQ(s.columnOrder[6], 0);
    EXPECT_FALSE(s.setCreated);
    EXPECT_EQ(s.createdDate, (StoredDate{2005, 10, 12}));
    EXPECT_EQ(s.createdTime, (StoredTime{14, 6, 42}));
    EXPECT_FALSE(s.updatedDate); // "NOTHING" by hand: as if missing
    EXPECT_EQ(s.updatedTime, (StoredTime{9, 15, 0}));
    EXPECT_TRUE(s.setAttributes && s.readOnly && !s.hidden && s.archive);
    EXPECT_FALSE(s.subFolder);
    EXPECT_TRUE(s.folderTarget);
    EXPECT_FALSE(s.showResult);
    EXPECT_EQ(s.sortFlags, 258);
    EXPECT_EQ(s.sortColumn, 1);
}

TEST_F(AppSettingsTest, AnUnusableDateIsSkippedAndTheRestStillLoads) {
    test::WriteFile(
        path, "[Sakusei]\nDate=\nTime=xx\n[Koshin]\nDate=19500615\n[Attr]\nYuko=1\n[Option]\nResult=0\n");
    AppSettings defaults;
    defaults.createdDate = StoredDate{2026, 12, 6};
    const AppSettings s = ReadSettings(store, defaults);
    EXPECT_EQ(s.createdDate, (StoredDate{2026, 12, 6}));
    EXPECT_FALSE(s.createdTime);
    EXPECT_EQ(s.updatedDate, (StoredDate{1950, 6, 15}));
    EXPECT_TRUE(s.setAttributes);
    EXPECT_FALSE(s.showResult);
}

TEST_F(AppSettingsTest, ANewFileHoldsEverySectionInTheOrderOfFirstWriting) {
    AppSettings s;
    s.window = {5, 6, 700, 800};
    s.createdDate = StoredDate{2005, 10, 12};
    s.createdTime = StoredTime{14, 6, 42};
    s.updatedDate = StoredDate{1999, 1, 2};
    s.updatedTime = StoredTime{3, 4, 5};
    s.sortFlags = 258;
    s.sortColumn = 1;
    ASSERT_TRUE(WriteSettings(store, s));
    EXPECT_EQ(test::ReadFile(path),
              "[Window]\ntop=6\nleft=5\nbottom=800\nright=700\n"
              "[List]\nwidth1=150\nwidth2=100\nwidth3=100\nwidth4=105\nwidth5=105\nwidth6=50\n"
              "width7=150\nsort=258\nsortindex=1\n"
              "[ListOrder]\nindex1=0\nindex2=1\nindex3=2\nindex4=3\nindex5=4\nindex6=5\nindex7=6\n"
              "[Info]\nVersion=1.3.0\n"
              "[Sakusei]\nYuko=1\nDate=20051012\nTime=140642\n"
              "[Koshin]\nYuko=1\nDate=19990102\nTime=030405\n"
              "[Attr]\nYuko=0\nReadOnly=0\nHidden=0\nArchive=0\n"
              "[Option]\nSubFolder=1\nFolder=1\nResult=1\n");
    const AppSettings back = ReadSettings(store, AppSettings{});
    EXPECT_EQ(back.window, s.window);
    EXPECT_EQ(back.createdDate, s.createdDate);
    EXPECT_EQ(back.updatedTime, s.updatedTime);
    EXPECT_EQ(back.sortFlags, 258);
}

TEST_F(AppSettingsTest, WritingKeepsWhatElseTheFileHolds) {
    test::WriteFile(path,
                    "; my notes\r\n[Window]\r\ntop=1\r\n[ResultWindow]\r\ntop=3\r\n[Mine]\r\nkeep=yes\r\n");
    ASSERT_TRUE(WriteSettings(store, AppSettings{}));
    const std::string text = test::ReadFile(path);
    EXPECT_EQ(text.rfind("; my notes\r\n[Window]\r\ntop=0\r\n", 0), 0U) << text;
    EXPECT_NE(text.find("[ResultWindow]\r\ntop=3\r\n"), std::string::npos);
    EXPECT_NE(text.find("[Mine]\r\nkeep=yes\r\n"), std::string::npos);
    EXPECT_NE(text.find("[Info]\r\nVersion=1.3.0\r\n"), std::string::npos);
    EXPECT_EQ(text.find("\n\n"), std::string::npos);
}

TEST_F(AppSettingsTest, WindowRectOfItsOwnSection) {
    EXPECT_EQ(ReadWindowRect(store, "ResultWindow", {1, 2, 3, 4}), (WindowRect{1, 2, 3, 4}));
    ASSERT_TRUE(WriteWindowRect(store, "ResultWindow", {10, 20, 300, 400}));
    EXPECT_EQ(ReadWindowRect(store, "ResultWindow", {}), (WindowRect{10, 20, 300, 400}));
    EXPECT_EQ(test::ReadFile(path), "[ResultWindow]\ntop=20\nleft=10\nbottom=400\nright=300\n");
}
