#include "shell/GlobMatch.h"

#include "platform/Utf8.h"

#include <cstddef>

namespace {

constexpr size_t kNone = std::string_view::npos;

// A byte that starts no valid sequence decodes above the Unicode range, equal only to itself.
constexpr char32_t kLoneByte = 0x110000;

struct Char {
    char32_t code;
    size_t size;
};

// The character starting at s[i] when that is not ASCII. Overlong forms and surrogates are not
// valid, as in Qt's decoder, so both sides split a name into the same characters.
Char DecodeWide(std::string_view s, size_t i) {
    char32_t code = 0;
    if (const size_t size = platform::DecodeUtf8(s, i, code); size != 0) {
        return {code, size};
    }
    return {kLoneByte + static_cast<unsigned char>(s[i]), 1};
}

// The character starting at s[i], i < s.size().
inline Char Decode(std::string_view s, size_t i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    return lead < 0x80 ? Char{lead, 1} : DecodeWide(s, i);
}

char32_t Lower(char32_t c) {
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

char32_t Upper(char32_t c) {
    return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
}

bool InRange(char32_t c, char32_t first, char32_t last, bool fold) {
    if (first <= c && c <= last) {
        return true;
    }
    if (!fold) {
        return false;
    }
    const char32_t lower = Lower(c);
    const char32_t upper = Upper(c);
    return (first <= lower && lower <= last) || (first <= upper && upper <= last);
}

struct Matcher {
    Matcher(std::string_view pattern, bool fold)
        : m_pattern(pattern), m_fold(fold), m_lastClose(pattern.rfind(']')) {}

    // Just past the "]" closing the set that opens at m_pattern[open], or kNone when no "]"
    // closes it. The last "]" is remembered: without it an unclosed "[" would rescan the rest
    // of the pattern at every try, and time would grow with the pattern's size squared.
    size_t SetEnd(size_t open) const {
        size_t i = open + 1;
        if (i < m_pattern.size() && (m_pattern[i] == '!' || m_pattern[i] == '^')) {
            ++i;
        }
        if (i < m_pattern.size() && m_pattern[i] == ']') {
            ++i;
        }
        if (m_lastClose == kNone || m_lastClose < i) {
            return kNone;
        }
        return m_pattern.find(']', i) + 1;
    }

    bool InSet(size_t open, size_t end, char32_t c) const {
        size_t i = open + 1;
        bool negated = false;
        if (m_pattern[i] == '!' || m_pattern[i] == '^') {
            negated = true;
            ++i;
        }
        const size_t close = end - 1;
        bool found = false;
        while (i < close) {
            const Char first = Decode(m_pattern, i);
            i += first.size;
            char32_t last = first.code;
            if (i + 1 < close && m_pattern[i] == '-') {
                const Char to = Decode(m_pattern, i + 1);
                last = to.code;
                i += 1 + to.size;
            }
            found = found || InRange(c, first.code, last, m_fold);
        }
        return found != negated;
    }

    bool Same(char32_t a, char32_t b) const { return a == b || (m_fold && Lower(a) == Lower(b)); }

    const std::string_view m_pattern;
    const bool m_fold;
    const size_t m_lastClose;
};

} // namespace

bool GlobMatch(std::string_view pattern, std::string_view text, bool caseFold) {
    const Matcher m(pattern, caseFold);
    // A glob ending in an ASCII character other than "*", "?" or "]" ends in that character
    // itself, which the text must end in too: most names fail here at once.
    if (!pattern.empty()) {
        const auto last = static_cast<unsigned char>(pattern.back());
        if (last < 0x80 && last != '*' && last != '?' && last != ']' &&
            (text.empty() || !m.Same(last, static_cast<unsigned char>(text.back())))) {
            return false;
        }
    }
    size_t p = 0;
    size_t t = 0;
    // Only the latest "*" is ever retried: whatever an earlier one could take more of, the
    // latest can take instead, since what lies between them matched already.
    size_t starP = kNone;
    size_t starT = 0;
    while (t < text.size()) {
        if (p < pattern.size()) {
            if (pattern[p] == '*') {
                starP = ++p;
                starT = t;
                continue;
            }
            const Char c = Decode(text, t);
            bool matched = false;
            size_t next = p + 1;
            if (pattern[p] == '?') {
                matched = true;
            } else if (const size_t end = pattern[p] == '[' ? m.SetEnd(p) : kNone; end != kNone) {
                matched = m.InSet(p, end, c.code);
                next = end;
            } else {
                const Char literal = Decode(pattern, p);
                matched = m.Same(literal.code, c.code);
                next = p + literal.size;
            }
            if (matched) {
                p = next;
                t += c.size;
                continue;
            }
        }
        if (starP == kNone) {
            return false;
        }
        starT += Decode(text, starT).size;
        t = starT;
        p = starP;
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}
