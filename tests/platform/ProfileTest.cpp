#include "platform/Profile.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::string_literals;
using platform::IniText;
using platform::ProfileStore;

constexpr std::string_view kDefault = "(default)";
constexpr int kDefaultInt = -7777;

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// A settings file in a fresh folder, read and written through a store made for each call, as the
// program does without a batch.
class ProfileTest : public ::testing::Test {
protected:
    void Put(std::string_view content) { test::WriteFile(m_path, content); }
    std::string Content() const { return test::ReadFile(m_path); }
    std::string Get(std::string_view section, std::string_view key, std::string_view def = kDefault) const {
        return ProfileStore(m_path).GetProfileString(section, key, def);
    }
    int GetInt(std::string_view section, std::string_view key) const {
        return ProfileStore(m_path).GetProfileInt(section, key, kDefaultInt);
    }
    bool Set(std::string_view section, std::string_view key, std::string_view value) const {
        return ProfileStore(m_path).WriteProfileString(section, key, value);
    }

    test::TempDir m_dir;
    std::string m_path = m_dir / "settings.ini";
};

// --- Reading ---

using ProfileRead = ProfileTest;

TEST_F(ProfileRead, NamesMatchWithoutRegardToAsciiCase) {
    Put("[Colors]\nBackGround=blue\n[\xC3\x84]\nk=umlaut\n");
    EXPECT_EQ(Get("colors", "background"), "blue");
    EXPECT_EQ(Get("COLORS", "BACKGROUND"), "blue");
    EXPECT_EQ(Get("\xC3\x84", "K"), "umlaut");
    // Only ASCII letters fold: the lower-case A-umlaut is another name.
    EXPECT_EQ(Get("\xC3\xA4", "k"), kDefault);
}

TEST_F(ProfileRead, BlanksAroundNamesAreTrimmedInTheFileAndTheCall) {
    Put(" \t[ \tMain\t ]\n \t Width \t= 10\n[a b]\nx y=inner\n");
    EXPECT_EQ(Get("Main", "Width"), "10");
    EXPECT_EQ(Get(" main\t", "\twidth "), "10");
    EXPECT_EQ(Get("a b", "x y"), "inner");
    EXPECT_EQ(Get("ab", "xy"), kDefault);
}

TEST_F(ProfileRead, HeaderRunsToTheLastClosingBracket) {
    Put("[a]b] trailing text\nk=1\n[c] ; note\nk=2\n");
    EXPECT_EQ(Get("a]b", "k"), "1");
    EXPECT_EQ(Get("a", "k"), kDefault);
    EXPECT_EQ(Get("c", "k"), "2");
}

TEST_F(ProfileRead, OpeningBracketWithoutCloseIsNoHeader) {
    Put("[s]\nk=1\n[t\nj=2\n[u=3\n");
    EXPECT_EQ(Get("s", "j"), "2");
    EXPECT_EQ(Get("t", "j"), kDefault);
    EXPECT_EQ(Get("s", "[u"), "3");
}

TEST_F(ProfileRead, ValueIsTrimmedOfWhiteSpace) {
    Put("[s]\nk= \t\v\fa  b\t\v \n");
    EXPECT_EQ(Get("s", "k"), "a  b");
}

TEST_F(ProfileRead, OnePairOfSurroundingQuotesIsRemoved) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {R"("a b")", "a b"},    {"'a b'", "a b"},
        {R"(""x"")", R"("x")"}, {R"("")", ""},
        {R"(")", R"(")"},       {"'", "'"},
        {R"("a')", R"("a')"},   {R"(  " pad "  )", " pad "},
        {R"(a"b")", R"(a"b")"}, {R"("a\"")", R"(a\")"}, // nothing is unescaped
    };
    std::string file = "[s]\n";
    for (size_t i = 0; i < cases.size(); ++i) {
        file += "k" + std::to_string(i) + "=" + cases[i].first + "\n";
    }
    Put(file);
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(Get("s", "k" + std::to_string(i)), cases[i].second) << cases[i].first;
    }
}

TEST_F(ProfileRead, EmptyValueIsEmptyTextButDefaultNumber) {
    Put("[s]\nk=\nj=  \t\n");
    EXPECT_EQ(Get("s", "k"), "");
    EXPECT_EQ(Get("s", "j"), "");
    EXPECT_EQ(GetInt("s", "k"), kDefaultInt);
}

TEST_F(ProfileRead, KeyIsTheTextBeforeTheFirstEquals) {
    Put("[s]\na = b = c\nno equals here\n");
    EXPECT_EQ(Get("s", "a"), "b = c");
    EXPECT_EQ(Get("s", "a = b"), kDefault);
    EXPECT_EQ(Get("s", "no equals here"), kDefault);
}

TEST_F(ProfileRead, NulByteEndsTheValue) {
    Put("[s]\na=left\0right\nb=\0hidden\nc= x \0 y\nd=\"q\0\"\n\0[t]\ne=1\n"s);
    EXPECT_EQ(Get("s", "a"), "left");
    EXPECT_EQ(Get("s", "b"), "");
    EXPECT_EQ(Get("s", "c"), "x");
    EXPECT_EQ(Get("s", "d"), "\"q");
    // A line starting with NUL is no header: e is still in s.
    EXPECT_EQ(Get("s", "e"), "1");
    EXPECT_EQ(Get("t", "e"), kDefault);
}

TEST_F(ProfileRead, SemicolonStartsACommentHashDoesNot) {
    Put("[s]\n;a=1\n \t;b=2\n#c=3\nd=4 ; not a comment\n");
    EXPECT_EQ(Get("s", "a"), kDefault);
    EXPECT_EQ(Get("s", ";a"), kDefault);
    EXPECT_EQ(Get("s", "b"), kDefault);
    EXPECT_EQ(Get("s", "#c"), "3");
    EXPECT_EQ(Get("s", "d"), "4 ; not a comment");
}

TEST_F(ProfileRead, LinesBeforeTheFirstHeaderBelongToNoSection) {
    Put("k=1\n[s]\nj=2\n");
    EXPECT_EQ(Get("s", "k"), kDefault);
    EXPECT_EQ(Get("", "k"), kDefault);
    EXPECT_EQ(Get(" \t", "k"), kDefault);
    EXPECT_EQ(Get("s", "j"), "2");
}

TEST_F(ProfileRead, FirstOfDuplicateKeysAndSectionsWins) {
    Put("[s]\nk=1\nK=2\n[t]\n[S]\nk=3\nonly=4\n");
    EXPECT_EQ(Get("s", "k"), "1");
    EXPECT_EQ(Get("s", "only"), kDefault);
}

TEST_F(ProfileRead, MissingFileSectionOrKeyGivesTheDefaultWithoutTrailingSpaces) {
    EXPECT_EQ(Get("s", "k", "dflt  "), "dflt");
    EXPECT_EQ(Get("s", "k", "  lead\t "), "  lead\t");
    EXPECT_EQ(GetInt("s", "k"), kDefaultInt);
    Put("[s]\nk=1\n");
    EXPECT_EQ(Get("t", "k", "x "), "x");
    EXPECT_EQ(Get("s", "j", ""), "");
    EXPECT_EQ(GetInt("s", "j"), kDefaultInt);
}

TEST_F(ProfileRead, IntegersTakeSignHexAndLeadingDigitsAndWrapTo32Bits) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"42", 42},
        {"+5", 5},
        {"-7", -7},
        {"-0", 0},
        {"08", 8},
        {"0x1F", 31},
        {"0XfF", 255},
        {"-0x10", -16},
        {"12abc", 12},
        {"1 2", 1},
        {"abc", 0},
        {"+", 0},
        {"--5", 0},
        {"+-5", 0},
        {"0x", 0},
        {"0xg", 0},
        {"\" 9\"", 9},
        {"'-3'", -3},
        {"4294967295", -1},
        {"0xFFFFFFFF", -1},
        {"4294967296", 0},
        {"2147483648", INT_MIN},
        {"-2147483649", INT_MAX},
        {"0x123456789", 0x23456789},
        {"99999999999", static_cast<int>(static_cast<uint32_t>(99999999999ULL))},
    };
    std::string file = "[n]\n";
    for (size_t i = 0; i < cases.size(); ++i) {
        file += "k" + std::to_string(i) + "=" + cases[i].first + "\n";
    }
    Put(file);
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(GetInt("n", "k" + std::to_string(i)), cases[i].second) << cases[i].first;
    }
}

TEST_F(ProfileRead, TextIsCutTo4095BytesWithoutSplittingACharacter) {
    constexpr size_t kLimit = 4095;
    std::string file =
        "[s]\nexact=" + std::string(kLimit, 'a') + "\nlong=" + std::string(kLimit + 1, 'b') + "\n";
    // Each character once straddling the limit at every offset, and once ending right at it.
    const std::vector<std::string> characters = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"};
    std::vector<std::pair<std::string, std::string>> expected;
    for (const std::string& c : characters) {
        for (size_t before = kLimit - c.size(); before < kLimit; ++before) {
            const std::string key = "c" + std::to_string(c.size()) + "_" + std::to_string(kLimit - before);
            const std::string prefix(before, 'x');
            file.append(key).append("=").append(prefix).append(c).append("yyyy\n");
            expected.emplace_back(key, before + c.size() <= kLimit ? prefix + c : prefix);
        }
    }
    Put(file);
    EXPECT_EQ(Get("s", "exact"), std::string(kLimit, 'a'));
    EXPECT_EQ(Get("s", "long"), std::string(kLimit, 'b'));
    for (const auto& [key, value] : expected) {
        EXPECT_EQ(Get("s", key), value) << key;
    }
    EXPECT_EQ(Get("s", "missing", std::string(kLimit + 10, 'd')), std::string(kLimit, 'd'));
}

TEST_F(ProfileRead, LineEndsMayBeCrLfLfOrCrMixed) {
    Put("[s]\r\na=1\nb=2\rc=3\r\n\r[t]\rd=4");
    EXPECT_EQ(Get("s", "a"), "1");
    EXPECT_EQ(Get("s", "b"), "2");
    EXPECT_EQ(Get("s", "c"), "3");
    EXPECT_EQ(Get("t", "d"), "4");
}

// --- Writing ---

using ProfileWrite = ProfileTest;

TEST_F(ProfileWrite, ExistingKeyLineIsRewrittenAsSpelledInTheFile) {
    Put("; top\r\n[Main]\r\n  Width \t= 10 ; old\r\nHeight=20\r\n");
    EXPECT_TRUE(Set(" MAIN\t", " width ", "640"));
    EXPECT_EQ(Content(), "; top\r\n[Main]\r\nWidth=640\r\nHeight=20\r\n");
}

TEST_F(ProfileWrite, RewrittenLineKeepsItsOwnLineEnd) {
    Put("[s]\r\na=1\rb=2\nc=3");
    EXPECT_TRUE(Set("s", "a", "x"));
    EXPECT_TRUE(Set("s", "b", "y"));
    EXPECT_TRUE(Set("s", "c", "z"));
    EXPECT_EQ(Content(), "[s]\r\na=x\rb=y\nc=z");
}

TEST_F(ProfileWrite, NewKeyFollowsTheLastNonBlankLineOfItsSection) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[a]\nx=1\n\n \t\n[b]\ny=2\n", "[a]\nx=1\nk=v\n\n \t\n[b]\ny=2\n"},
        {"[a]\nx=1\n; about b\n\n[b]\n", "[a]\nx=1\n; about b\nk=v\n\n[b]\n"},
        {"[a]\n\n\n[b]\n", "[a]\nk=v\n\n\n[b]\n"},
        {"[a]\nx=1\n\n\n", "[a]\nx=1\nk=v\n\n\n"},
    };
    for (const auto& [before, after] : cases) {
        Put(before);
        EXPECT_TRUE(Set("a", "k", "v"));
        EXPECT_EQ(Content(), after);
    }
}

TEST_F(ProfileWrite, NewSectionGoesAtTheEnd) {
    Put("[a]\nx=1\n\n");
    EXPECT_TRUE(Set("n", "k", "v"));
    EXPECT_EQ(Content(), "[a]\nx=1\n\n[n]\nk=v\n");
    Put("");
    EXPECT_TRUE(Set("n", "k", "v"));
    EXPECT_EQ(Content(), "[n]\nk=v\n");
}

TEST_F(ProfileWrite, NewLinesUseTheFirstLineEndOfTheFile) {
    Put("[a]\r\nx=1\n");
    EXPECT_TRUE(Set("a", "k", "v"));
    EXPECT_TRUE(Set("b", "j", "w"));
    EXPECT_EQ(Content(), "[a]\r\nx=1\nk=v\r\n[b]\r\nj=w\r\n");
    Put("; note\r[a]\nx=1\r\n");
    EXPECT_TRUE(Set("a", "k", "v"));
    EXPECT_EQ(Content(), "; note\r[a]\nx=1\r\nk=v\r");
}

TEST_F(ProfileWrite, LoneCrIsNotJoinedWithAnLfThatFollows) {
    Put("; x\r[a]\nx=1\n\n[b]\ny=2\n");
    EXPECT_TRUE(Set("a", "k", "v"));
    EXPECT_EQ(Content(), "; x\r[a]\nx=1\nk=v\r\n\n[b]\ny=2\n");
    EXPECT_EQ(Get("b", "y"), "2");
}

TEST_F(ProfileWrite, LastLineWithoutLineEndGetsOneFirst) {
    Put("[a]\r\nx=1");
    EXPECT_TRUE(Set("a", "k", "v"));
    EXPECT_EQ(Content(), "[a]\r\nx=1\r\nk=v\r\n");
    Put("[a]\r\nx=1");
    EXPECT_TRUE(Set("b", "j", "w"));
    EXPECT_EQ(Content(), "[a]\r\nx=1\r\n[b]\r\nj=w\r\n");
    // No line end anywhere: the platform's.
    Put("[a]");
    EXPECT_TRUE(Set("a", "k", "v"));
    EXPECT_EQ(Content(), "[a]\nk=v\n");
    Put("; only a comment");
    EXPECT_TRUE(Set("s", "k", "v"));
    EXPECT_EQ(Content(), "; only a comment\n[s]\nk=v\n");
}

TEST_F(ProfileWrite, CrOnlyFileStaysCrOnly) {
    Put("[a]\rx=1\r\r[b]\ry=2");
    EXPECT_TRUE(Set("a", "k", "v"));
    EXPECT_TRUE(Set("b", "y", "3"));
    EXPECT_TRUE(Set("c", "z", "4"));
    EXPECT_EQ(Content(), "[a]\rx=1\rk=v\r\r[b]\ry=3\r[c]\rz=4\r");
    EXPECT_EQ(Get("a", "x"), "1");
    EXPECT_EQ(Get("a", "k"), "v");
    EXPECT_EQ(Get("b", "y"), "3");
    EXPECT_EQ(Get("c", "z"), "4");
}

TEST_F(ProfileWrite, DuplicatesAreWrittenAtTheFirst) {
    Put("[s]\nk=1\nk=2\n[S]\nk=3\n");
    EXPECT_TRUE(Set("s", "K", "9"));
    EXPECT_TRUE(Set("s", "new", "n"));
    EXPECT_EQ(Content(), "[s]\nk=9\nk=2\nnew=n\n[S]\nk=3\n");
}

TEST_F(ProfileWrite, EveryOtherByteSurvivesARoundOfWrites) {
    const std::string head = "garbage \x01\xff before\r\n"s;
    const std::string one = "[One]\r\n";
    const std::string a = " a = 1 \r\n";
    const std::string middle = "\0nul line\n; comment = x\r\n#hash=2\n[broken\r\n\tb\t=\t2\t\r\n"s;
    const std::string tail = "\r\n  \r\n[Two] tail\n; c\n";
    Put(head + one + a + middle + tail + "c=3");

    EXPECT_TRUE(Set("one", "a", "10"));
    EXPECT_TRUE(Set("one", "z", "26"));
    EXPECT_TRUE(Set("two", "c", "30"));
    EXPECT_TRUE(Set("three", "d", "4"));

    EXPECT_EQ(Content(), head + one + "a=10\r\n" + middle + "z=26\r\n" + tail + "c=30\r\n[three]\r\nd=4\r\n");
    EXPECT_EQ(Get("one", "#hash"), "2");
    EXPECT_EQ(Get("one", "b"), "2");
}

TEST_F(ProfileWrite, ValuesReadBackAsWritten) {
    const std::vector<std::string> values = {
        "",   "plain", " lead", "trail ",          "\tboth\v",       "\"q\"", "'q'",     "\"",
        "''", "\"'",   "a=b",   "; not a comment", "[not a header]", "#",     " \"x\" ", "caf\xC3\xA9",
    };
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_TRUE(Set("s", "k" + std::to_string(i), values[i])) << values[i];
    }
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(Get("s", "k" + std::to_string(i)), values[i]);
    }
    const std::string content = Content();
    EXPECT_NE(content.find("\nk2=\" lead\"\n"), std::string::npos) << content;
    EXPECT_NE(content.find("\nk6=\"'q'\"\n"), std::string::npos) << content;
    EXPECT_NE(content.find("\nk1=plain\n"), std::string::npos) << content;
}

TEST_F(ProfileWrite, NamesAndValuesThatCannotBeOneLineAreRejected) {
    struct Case {
        std::string section, key, value;
    };
    const std::vector<Case> rejected = {
        {"", "k", "v"},     {" \t", "k", "v"},   {"s", "", "v"},     {"s", " ", "v"},
        {"s", "a=b", "v"},  {"s", ";k", "v"},    {"s", " ;k", "v"},  {"s", "[k", "v"},
        {"a]b", "k", "v"},  {"s\nx", "k", "v"},  {"s", "k\r", "v"},  {"s", "k", "a\nb"},
        {"s", "k", "a\rb"}, {"s", "k", "a\0b"s}, {"s\0"s, "k", "v"}, {"s", "k\0"s, "v"},
    };
    const std::string original = "[s]\nk=1\n";
    Put(original);
    const std::string missing = m_dir / "missing.ini";
    for (const Case& c : rejected) {
        EXPECT_FALSE(Set(c.section, c.key, c.value)) << c.section << "/" << c.key << "/" << c.value;
        EXPECT_FALSE(ProfileStore(missing).WriteProfileString(c.section, c.key, c.value));
    }
    EXPECT_EQ(Content(), original);
    EXPECT_FALSE(test::Exists(missing));

    // Their near relations are fine.
    EXPECT_TRUE(Set("[x", "k]", "v"));
    EXPECT_TRUE(Set("s", "a;b", "v"));
    EXPECT_TRUE(Set("s", "#k", "v"));
    EXPECT_EQ(Get("[x", "k]"), "v");
    EXPECT_EQ(Get("s", "a;b"), "v");
    EXPECT_EQ(Get("s", "#k"), "v");
}

TEST_F(ProfileWrite, WriteProfileIntWritesDecimal) {
    ProfileStore store(m_path);
    EXPECT_TRUE(store.WriteProfileInt("s", "a", -5));
    EXPECT_TRUE(store.WriteProfileInt("s", "b", 0));
    EXPECT_TRUE(store.WriteProfileInt("s", "c", INT_MIN));
    EXPECT_TRUE(store.WriteProfileInt("s", "d", INT_MAX));
    EXPECT_EQ(Content(), "[s]\na=-5\nb=0\nc=-2147483648\nd=2147483647\n");
    EXPECT_EQ(GetInt("s", "c"), INT_MIN);
}

TEST(IniText, GivenLineEndIsUsedOnlyWhenTheTextHasNone) {
    IniText empty;
    EXPECT_TRUE(empty.Set("s", "k", "v", "\r\n"));
    EXPECT_EQ(empty.Bytes(), "[s]\r\nk=v\r\n");
    IniText lf("[a]\nx=1\n");
    EXPECT_TRUE(lf.Set("b", "k", "v", "\r"));
    EXPECT_EQ(lf.Bytes(), "[a]\nx=1\n[b]\nk=v\n");
    for (const std::string_view bad : {"", " ", "\n\n", "x"}) {
        EXPECT_FALSE(empty.Set("s", "k", "w", bad));
    }
    EXPECT_EQ(empty.Find("s", "k"), "v");
}

// --- Files that are not what they should be ---

using ProfileFiles = ProfileTest;

TEST_F(ProfileFiles, MissingFolderGivesDefaultsAndIsMadeOnlyWhenAsked) {
    const std::string path = m_dir / "no/such/folder/settings.ini";
    ProfileStore store(path);
    EXPECT_EQ(store.GetProfileString("s", "k", "d"), "d");
    EXPECT_FALSE(store.WriteProfileString("s", "k", "v"));
    EXPECT_FALSE(test::Exists(m_dir / "no"));

    ProfileStore creating(path, ProfileStore::CreateFolders::Yes);
    EXPECT_TRUE(creating.WriteProfileString("s", "k", "v"));
    EXPECT_EQ(test::ReadFile(path), "[s]\nk=v\n");
    EXPECT_EQ(test::StatOf(m_dir / "no").st_mode & 07777, 0700 & ~CurrentUmask());
    EXPECT_EQ(test::StatOf(m_dir / "no/such/folder").st_mode & 07777, 0700 & ~CurrentUmask());
}

TEST_F(ProfileFiles, BinaryFileGivesDefaultsAndKeepsItsBytes) {
    std::mt19937 random(20240229);
    std::string bytes(size_t{64} << 10, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    Put(bytes);
    EXPECT_EQ(Get("s", "k"), kDefault);
    EXPECT_EQ(GetInt("s", "k"), kDefaultInt);
    EXPECT_TRUE(Set("s", "k", "v"));
    EXPECT_EQ(Get("s", "k"), "v");
    EXPECT_EQ(Content().substr(0, bytes.size()), bytes);
}

TEST_F(ProfileFiles, HugeFileReadsAsEmptyAndIsNotReplaced) {
    constexpr off_t kSize = off_t{100} << 20;
    const std::string head = "[s]\nk=1\n";
    Put(head);
    ASSERT_EQ(::truncate(m_path.c_str(), kSize), 0);
    const ino_t inode = test::StatOf(m_path).st_ino;

    EXPECT_EQ(GetInt("s", "k"), kDefaultInt);
    EXPECT_FALSE(Set("s", "k", "2"));
    {
        ProfileStore store(m_path);
        ProfileStore::Batch batch(store);
        EXPECT_EQ(store.GetProfileInt("s", "k", kDefaultInt), kDefaultInt);
        EXPECT_FALSE(store.WriteProfileString("s", "k", "2"));
    }
    EXPECT_EQ(test::StatOf(m_path).st_size, kSize);
    EXPECT_EQ(test::StatOf(m_path).st_ino, inode);
    std::ifstream in(m_path, std::ios::binary);
    std::string start(head.size(), '\0');
    in.read(start.data(), static_cast<std::streamsize>(start.size()));
    EXPECT_EQ(start, head);
}

TEST_F(ProfileFiles, MegabyteLinesAreReadAndKept) {
    const std::string junk(1 << 20, '#');
    const std::string value(1 << 20, 'v');
    Put("[s]\n" + junk + "\nlong=" + value + "\nk=1\n");
    EXPECT_EQ(Get("s", "long"), value.substr(0, 4095));
    EXPECT_EQ(GetInt("s", "k"), 1);
    EXPECT_TRUE(Set("s", "k", "2"));
    EXPECT_EQ(Content(), "[s]\n" + junk + "\nlong=" + value + "\nk=2\n");
}

TEST_F(ProfileFiles, WhatIsNoRegularFileIsNeitherReadNorReplaced) {
    const std::string fifo = m_dir / "fifo.ini";
    const std::string folder = m_dir / "folder.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    test::MakeFolder(folder);
    for (const std::string& path : {fifo, folder}) {
        ProfileStore store(path);
        EXPECT_EQ(store.GetProfileInt("s", "k", kDefaultInt), kDefaultInt) << path;
        EXPECT_FALSE(store.WriteProfileString("s", "k", "v")) << path;
        ProfileStore::Batch batch(store);
        EXPECT_FALSE(store.WriteProfileString("s", "k", "v")) << path;
        EXPECT_TRUE(batch.Flush());
    }
    EXPECT_TRUE(S_ISFIFO(test::StatOf(fifo).st_mode));
    EXPECT_TRUE(S_ISDIR(test::StatOf(folder).st_mode));
    EXPECT_EQ(test::FolderNames(m_dir.Path()), (std::vector<std::string>{"fifo.ini", "folder.ini"}));
}

TEST_F(ProfileFiles, FileThatCannotBeReadIsNotReplaced) {
    // The folder lets anyone write: only the store's own refusal keeps the file.
    ASSERT_EQ(::chmod(m_dir.Path().c_str(), 0777), 0);
    const std::string original = "[s]\nk=secret\n";
    Put(original);
    ASSERT_EQ(::chmod(m_path.c_str(), 0200), 0);
    const ino_t inode = test::StatOf(m_path).st_ino;
    const int result = test::RunAsUnprivileged([&] {
        ProfileStore store(m_path);
        const bool sawDefault = store.GetProfileString("s", "k", "d") == "d";
        const bool wrote = store.WriteProfileString("s", "k", "v");
        return sawDefault && !wrote ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(test::StatOf(m_path).st_ino, inode);
    ASSERT_EQ(::chmod(m_path.c_str(), 0600), 0);
    EXPECT_EQ(Content(), original);
    EXPECT_EQ(test::FolderNames(m_dir.Path()), std::vector<std::string>{"settings.ini"});
}

// --- Saving ---

using ProfileSave = ProfileTest;

TEST_F(ProfileSave, ModeIsKept) {
    Put("[s]\nk=1\n");
    ASSERT_EQ(::chmod(m_path.c_str(), 0640), 0);
    EXPECT_TRUE(Set("s", "k", "2"));
    EXPECT_EQ(test::StatOf(m_path).st_mode & 07777, 0640);
    EXPECT_EQ(Content(), "[s]\nk=2\n");
}

TEST_F(ProfileSave, OwnerIsKeptWhenRootSaves) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root";
    }
    Put("[s]\nk=1\n");
    ASSERT_EQ(::chown(m_path.c_str(), 65534, 65534), 0);
    EXPECT_TRUE(Set("s", "k", "2"));
    EXPECT_EQ(test::StatOf(m_path).st_uid, 65534u);
    EXPECT_EQ(test::StatOf(m_path).st_gid, 65534u);
}

TEST_F(ProfileSave, SymbolicLinkStaysAndTheFileItNamesChanges) {
    test::MakeFolder(m_dir / "real");
    const std::string target = m_dir / "real/target.ini";
    test::WriteFile(target, "[s]\nk=1\n");
    ASSERT_EQ(::symlink("real/target.ini", m_path.c_str()), 0);

    EXPECT_TRUE(Set("s", "k", "2"));
    EXPECT_TRUE(S_ISLNK(test::StatOf(m_path).st_mode));
    EXPECT_EQ(std::filesystem::read_symlink(m_path), "real/target.ini");
    EXPECT_EQ(test::ReadFile(target), "[s]\nk=2\n");
    EXPECT_EQ(test::FolderNames(m_dir.Path()), (std::vector<std::string>{"real", "settings.ini"}));
    EXPECT_EQ(test::FolderNames(m_dir / "real"), std::vector<std::string>{"target.ini"});
}

TEST_F(ProfileSave, FolderThatCannotBeWrittenKeepsTheOldFile) {
    const std::string original = "[s]\nk=old\n";
    Put(original);
    // The file itself may be written: only the folder stands in the way of a safe replacement.
    ASSERT_EQ(::chmod(m_path.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(m_dir.Path().c_str(), 0555), 0);
    const int result = test::RunAsUnprivileged([&] {
        ProfileStore store(m_path);
        const bool read = store.GetProfileString("s", "k", "") == "old";
        return read && !store.WriteProfileString("s", "k", "new") ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Content(), original);
    EXPECT_EQ(test::FolderNames(m_dir.Path()), std::vector<std::string>{"settings.ini"});
}

TEST_F(ProfileSave, ProcessKilledMidSaveLeavesTheOldFile) {
    const std::string original = "[s]\nk=old\n" + std::string(1000, ';') + "\n";
    Put(original);
    const int result = test::RunInChild([&] {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        rlimit size{};
        ::getrlimit(RLIMIT_FSIZE, &size);
        size.rlim_cur = original.size() + 100;
        if (::setrlimit(RLIMIT_FSIZE, &size) != 0) {
            return 90;
        }
        ProfileStore(m_path).WriteProfileString("s", "k", std::string(1 << 20, 'x'));
        return 0; // not reached: writing past the limit ends the process
    });
    EXPECT_EQ(result, -SIGXFSZ);
    EXPECT_EQ(Content(), original);
}

TEST_F(ProfileSave, FileSizeLimitFailsTheWriteCleanly) {
    const std::string original = "[s]\nk=old\n" + std::string(1000, ';') + "\n";
    Put(original);
    const int result = test::RunInChild([&] {
        if (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR) {
            return 91;
        }
        rlimit size{};
        ::getrlimit(RLIMIT_FSIZE, &size);
        size.rlim_cur = original.size() + 100;
        if (::setrlimit(RLIMIT_FSIZE, &size) != 0) {
            return 90;
        }
        return ProfileStore(m_path).WriteProfileString("s", "k", std::string(1 << 20, 'x')) ? 1 : 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Content(), original);
    EXPECT_EQ(test::FolderNames(m_dir.Path()), std::vector<std::string>{"settings.ini"});
}

// --- Batches ---

using ProfileBatch = ProfileTest;

TEST_F(ProfileBatch, WithoutOneEveryCallReadsTheFile) {
    ProfileStore store(m_path);
    Put("[s]\nk=1\n");
    EXPECT_EQ(store.GetProfileInt("s", "k", 0), 1);
    Put("[s]\nk=2\n");
    EXPECT_EQ(store.GetProfileInt("s", "k", 0), 2);
}

TEST_F(ProfileBatch, ReadsTheFileOnceAtItsFirstCall) {
    Put("[s]\nk=before\n");
    ProfileStore store(m_path);
    ProfileStore::Batch batch(store);
    Put("[s]\nk=first\n");
    EXPECT_EQ(store.GetProfileString("s", "k", ""), "first");
    Put("[s]\nk=second\nn=2\n");
    EXPECT_EQ(store.GetProfileString("s", "k", ""), "first");
    EXPECT_EQ(store.GetProfileInt("s", "n", kDefaultInt), kDefaultInt);
}

TEST_F(ProfileBatch, WritesOnceWhenItEnds) {
    Put("[s]\nk=1\n");
    const ino_t before = test::StatOf(m_path).st_ino;
    {
        ProfileStore store(m_path);
        ProfileStore::Batch batch(store);
        EXPECT_TRUE(store.WriteProfileString("s", "k", "2"));
        EXPECT_TRUE(store.WriteProfileInt("t", "n", 3));
        EXPECT_EQ(store.GetProfileString("s", "k", ""), "2");
        EXPECT_EQ(store.GetProfileInt("t", "n", 0), 3);
        EXPECT_EQ(Content(), "[s]\nk=1\n");
        EXPECT_EQ(test::StatOf(m_path).st_ino, before);
    }
    EXPECT_EQ(Content(), "[s]\nk=2\n[t]\nn=3\n");
    EXPECT_NE(test::StatOf(m_path).st_ino, before);
}

TEST_F(ProfileBatch, WritesNothingWhenNothingChanged) {
    const std::string original = "[s]\nk= same \nn=5\n";
    Put(original);
    const ino_t before = test::StatOf(m_path).st_ino;
    {
        ProfileStore store(m_path);
        ProfileStore::Batch batch(store);
        EXPECT_EQ(store.GetProfileString("s", "k", ""), "same");
        EXPECT_TRUE(store.WriteProfileString("s", "k", "same"));
        EXPECT_TRUE(store.WriteProfileInt("s", "n", 5));
        EXPECT_FALSE(store.WriteProfileString("s", "bad=key", "x"));
    }
    EXPECT_EQ(test::StatOf(m_path).st_ino, before);
    EXPECT_EQ(Content(), original);
}

TEST_F(ProfileBatch, FlushWritesNowAndTheEndOnlyWhatChangedSince) {
    Put("[s]\nk=1\n");
    ProfileStore store(m_path);
    ProfileStore::Batch batch(store);
    EXPECT_TRUE(store.WriteProfileString("s", "k", "2"));
    EXPECT_TRUE(batch.Flush());
    EXPECT_EQ(Content(), "[s]\nk=2\n");
    const ino_t flushed = test::StatOf(m_path).st_ino;
    EXPECT_TRUE(batch.Flush());
    EXPECT_EQ(test::StatOf(m_path).st_ino, flushed);
}

TEST_F(ProfileBatch, FailedFlushKeepsTheChangesForTheEnd) {
    const std::string path = m_dir / "later/settings.ini";
    ProfileStore store(path);
    {
        ProfileStore::Batch batch(store);
        EXPECT_TRUE(store.WriteProfileString("s", "k", "v"));
        EXPECT_FALSE(batch.Flush());
        EXPECT_FALSE(test::Exists(path));
        test::MakeFolder(m_dir / "later");
    }
    EXPECT_EQ(test::ReadFile(path), "[s]\nk=v\n");
}

TEST_F(ProfileBatch, NestedBatchesWriteWhenTheOutermostEnds) {
    Put("[s]\nk=1\n");
    ProfileStore store(m_path);
    {
        ProfileStore::Batch outer(store);
        {
            ProfileStore::Batch inner(store);
            EXPECT_TRUE(store.WriteProfileString("s", "k", "2"));
        }
        EXPECT_EQ(Content(), "[s]\nk=1\n");
    }
    EXPECT_EQ(Content(), "[s]\nk=2\n");
}

} // namespace
