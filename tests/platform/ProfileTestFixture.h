#pragma once

// The settings file fixture shared by the store's portable tests and each platform's own.

#include "platform/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace profile_test {

using platform::ProfileStore;
using Names = std::vector<std::string>;

constexpr std::string_view kDefault = "(default)";
constexpr std::string_view kLittleEndianMark = "\xFF\xFE";
constexpr int kDefaultInt = -7777;

// UTF-16 text as a file holds it, after its byte-order mark.
inline std::string Utf16File(std::u16string_view text, bool littleEndian = true) {
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
    uint64_t Inode() const { return test::FileIdOf(m_path); }

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

} // namespace profile_test
