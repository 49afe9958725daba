#pragma once

#include "filelist/Apply.h"

#include <string>
#include <string_view>

// Reads an attribute list: "+r -h" sets read-only, clears hidden and keeps every other
// attribute as each item has it; "=ra" gives exactly these, every other attribute cleared, as
// the window does ("=" alone clears them all). Letters r (read-only), h (hidden), a (archive),
// in either case; words are separated by spaces or commas, and a sign holds for the letters
// after it up to the next sign ("+r-h" is "+r -h"). False with a message saying what is wrong:
// an unknown letter, a letter both set and cleared, "=" beside a sign, an empty list.
bool ParseAttributeList(std::string_view text, ApplyRequest::AttributeChange& out, std::string& error);
