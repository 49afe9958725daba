#include "platform/ProfileTestFixture.h"

#include <climits>
#include <random>

namespace {

using namespace profile_test;
using namespace std::string_literals;

TEST_F(ProfileTest, LinesAndNamesAreReadByTheIniRules) {
    const std::string d(kDefault);
    const std::vector<std::array<std::string, 4>> cases = {
        // Names fold ASCII case only and lose surrounding blanks.
        {"[Colors]\nBackGround=blue\n", "COLORS", "background", "blue"},
        {"[\xC3\x84]\nk=1\n", "\xC3\xA4", "k", d},
        {" \t[ \tMy Main\t ]\n \t Max Width \t= 10\n", " my main\t", "\tmax width ", "10"},
        {"[a]b] trailing\nk=1\n", "a]b", "k", "1"}, // a header runs to its last "]"
        {"[s]\n[t\n[u=3\n", "s", "[u", "3"},        // "[" without "]" is no header
        {"[s]\na = b = c\n", "s", "a", "b = c"},
        {"[s]\n \t;b=2\n", "s", "b", d},
        {"[s]\n#c=3\n", "s", "#c", "3"},
        {"[s]\nd=4 ; not a comment\n", "s", "d", "4 ; not a comment"},
        {"k=1\n[s]\n", "s", "k", d},
        {"[s]\nk=1\nK=2\n[S]\nk=3\nonly=4\n", "s", "k", "1"},
        {"[s]\na=left\0right\n"s, "s", "a", "left"},
        {"[s]\nd=\"q\0\"\n"s, "s", "d", "\"q"},
        {"[s]\n\0[t]\ne=1\n"s, "s", "e", "1"}, // a line starting with NUL is no header
        {"[s]\r\na=1\nb=2\rc=3\r\n\r[t]\rd=4", "t", "d", "4"},
        // Code page 932 text (no valid UTF-8) folds single-byte letters only, and a trail byte
        // "]" ends no header; UTF-8 folds every letter byte.
        {"[s]\n\x83\x4C\x81\x5B=1\n", "s", "\x83\x6C\x81\x5B", d},
        {"[s]\n\x83\x4C\x81\x5B\x41=1\n", "S", "\x83\x4C\x81\x5B\x61", "1"}, // \x41 is A, \x61 a
        {"[s]\x83\x5D\nk=1\n", "s", "k", "1"},
        {"[s]\n\xC3\x81\x41=1\n", "s", "\xC3\x81\x61", "1"},
    };
    for (const auto& [file, section, key, expected] : cases) {
        Put(file);
        EXPECT_EQ(Get(section, key), expected) << file << " -> [" << section << "] " << key;
    }
}

TEST_F(ProfileTest, ValuesAreTrimmedAndLoseOnePairOfQuotesOrAreTheDefault) {
    const Names raw = {" \t\v\fa  b\t\v ", R"("a b")",       "'a b'",   R"(""x"")", R"("")", R"(")",
                       R"("a')",           R"(  " pad "  )", R"(a"b")", R"("a\"")", ""};
    const Names read = {"a  b",   "a b",   "a b",     R"("x")", "", R"(")",
                        R"("a')", " pad ", R"(a"b")", R"(a\")", ""};
    PutValues(raw);
    for (size_t i = 0; i < raw.size(); ++i) {
        EXPECT_EQ(Get("s", "k" + std::to_string(i)), read[i]) << raw[i];
    }
    EXPECT_EQ(GetInt("s", "k10"), kDefaultInt); // empty: text "", number the default
    // What is missing gives the default, cut, without trailing spaces.
    EXPECT_EQ(Get("t", "k", "  lead\t "), "  lead\t");
    EXPECT_EQ(GetInt("s", "j"), kDefaultInt);
    EXPECT_EQ(Get("s", "j", std::string(5000, 'd')), std::string(4095, 'd'));
}

TEST_F(ProfileTest, IntegersTakeSignHexAndLeadingDigitsAndWrapTo32Bits) {
    const Names raw = {"+5",         "-0x10",      "0XfF",        "08",         "12abc", "1 2",
                       "abc",        "+-5",        "0x",          "\" 9\"",     "'-3'",  "4294967295",
                       "4294967296", "2147483648", "-2147483649", "0x123456789"};
    const std::vector<int> read = {5, -16, 255, 8,  12, 1,       0,       0,
                                   0, 9,   -3,  -1, 0,  INT_MIN, INT_MAX, 0x23456789};
    PutValues(raw);
    for (size_t i = 0; i < raw.size(); ++i) {
        EXPECT_EQ(GetInt("s", "k" + std::to_string(i)), read[i]) << raw[i];
    }
}

TEST_F(ProfileTest, WritingChangesOnlyTheLinesItMust) {
    struct Case {
        std::string before;
        std::vector<std::array<std::string, 3>> sets;
        std::string after;
    };
    const std::vector<Case> cases = {
        // An existing line is rewritten as the file spells the key, keeping its own line end.
        {"; top\r\n[Main]\r\n  Width \t= 10 ; old\r\nHeight=20\r\n",
         {{" MAIN\t", " width ", "640"}},
         "; top\r\n[Main]\r\nWidth=640\r\nHeight=20\r\n"},
        {"[s]\r\na=1\rb=2\nc=3", {{"s", "a", "x"}, {"s", "b", "y"}, {"s", "c", "z"}}, "[s]\r\na=x\rb=y\nc=z"},
        {"[s]\nk=1\nk=2\n[S]\nk=3\n",
         {{"s", "K", "9"}, {"s", "new", "n"}},
         "[s]\nk=9\nk=2\nnew=n\n[S]\nk=3\n"},
        // A new key follows the last non-blank line of its section; a new section goes at the end.
        {"[a]\nx=1\n\n \t\n[b]\ny=2\n", {{"a", "k", "v"}}, "[a]\nx=1\nk=v\n\n \t\n[b]\ny=2\n"},
        {"[a]\nx=1\n\n", {{"n", "k", "v"}}, "[a]\nx=1\n\n[n]\nk=v\n"},
        // New lines take the file's first line end; a lone CR is not joined with an LF after it.
        {"[a]\r\nx=1\n", {{"a", "k", "v"}, {"b", "j", "w"}}, "[a]\r\nx=1\nk=v\r\n[b]\r\nj=w\r\n"},
        {"; x\r[a]\nx=1\n\n[b]\n", {{"a", "k", "v"}}, "; x\r[a]\nx=1\nk=v\r\n\n[b]\n"},
        {"[a]\rx=1\r\r[b]\ry=2",
         {{"a", "k", "v"}, {"b", "y", "3"}, {"c", "z", "4"}},
         "[a]\rx=1\rk=v\r\r[b]\ry=3\r[c]\rz=4\r"},
        // A last line without a line end gets one first; with none anywhere, the platform's.
        {"[a]\r\nx=1", {{"a", "k", "v"}}, "[a]\r\nx=1\r\nk=v\r\n"},
        {"[a]", {{"a", "k", "v"}}, test::NewTextFile("[a]\nk=v\n")},
        {"; only a comment", {{"s", "k", "v"}}, test::NewTextFile("; only a comment\n[s]\nk=v\n")},
        {"[s]\n\x83\x4C=1\n", {{"s", "\x83\x6C", "2"}}, "[s]\n\x83\x4C=1\n\x83\x6C=2\n"},
    };
    for (const Case& c : cases) {
        Put(c.before);
        for (const auto& [section, key, value] : c.sets) {
            EXPECT_TRUE(Set(section, key, value)) << c.before;
        }
        EXPECT_EQ(Content(), c.after) << c.before;
    }
}

TEST_F(ProfileTest, EveryOtherByteSurvivesARoundOfWrites) {
    std::mt19937 random(20240229);
    std::string head = "garbage \x01\xff before\r\n";
    for (int i = 0; i < 1 << 16; ++i) {
        head += static_cast<char>(random());
    }
    head += "\n[One]\r\n";
    const std::string value(1 << 20, 'v');
    const std::string middle = "\0nul line\n; comment = x\r\n#hash=2\n[broken\r\n" +
                               std::string(1 << 20, '#') + "\nlong=" + value + "\r\n";
    const std::string tail = "\r\n  \r\n[Two] tail\n; c\n";
    Put(head + " a = 1 \r\n" + middle + tail + "c=3");
    EXPECT_EQ(Get("one", "long"), value.substr(0, 4095));
    EXPECT_TRUE(Set("one", "a", "10"));
    EXPECT_TRUE(Set("one", "z", "26"));
    EXPECT_TRUE(Set("two", "c", "30"));
    EXPECT_TRUE(Set("three", "d", "4"));
    EXPECT_TRUE(Content() == head + "a=10\r\n" + middle + "z=26\r\n" + tail + "c=30\r\n[three]\r\nd=4\r\n");
}

TEST_F(ProfileTest, ValuesReadBackAsWrittenQuotedWhereNeeded) {
    const Names values = {
        "",   "plain", " lead", "trail ",          "\tboth\v",       "\"q\"", "'q'",     "\"",
        "''", "\"'",   "a=b",   "; not a comment", "[not a header]", "#",     " \"x\" ", "caf\xC3\xA9"};
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_TRUE(Set("s", "k" + std::to_string(i), values[i])) << values[i];
    }
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(Get("s", "k" + std::to_string(i)), values[i]);
    }
    EXPECT_NE(Content().find(test::NewTextFile("\nk1=plain\nk2=\" lead\"\n")), std::string::npos)
        << Content();

    EXPECT_TRUE(ProfileStore(m_path).WriteInt("n", "min", INT_MIN));
    EXPECT_NE(Content().find(test::NewTextFile("\nmin=-2147483648\n")), std::string::npos);
}

TEST_F(ProfileTest, MarkedFilesAreReadAndWrittenInTheirOwnEncoding) {
    // Every unit the write need not change stays, a lone surrogate and an odd last byte too.
    const std::u16string before = u"; \xD800 x\r\n[s]\r\nk=値\r\n";
    const std::u16string after = u"; \xD800 x\r\n[s]\r\nk=新\r\nj=v\r\n";
    // A file of only its mark gets the platform's line ends.
    const std::u16string newFile =
        test::NewTextFile("\n") == "\n" ? u"[s]\nk=新\nj=v\n" : u"[s]\r\nk=新\r\nj=v\r\n";
    struct Case {
        std::string before, read, after;
    };
    const std::vector<Case> cases = {
        {Utf16File(before), "値", Utf16File(after)},
        {Utf16File(before, false), "値", Utf16File(after, false)},
        {Utf16File(before) + "Z", "値", Utf16File(after) + "Z"},
        {std::string(kLittleEndianMark), std::string(kDefault), Utf16File(newFile)},
        {"\xEF\xBB\xBF[s]\nk=値\n", "値", "\xEF\xBB\xBF[s]\nk=新\nj=v\n"},
    };
    for (const Case& c : cases) {
        Put(c.before);
        EXPECT_EQ(Get("s", "k"), c.read) << c.before;
        const bool utf16 = c.before[0] != '\xEF';
        EXPECT_NE(Set("s", "k", "\xFF"), utf16) << c.before; // no UTF-8 for UTF-16 to hold
        EXPECT_TRUE(Set("s", "k", "新") && Set("s", "j", "v"));
        EXPECT_EQ(Content(), c.after) << c.before;
    }
}

TEST_F(ProfileTest, NamesAndValuesThatCannotBeOneLineAreRejected) {
    const std::vector<std::array<std::string, 3>> rejected = {
        {"", "k", "v"},     {" \t", "k", "v"},   {"s", " ", "v"},    {"s", "a=b", "v"},  {"s", " ;k", "v"},
        {"s", "[k", "v"},   {"a]b", "k", "v"},   {"s\nx", "k", "v"}, {"s", "k\r", "v"},  {"s", "k", "a\nb"},
        {"s", "k", "a\rb"}, {"s", "k", "a\0b"s}, {"s\0"s, "k", "v"}, {"s", "k\0"s, "v"}, {"s\x83", "k", "v"}};
    Put("[s]\nk=1\n");
    const std::string missing = m_dir / "missing.ini";
    for (const auto& [section, key, value] : rejected) {
        EXPECT_FALSE(Set(section, key, value)) << section << "/" << key << "/" << value;
        EXPECT_FALSE(ProfileStore(missing).WriteString(section, key, value));
    }
    EXPECT_EQ(Content(), "[s]\nk=1\n");
    EXPECT_FALSE(test::Exists(missing));
    // Their near relations are fine.
    EXPECT_TRUE(Set("[x", "k]", "v"));
    EXPECT_TRUE(Set("s", "a;b", "v"));
    EXPECT_EQ(Get("[x", "k]"), "v");
    EXPECT_EQ(Get("s", "a;b"), "v");
}

TEST_F(ProfileTest, MissingFolderGivesDefaultsAndIsMadeOnlyWhenAskedAndAFailedFlushIsTriedAgainAtTheEnd) {
    const std::string path = m_dir / "no/such/settings.ini";
    EXPECT_EQ(ProfileStore(path).GetString("s", "k", "d"), "d");
    EXPECT_FALSE(ProfileStore(path).WriteString("s", "k", "v"));
    EXPECT_FALSE(test::Exists(m_dir / "no"));
    EXPECT_TRUE(ProfileStore(path, ProfileStore::CreateFolders::Yes).WriteString("s", "k", "v"));
    EXPECT_EQ(test::ReadFile(path), test::NewTextFile("[s]\nk=v\n"));

    const std::string later = m_dir / "later/settings.ini";
    ProfileStore store(later);
    {
        ProfileStore::Batch batch(store);
        EXPECT_TRUE(store.WriteString("s", "k", "v"));
        EXPECT_FALSE(batch.Flush());
        test::MakeFolder(m_dir / "later");
    }
    EXPECT_EQ(test::ReadFile(later), test::NewTextFile("[s]\nk=v\n"));
}

TEST_F(ProfileTest, BatchReadsOnceAndWritesOnlyItsOwnChangesOntoTheFileAsItIsThenAndFlushesOnlyChanges) {
    ProfileStore store(m_path);
    Put("[s]\nk=1\n");
    EXPECT_EQ(store.GetInt("s", "k", 0), 1);
    Put("[s]\nk=2\n");
    EXPECT_EQ(store.GetInt("s", "k", 0), 2); // without a batch each call reads
    const uint64_t before = Inode();
    {
        ProfileStore::Batch outer(store);
        Put("[s]\nk=3\n");
        EXPECT_EQ(store.GetInt("s", "k", 0), 3);
        Put("[s]\nk=4\nother=x\n"); // another program's save
        {
            ProfileStore::Batch inner(store);
            EXPECT_TRUE(store.WriteInt("t", "n", 5));
            EXPECT_TRUE(store.WriteInt("s", "k", 3)); // as read: no change of its own
            EXPECT_TRUE(store.WriteInt("s", "j", 6));
        }
        EXPECT_EQ(store.GetInt("s", "k", 0), 3);
        EXPECT_EQ(store.GetInt("t", "n", 0), 5);
        EXPECT_EQ(Content(), "[s]\nk=4\nother=x\n");
        EXPECT_EQ(Inode(), before);
    }
    EXPECT_EQ(Content(), "[s]\nk=4\nother=x\nj=6\n[t]\nn=5\n");
    {
        ProfileStore::Batch batch(store);
        EXPECT_TRUE(store.WriteString("s", "k", "5"));
        EXPECT_TRUE(batch.Flush());
        EXPECT_EQ(Content(), "[s]\nk=5\nother=x\nj=6\n[t]\nn=5\n");
        const uint64_t flushed = Inode();
        // Neither the same value again nor a rejected one is a change to write.
        EXPECT_TRUE(store.WriteString("s", "k", "5"));
        EXPECT_FALSE(store.WriteString("s", "bad=key", "x"));
        EXPECT_TRUE(batch.Flush());
        EXPECT_EQ(Inode(), flushed);
    }
}

} // namespace
