#include "shell/GlobMatch.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool Match(std::string_view pattern, std::string_view text) {
    return GlobMatch(pattern, text, false);
}

bool Folded(std::string_view pattern, std::string_view text) {
    return GlobMatch(pattern, text, true);
}

} // namespace

TEST(GlobMatch, LiteralsMatchTheWholeTextOnly) {
    EXPECT_TRUE(Match("", ""));
    EXPECT_FALSE(Match("", "a"));
    EXPECT_FALSE(Match("a", ""));
    EXPECT_TRUE(Match("makefile", "makefile"));
    EXPECT_FALSE(Match("makefile", "makefile.am"));
    EXPECT_FALSE(Match("makefile", "gnumakefile"));
    EXPECT_FALSE(Match("Makefile", "makefile"));
    // No escapes: a backslash is an ordinary character.
    EXPECT_TRUE(Match("a\\b", "a\\b"));
    EXPECT_TRUE(Match("\\*", "\\anything"));
    EXPECT_FALSE(Match("\\*", "*"));
}

TEST(GlobMatch, StarTakesAnyRunIncludingNone) {
    EXPECT_TRUE(Match("*", ""));
    EXPECT_TRUE(Match("*", "anything.at.all"));
    EXPECT_TRUE(Match("**", ""));
    EXPECT_TRUE(Match("readme*", "readme"));
    EXPECT_TRUE(Match("readme*", "readme.txt"));
    EXPECT_FALSE(Match("readme*", "areadme"));
    EXPECT_TRUE(Match("*~", "~"));
    EXPECT_TRUE(Match("*~", "notes.txt~"));
    EXPECT_FALSE(Match("*~", "notes~.txt"));
    EXPECT_TRUE(Match("*.tar.gz", ".tar.gz"));
    EXPECT_FALSE(Match("*.tar.gz", "tar.gz"));
    // The star must give back what the rest needs, more than once.
    EXPECT_TRUE(Match("*ab", "aab"));
    EXPECT_TRUE(Match("*aab", "aaab"));
    EXPECT_TRUE(Match("a*b*c", "axxbyybzc"));
    EXPECT_FALSE(Match("a*b*c", "axxcyyb"));
    EXPECT_TRUE(Match("*.so.*", "lib.so.so.1"));
    EXPECT_TRUE(Match("a**b", "ab"));
    EXPECT_FALSE(Match("*a", "aab!"));
}

TEST(GlobMatch, ManyStarsOnALongMissStayFalse) {
    std::string pattern;
    for (int i = 0; i < 40; ++i) {
        pattern += "*a";
    }
    pattern += "*b";
    const std::string text(5000, 'a');
    EXPECT_FALSE(Match(pattern, text));
    EXPECT_TRUE(Match(pattern, text + "b"));
    const std::string unclosed(3000, '[');
    EXPECT_FALSE(Match("*" + unclosed + "x", unclosed));
    EXPECT_TRUE(Match("*" + unclosed, "x" + unclosed));
}

TEST(GlobMatch, QuestionMarkTakesOneCharacterNotOneByte) {
    EXPECT_TRUE(Match("?", "a"));
    EXPECT_FALSE(Match("?", ""));
    EXPECT_FALSE(Match("?", "ab"));
    EXPECT_TRUE(Match("a?c", "abc"));
    EXPECT_TRUE(Match("?", "\xc3\xa9")); // é
    EXPECT_FALSE(Match("??", "\xc3\xa9"));
    EXPECT_TRUE(Match("?.txt", "\xe8\xa1\xa8.txt")); // 表
    EXPECT_TRUE(Match("?", "\xf0\x9f\x98\x80"));     // a four-byte character
    EXPECT_FALSE(Match("*??", "\xe8\xa1\xa8"));      // the star does not split it either
    EXPECT_FALSE(Match("*\xa8", "\xe8\xa1\xa8"));
    // Bytes that start no valid sequence count one each.
    EXPECT_TRUE(Match("?", "\xff"));
    EXPECT_TRUE(Match("??", "\xe8\xa1"));      // cut short
    EXPECT_TRUE(Match("??", "\xc0\xaf"));      // overlong "/"
    EXPECT_TRUE(Match("???", "\xed\xa0\x80")); // a surrogate
}

TEST(GlobMatch, SetsTakeOneCharacterOfTheirMembers) {
    EXPECT_TRUE(Match("[abc]", "b"));
    EXPECT_FALSE(Match("[abc]", "d"));
    EXPECT_FALSE(Match("[abc]", ""));
    EXPECT_FALSE(Match("[abc]", "ab"));
    EXPECT_TRUE(Match("[0-9][0-9][0-9].vdr", "001.vdr"));
    EXPECT_FALSE(Match("[0-9][0-9][0-9].vdr", "01a.vdr"));
    EXPECT_FALSE(Match("[0-9][0-9][0-9].vdr", "0001.vdr"));
    EXPECT_TRUE(Match("[a-cx-z]", "y"));
    EXPECT_FALSE(Match("[a-cx-z]", "d"));
    EXPECT_TRUE(Match("*.anim[1-9j]", "x.anim9"));
    EXPECT_FALSE(Match("*.anim[1-9j]", "x.anim0"));
    EXPECT_FALSE(Match("[z-a]", "m")); // a reversed range holds nothing
    EXPECT_FALSE(Match("[z-a]", "z"));
    EXPECT_TRUE(Match("[z-az]", "z"));
}

TEST(GlobMatch, SetsAreNegatedByBangOrCaret) {
    EXPECT_FALSE(Match("[!abc]", "a"));
    EXPECT_TRUE(Match("[!abc]", "d"));
    EXPECT_FALSE(Match("[^a-c]", "b"));
    EXPECT_TRUE(Match("[^a-c]", "e"));
    EXPECT_FALSE(Match("[!a]", ""));
    EXPECT_TRUE(Match("[!a]", "\xc3\xa9"));
    EXPECT_TRUE(Match("[!a]", "\xff"));
    EXPECT_FALSE(Match("[!a]", "\xc3\xa9\xc3\xa9"));
}

TEST(GlobMatch, BracketsDashesAndUnclosedSetsAreOrdinaryWhereTheyCannotBeSyntax) {
    EXPECT_TRUE(Match("[]a]", "]"));
    EXPECT_TRUE(Match("[]a]", "a"));
    EXPECT_FALSE(Match("[!]a]", "]"));
    EXPECT_TRUE(Match("[!]a]", "b"));
    EXPECT_TRUE(Match("[a-]", "-"));
    EXPECT_TRUE(Match("[-a]", "-"));
    EXPECT_FALSE(Match("[a-]", "b"));
    EXPECT_TRUE(Match("[]-a]", "^")); // "]" to "a" as a range
    // Without a closing "]", "[" is a character like any other.
    EXPECT_TRUE(Match("[", "["));
    EXPECT_TRUE(Match("[abc", "[abc"));
    EXPECT_FALSE(Match("[abc", "a"));
    EXPECT_TRUE(Match("a[", "a["));
    EXPECT_TRUE(Match("[!", "[!"));
    EXPECT_TRUE(Match("[]", "[]"));
    EXPECT_TRUE(Match("*[*", "x[y"));
    EXPECT_TRUE(Match("[[]", "["));
}

TEST(GlobMatch, SetsHoldWholeUtf8Characters) {
    EXPECT_TRUE(Match("[\xc3\xa9\xc3\xa8]", "\xc3\xa8")); // [éè]
    EXPECT_FALSE(Match("[\xc3\xa9\xc3\xa8]", "\xc3"));
    EXPECT_TRUE(Match("[\xce\xb1-\xcf\x89]", "\xce\xb2")); // [α-ω] holds β
    EXPECT_FALSE(Match("[\xce\xb1-\xcf\x89]", "b"));
    EXPECT_TRUE(Match("[!\xc3\xa9]x", "ex"));
    EXPECT_FALSE(Match("[!\xc3\xa9]x", "\xc3\xa9x"));
}

TEST(GlobMatch, CaseFoldingCoversAsciiLettersOnly) {
    EXPECT_TRUE(Folded("readme*", "README.md"));
    EXPECT_FALSE(Match("readme*", "README.md"));
    EXPECT_TRUE(Folded("CMakeLists.txt", "cmakelists.TXT"));
    EXPECT_TRUE(Folded("[a-z]", "Q"));
    EXPECT_TRUE(Folded("[A-Z]", "q"));
    EXPECT_FALSE(Match("[A-Z]", "q"));
    EXPECT_TRUE(Folded("*.C", "x.c"));
    // A negated set leaves out both cases of its members.
    EXPECT_FALSE(Folded("[!a]", "A"));
    EXPECT_TRUE(Match("[!a]", "A"));
    // Letters outside ASCII keep their case; other characters are not letters.
    EXPECT_FALSE(Folded("\xc3\x89", "\xc3\xa9")); // É, é
    EXPECT_FALSE(Folded("@", "`"));
    EXPECT_FALSE(Folded("[", "{"));
}
