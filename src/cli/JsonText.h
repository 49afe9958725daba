#pragma once

#include <string>
#include <string_view>

// Appends text as a JSON string, quotes included, always valid JSON: a byte that starts no valid
// UTF-8 character becomes U+FFFD (names are bytes on Linux), control characters are escaped, and
// so are U+2028 and U+2029, which end lines in JavaScript.
void AppendJsonString(std::string& out, std::string_view text);

// The bytes in base64 (RFC 4648, padded), for what a JSON string cannot hold as it is.
std::string Base64(std::string_view bytes);
