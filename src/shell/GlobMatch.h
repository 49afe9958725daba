#pragma once

#include <string_view>

// True when the whole text matches the shell-style glob: "*" stands for any run of characters,
// "?" for one character, "[...]" for one character of a set with ranges ("[a-z0-9_]"), negated
// by a leading "!" or "^"; a "]" first in a set is a member, and a "[" without a "]" after it is
// an ordinary character. There are no escapes (the MIME globs use none).
// Characters are UTF-8 sequences, so "?" never takes half of one; a byte that starts no valid
// sequence is a character of its own. caseFold folds the ASCII letters only.
// Time grows with pattern size times text size at worst, never exponentially.
bool GlobMatch(std::string_view pattern, std::string_view text, bool caseFold);
