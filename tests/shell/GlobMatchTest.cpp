#include "shell/GlobMatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Case {
    std::string pattern, text;
    bool match;
};

void ExpectMatches(const std::vector<Case>& cases, bool foldCase = false) {
    for (const Case& c : cases) {
        EXPECT_EQ(GlobMatch(c.pattern, c.text, foldCase), c.match) << c.pattern << " ~ " << c.text;
    }
}

} // namespace

TEST(GlobMatch, LiteralsAndStarsMatchTheWholeText) {
    ExpectMatches({{"", "", true},
                   {"a\\b", "a\\b", true}, // no escapes
                   {"\\*", "*", false},
                   {"*~", "notes~.txt", false},
                   // The star must give back what the rest needs, more than once.
                   {"*aab", "aaab", true},
                   {"a*b*c", "axxcyyb", false},
                   {"*a", "aab!", false}});
}

TEST(GlobMatch, ManyStarsOnALongMissStayFalse) {
    std::string pattern;
    for (int i = 0; i < 40; ++i) {
        pattern += "*a";
    }
    const std::string text(5000, 'a');
    const std::string unclosed(3000, '[');
    ExpectMatches({{pattern + "*b", text, false},
                   {pattern + "*b", text + "b", true},
                   {"*" + unclosed + "x", unclosed, false},
                   {"*" + unclosed, "x" + unclosed, true}});
}

TEST(GlobMatch, QuestionMarkTakesOneCharacterNotOneByte) {
    ExpectMatches({{"?", "", false},
                   {"?", "\xc3\xa9", true},             // é
                   {"?.txt", "\xe8\xa1\xa8.txt", true}, // 表
                   {"*??", "\xe8\xa1\xa8", false},      // the star does not split it either
                   {"*\xa8", "\xe8\xa1\xa8", false},
                   // Bytes that start no valid sequence count one each.
                   {"?", "\xff", true},
                   {"??", "\xe8\xa1", true},        // cut short
                   {"??", "\xc0\xaf", true},        // overlong "/"
                   {"???", "\xed\xa0\x80", true}}); // a surrogate
}

TEST(GlobMatch, SetsTakeOneCharacterOfTheirMembers) {
    ExpectMatches({{"[0-9][0-9].vdr", "01a.vdr", false},
                   {"[a-cx-z]", "y", true},
                   {"[!a]", "\xc3\xa9", true},
                   {"[!a]", "\xc3\xa9\xc3\xa9", false},
                   {"[\xce\xb1-\xcf\x89]", "\xce\xb2", true}, // [α-ω] holds β
                   {"[\xc3\xa9\xc3\xa8]", "\xc3", false},
                   {"[!\xc3\xa9]x", "\xc3\xa9x", false}});
}

TEST(GlobMatch, BracketsAndDashesAreOrdinaryWhereTheyCannotBeSyntax) {
    ExpectMatches({{"[]a]", "]", true},
                   {"[!]a]", "]", false},
                   {"[a-]", "-", true},
                   {"[]-a]", "^", true}, // "]" to "a" as a range
                   // Without a closing "]", "[" is a character like any other.
                   {"[abc", "a", false},
                   {"*[*", "x[y", true},
                   {"[[]", "[", true}});
}

TEST(GlobMatch, CaseFoldingCoversAsciiLettersOnly) {
    ExpectMatches({{"readme*", "README.md", false}, {"[A-Z]", "q", false}, {"[!a]", "A", true}});
    ExpectMatches({{"readme*", "README.md", true},
                   {"[a-z]", "Q", true},
                   {"[!a]", "A", false},            // a negated set leaves out both cases
                   {"\xc3\x89", "\xc3\xa9", false}, // É, é
                   {"[", "{", false}},
                  true);
}
