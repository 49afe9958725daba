#pragma once

// Items opened and looked at by path, failing the test when that fails.

#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <string>

namespace test {

inline platform::Item OpenItem(const std::string& path) {
    std::error_code error;
    platform::Item item = platform::Item::Open(path, platform::FollowLinks::Yes, error);
    EXPECT_FALSE(error) << path << ": " << error.message();
    return item;
}

inline platform::FileInfo Query(const std::string& path) {
    platform::FileInfo info;
    EXPECT_FALSE(platform::QueryFile(platform::ItemRef::Path(path), info)) << path;
    return info;
}

// All ones when the attributes cannot be read.
inline uint32_t AttributesOf(const std::string& path) {
    return Query(path).attributes.value_or(~0U);
}

} // namespace test
