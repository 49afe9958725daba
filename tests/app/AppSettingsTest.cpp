#include "app/AppSettings.h"

#include "platform/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

TEST(StoredDate, ReadsEightDigitsAndRefusesWhatIsNoDate) {
    const std::vector<std::pair<const char*, StoredDate>> dates = {
        {"19500101", {1950, 1, 1}},
        {"16010101", {1601, 1, 1}},
        {"99991231", {9999, 12, 31}},
        {"20240229", {2024, 2, 29}},
        {"2005101", {2005, 10, 1}}}; // the day from the last two
    for (const auto& [text, date] : dates) {
        EXPECT_EQ(ParseStoredDate(text), date) << text;
        if (std::string_view(text).size() == 8) {
            EXPECT_EQ(FormatStoredDate(date), text);
        }
    }
    for (const char* bad : {"NOTHING", "", "yesterday", "20051301", "20230229", "00000000", "16001231"}) {
        EXPECT_FALSE(ParseStoredDate(bad)) << bad;
    }
}

TEST(StoredTime, ReadsSixDigitsAndCarriesOver) {
    EXPECT_EQ(ParseStoredTime("235959"), (StoredTime{23, 59, 59}));
    EXPECT_EQ(ParseStoredTime("250000"), (StoredTime{1, 0, 0}));
    EXPECT_EQ(ParseStoredTime("106099"), (StoredTime{11, 1, 39}));
    EXPECT_EQ(ParseStoredTime("1406"), (StoredTime{14, 6, 6}));
    for (const char* bad : {"NOTHING", "", "noon"}) {
        EXPECT_FALSE(ParseStoredTime(bad)) << bad;
    }
    EXPECT_EQ(FormatStoredTime({4, 5, 6}), "040506");
}

namespace {

class AppSettingsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = dir / "Datemark.ini";
    platform::ProfileStore store{path};
};

} // namespace

TEST_F(AppSettingsTest, ReadsTheStoredValuesAndDefaultsForTheRest) {
    AppSettings defaults;
    defaults.createdTime = StoredTime{1, 2, 3};
    EXPECT_EQ(ReadSettings(store, defaults).createdTime, defaults.createdTime);
    EXPECT_FALSE(test::Exists(path)); // reading never creates the file

    test::WriteFile(path,
                    "[Window]\ntop=10\nleft=20\nbottom=510\nright=620\n"
                    "[List]\nwidth1=300\nwidth7=77\nsort=258\nsortindex=1\n[ListOrder]\nindex1=6\n"
                    "[Sakusei]\nYuko=0\nDate=20051012\nTime=xx\n[Koshin]\nDate=NOTHING\nTime=091500\n"
                    "[Attr]\nYuko=1\nReadOnly=1\nHidden=0\nArchive=1\n[Option]\nSubFolder=0\nResult=0\n");
    const AppSettings s = ReadSettings(store, defaults);
    EXPECT_EQ(s.window, (WindowRect{20, 10, 620, 510}));
    EXPECT_EQ(s.columnWidth, (std::array<int, 7>{300, 100, 100, 105, 105, 50, 77}));
    EXPECT_EQ(s.columnOrder[0], 6);
    EXPECT_FALSE(s.setCreated);
    EXPECT_EQ(s.createdDate, (StoredDate{2005, 10, 12}));
    EXPECT_EQ(s.createdTime, defaults.createdTime); // unusable: as if missing, and reading goes on
    EXPECT_FALSE(s.updatedDate);
    EXPECT_EQ(s.updatedTime, (StoredTime{9, 15, 0}));
    EXPECT_TRUE(s.setAttributes && s.readOnly && !s.hidden && s.archive);
    EXPECT_FALSE(s.subFolder || s.showResult);
    EXPECT_TRUE(s.folderTarget);
    EXPECT_EQ(s.sortFlags, 258);
    EXPECT_EQ(s.sortColumn, 1);
}

TEST_F(AppSettingsTest, ANewFileHoldsEverySectionInTheOrderOfFirstWriting) {
    AppSettings s;
    s.window = {5, 6, 700, 800};
    s.createdDate = StoredDate{2005, 10, 12};
    s.createdTime = StoredTime{14, 6, 42};
    s.sortFlags = 258;
    ASSERT_TRUE(WriteSettings(store, s));
    EXPECT_EQ(test::ReadFile(path),
              test::NewTextFile(
                  "[Window]\ntop=6\nleft=5\nbottom=800\nright=700\n"
                  "[List]\nwidth1=150\nwidth2=100\nwidth3=100\nwidth4=105\nwidth5=105\nwidth6=50\n"
                  "width7=150\nsort=258\nsortindex=0\n"
                  "[ListOrder]\nindex1=0\nindex2=1\nindex3=2\nindex4=3\nindex5=4\nindex6=5\nindex7=6\n"
                  "[Info]\nVersion=1.3.0\n"
                  "[Sakusei]\nYuko=1\nDate=20051012\nTime=140642\n"
                  "[Koshin]\nYuko=1\nDate=NOTHING\nTime=NOTHING\n"
                  "[Attr]\nYuko=0\nReadOnly=0\nHidden=0\nArchive=0\n"
                  "[Option]\nSubFolder=1\nFolder=1\nResult=1\n"));
}
