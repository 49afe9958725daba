#include "platform/Profile.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <csignal>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::string_literals;
using platform::ProfileStore;
using Names = std::vector<std::string>;

constexpr std::string_view kDefault = "(default)";
constexpr std::string_view kLittleEndianMark = "\xFF\xFE";
constexpr int kDefaultInt = -7777;

// UTF-16 text as a file holds it, after its byte-order mark.
std::string Utf16File(std::u16string_view text, bool littleEndian = true) {
    std::string bytes(littleEndian ? kLittleEndianMark : "\xFE\xFF");
    for (const char16_t unit : text) {
        const std::array<char, 2> pair = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        bytes.append(1, pair[littleEndian ? 0 : 1]).append(1, pair[littleEndian ? 1 : 0]);
    }
    return bytes;
}

// A settings file in a fresh folder, read and written through a store made for each call, as the
// program does without a batch.
class ProfileTest : public ::testing::Test {
protected:
    void Put(std::string_view content) { test::WriteFile(m_path, content); }
    std::string Content() const { return test::ReadFile(m_path); }
    std::string Get(std::string_view section, std::string_view key, std::string_view def = kDefault) const {
        return ProfileStore(m_path).GetString(section, key, def);
    }
    int GetInt(std::string_view section, std::string_view key) const {
        return ProfileStore(m_path).GetInt(section, key, kDefaultInt);
    }
    bool Set(std::string_view section, std::string_view key, std::string_view value) const {
        return ProfileStore(m_path).WriteString(section, key, value);
    }
    ino_t Inode() const { return test::StatOf(m_path).st_ino; }

    struct Read {
        std::string file, section, key, expected;
    };
    void ExpectReads(const std::vector<Read>& cases) {
        for (const Read& c : cases) {
            Put(c.file);
            EXPECT_EQ(Get(c.section, c.key), c.expected) << c.file << " -> [" << c.section << "] " << c.key;
        }
    }

    // Keys k0, k1, ... in section s, one for each value.
    void PutValues(const std::vector<std::string>& values) {
        std::string file = "[s]\n";
        for (size_t i = 0; i < values.size(); ++i) {
            file += "k" + std::to_string(i) + "=" + values[i] + "\n";
        }
        Put(file);
    }

    test::TempDir m_dir;
    std::string m_path = m_dir / "settings.ini";
};

TEST_F(ProfileTest, LinesAndNamesAreReadByTheIniRules) {
    const std::string d(kDefault);
    ExpectReads({
        // Names fold ASCII case only and lose surrounding blanks.
        {"[Colors]\nBackGround=blue\n", "COLORS", "background", "blue"},
        {"[\xC3\x84]\nk=1\n", "\xC3\xA4", "k", d},
        {" \t[ \tMain\t ]\n \t Width \t= 10\n", " main\t", "\twidth ", "10"},
        {"[a b]\nx y=inner\n", "a b", "x y", "inner"},
        {"[a]b] trailing\nk=1\n", "a]b", "k", "1"}, // a header runs to its last "]"
        {"[a]b] trailing\nk=1\n", "a", "k", d},
        {"[s]\nk=1\n[t\nj=2\n", "s", "j", "2"}, // "[" without "]" is no header
        {"[s]\n[u=3\n", "s", "[u", "3"},
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
        {"[s]\n\x83\x4C\x81\x5B"
         "A=1\n",
         "S",
         "\x83\x4C\x81\x5B"
         "a",
         "1"},
        {"[s]\x83\x5D\nk=1\n", "s", "k", "1"},
        {"[s]\n\xC3\x81"
         "A=1\n",
         "s",
         "\xC3\x81"
         "a",
         "1"},
    });
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
        {"[a]", {{"a", "k", "v"}}, "[a]\nk=v\n"},
        {"; only a comment", {{"s", "k", "v"}}, "; only a comment\n[s]\nk=v\n"},
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
    EXPECT_NE(Content().find("\nk1=plain\nk2=\" lead\"\n"), std::string::npos) << Content();

    EXPECT_TRUE(ProfileStore(m_path).WriteInt("n", "min", INT_MIN));
    EXPECT_NE(Content().find("\nmin=-2147483648\n"), std::string::npos);
}

TEST_F(ProfileTest, MarkedFilesAreReadAndWrittenInTheirOwnEncoding) {
    // Every unit the write need not change stays, a lone surrogate and an odd last byte too.
    const std::u16string before = u"; \xD800 x\r\n[s]\r\nk=値\r\n";
    const std::u16string after = u"; \xD800 x\r\n[s]\r\nk=新\r\nj=v\r\n";
    struct Case {
        std::string before, read, after;
    };
    const std::vector<Case> cases = {
        {Utf16File(before), "値", Utf16File(after)},
        {Utf16File(before, false), "値", Utf16File(after, false)},
        {Utf16File(before) + "Z", "値", Utf16File(after) + "Z"},
        {std::string(kLittleEndianMark), std::string(kDefault), Utf16File(u"[s]\nk=新\nj=v\n")},
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

TEST_F(ProfileTest, MissingFolderGivesDefaultsAndIsMadeOnlyWhenAsked) {
    const std::string path = m_dir / "no/such/settings.ini";
    EXPECT_EQ(ProfileStore(path).GetString("s", "k", "d"), "d");
    EXPECT_FALSE(ProfileStore(path).WriteString("s", "k", "v"));
    EXPECT_FALSE(test::Exists(m_dir / "no"));

    EXPECT_TRUE(ProfileStore(path, ProfileStore::CreateFolders::Yes).WriteString("s", "k", "v"));
    EXPECT_EQ(test::ReadFile(path), "[s]\nk=v\n");
}

TEST_F(ProfileTest, WhatCannotBeReadOrWrittenIsNeverReplaced) {
    // Too big to be settings, no regular file, not for this user to read, read-only (no write bit,
    // which binds root too) or another user's; the folder lets anyone write, so only the store's
    // own refusal keeps them.
    constexpr off_t kSize = off_t{100} << 20;
    Put("[s]\nk=1\n");
    ASSERT_EQ(::truncate(m_path.c_str(), kSize), 0);
    const std::string fifo = m_dir / "fifo.ini";
    const std::string folder = m_dir / "folder.ini";
    const std::string secret = m_dir / "secret.ini";
    const std::string readOnly = m_dir / "readonly.ini";
    const std::string others = m_dir / "others.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    test::MakeFolder(folder);
    for (const auto& [path, mode] : {std::pair{secret, 0200}, {readOnly, 0444}, {others, 0644}}) {
        test::WriteFile(path, "[s]\nk=1\n");
        ASSERT_EQ(::chmod(path.c_str(), static_cast<mode_t>(mode)), 0);
    }
    ASSERT_EQ(::chmod(m_dir.Path().c_str(), 0777), 0);
    const ino_t inode = Inode();
    // The value each reads as: unreadable ones give the default.
    std::vector<std::pair<std::string, int>> cases = {{m_path, kDefaultInt},
                                                      {fifo, kDefaultInt},
                                                      {folder, kDefaultInt},
                                                      {secret, kDefaultInt},
                                                      {readOnly, 1}};
    if (::geteuid() == 0) { // another user's file only where the tests can give it away
        cases.emplace_back(others, 1);
    }
    const auto refused = [&] {
        for (const auto& [path, value] : cases) {
            ProfileStore store(path);
            if (store.GetInt("s", "k", kDefaultInt) != value || store.WriteString("s", "k", "v")) {
                return 1;
            }
            ProfileStore::Batch batch(store);
            if (store.WriteString("s", "k", "v") && batch.Flush()) {
                return 2;
            }
        }
        return 0;
    };
    EXPECT_EQ(test::RunAsUnprivileged(refused), 0);
    // As the owner, or as root, the read-only file is still refused.
    cases = {{m_path, kDefaultInt}, {fifo, kDefaultInt}, {folder, kDefaultInt}, {readOnly, 1}};
    EXPECT_EQ(refused(), 0);
    EXPECT_EQ(Inode(), inode);
    EXPECT_EQ(test::StatOf(m_path).st_size, kSize);
    EXPECT_TRUE(S_ISFIFO(test::StatOf(fifo).st_mode));
    EXPECT_TRUE(S_ISDIR(test::StatOf(folder).st_mode));
    ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
    for (const std::string& path : {secret, readOnly, others}) {
        EXPECT_EQ(test::ReadFile(path), "[s]\nk=1\n") << path;
    }
    EXPECT_EQ(test::StatOf(readOnly).st_mode & 07777, 0444u);
    EXPECT_EQ(test::FolderNames(m_dir.Path()),
              (Names{"fifo.ini", "folder.ini", "others.ini", "readonly.ini", "secret.ini", "settings.ini"}));
}

TEST_F(ProfileTest, WriteStoppedByTheFileSizeLimitLeavesTheOldFile) {
    // A hard-linked file is rewritten in place; the limit must stop that before its first byte.
    const std::string original = "[s]\nk=old\n" + std::string(1000, ';') + "\n";
    const std::string link = m_dir / "link.ini";
    for (const bool linked : {false, true}) {
        for (const bool killed : {false, true}) {
            Put(original);
            if (linked && !test::Exists(link)) {
                ASSERT_EQ(::link(m_path.c_str(), link.c_str()), 0);
            }
            const int result = test::RunInChild([&] {
                const rlimit noCore{0, 0};
                ::setrlimit(RLIMIT_CORE, &noCore);
                if (!killed) {
                    ::signal(SIGXFSZ, SIG_IGN);
                }
                rlimit size{};
                ::getrlimit(RLIMIT_FSIZE, &size);
                size.rlim_cur = original.size() + 100;
                if (::setrlimit(RLIMIT_FSIZE, &size) != 0) {
                    return 90;
                }
                return ProfileStore(m_path).WriteString("s", "k", std::string(1 << 20, 'x')) ? 1 : 0;
            });
            EXPECT_EQ(result, killed ? -SIGXFSZ : 0) << linked;
            EXPECT_EQ(Content(), original);
            if (linked) {
                EXPECT_EQ(test::ReadFile(link), original);
            } else if (!killed) { // a killed process cannot clean up after itself
                EXPECT_EQ(test::FolderNames(m_dir.Path()), Names{"settings.ini"});
            }
        }
    }
}

TEST_F(ProfileTest, BatchReadsOnceAndWritesOnlyItsOwnChangesOntoTheFileAsItIsThen) {
    ProfileStore store(m_path);
    Put("[s]\nk=1\n");
    EXPECT_EQ(store.GetInt("s", "k", 0), 1);
    Put("[s]\nk=2\n");
    EXPECT_EQ(store.GetInt("s", "k", 0), 2); // without a batch each call reads
    const ino_t before = Inode();
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
}

TEST_F(ProfileTest, FlushWritesOnlyChangesAndAFailedOneIsTriedAgainAtTheEnd) {
    Put("[s]\nk=1\n");
    ProfileStore store(m_path);
    {
        ProfileStore::Batch batch(store);
        EXPECT_TRUE(store.WriteString("s", "k", "2"));
        EXPECT_TRUE(batch.Flush());
        EXPECT_EQ(Content(), "[s]\nk=2\n");
        const ino_t flushed = Inode();
        // Neither the same value again nor a rejected one is a change to write.
        EXPECT_TRUE(store.WriteString("s", "k", "2"));
        EXPECT_FALSE(store.WriteString("s", "bad=key", "x"));
        EXPECT_TRUE(batch.Flush());
        EXPECT_EQ(Inode(), flushed);
    }
    const std::string later = m_dir / "later/settings.ini";
    ProfileStore laterStore(later);
    {
        ProfileStore::Batch batch(laterStore);
        EXPECT_TRUE(laterStore.WriteString("s", "k", "v"));
        EXPECT_FALSE(batch.Flush());
        test::MakeFolder(m_dir / "later");
    }
    EXPECT_EQ(test::ReadFile(later), "[s]\nk=v\n");
}

TEST_F(ProfileTest, TwoProgramsSavingAtOnceKeepEachOthersKeys) {
    // Each saves keys of its own in batches, many times: first starting without a file, then on
    // a file with a second hard link, which is rewritten in place.
    constexpr int kSaves = 100;
    ASSERT_EQ(::chmod(m_dir.Path().c_str(), 0777), 0);
    const auto saver = [&](const std::string& name) {
        return test::RunAsUnprivileged([&] {
            ProfileStore store(m_path);
            for (int i = 0; i < kSaves; ++i) {
                ProfileStore::Batch batch(store);
                if (!store.WriteInt(name, "k" + std::to_string(i), i) || !store.WriteInt("both", name, i) ||
                    !batch.Flush()) {
                    return 1;
                }
            }
            return 0;
        });
    };
    for (const bool linked : {false, true}) {
        if (linked) {
            Put("[start]\n");
            ASSERT_EQ(::chmod(m_path.c_str(), 0666), 0);
            ASSERT_EQ(::link(m_path.c_str(), (m_dir / "link.ini").c_str()), 0);
        }
        int otherResult = -1;
        std::thread other([&] { otherResult = saver("b"); });
        EXPECT_EQ(saver("a"), 0);
        other.join();
        EXPECT_EQ(otherResult, 0);
        int lost = 0;
        for (const std::string name : {"a", "b"}) {
            for (int i = 0; i < kSaves; ++i) {
                lost += GetInt(name, "k" + std::to_string(i)) == i ? 0 : 1;
            }
            EXPECT_EQ(GetInt("both", name), kSaves - 1);
        }
        EXPECT_EQ(lost, 0) << linked;
        EXPECT_EQ(test::StatOf(m_path).st_nlink, linked ? 2u : 1u);
    }
}

} // namespace
