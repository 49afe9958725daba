#include "cli/AttributeArgs.h"

namespace {

uint32_t BitOf(char letter) {
    switch (letter) {
    case 'r':
    case 'R':
        return platform::attr::ReadOnly;
    case 'h':
    case 'H':
        return platform::attr::Hidden;
    case 'a':
    case 'A':
        return platform::attr::Archive;
    default:
        return 0;
    }
}

} // namespace

bool ParseAttributeList(std::string_view text, ApplyRequest::AttributeChange& out, std::string& error) {
    out = {};
    const std::string quoted = "'" + std::string(text) + "'";
    char sign = 0;
    bool exact = false;
    bool relative = false;
    for (const char c : text) {
        if (c == ' ' || c == ',' || c == '\t') {
            continue;
        }
        if (c == '+' || c == '-' || c == '=') {
            sign = c;
            exact = exact || c == '=';
            relative = relative || c != '=';
            continue;
        }
        const uint32_t bit = BitOf(c);
        if (bit == 0 || sign == 0) {
            error = quoted +
                    " is not an attribute list: give letters r, h, a after + or -, such as \"+r -h\", "
                    "or exactly the ones wanted after =, such as \"=ra\"";
            return false;
        }
        uint32_t& mine = sign == '-' ? out.clear : out.set;
        const uint32_t other = sign == '-' ? out.set : out.clear;
        if ((other & bit) != 0) {
            error = quoted + ": '" + std::string(1, c) + "' is both set and cleared";
            return false;
        }
        mine |= bit;
    }
    if (exact && relative) {
        error = quoted + ": \"=\" gives the whole list and takes no + or -";
        return false;
    }
    if (!exact && (out.set | out.clear) == 0) {
        error = "an empty attribute list: give letters r, h, a after + or -, or after =";
        return false;
    }
    if (exact) {
        out.clear = platform::attr::Settable & ~out.set;
    }
    return true;
}
