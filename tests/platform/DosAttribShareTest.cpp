// user.DOSATTRIB on a real Samba share: what smbd writes when a client sets attributes and
// creation times, and what it shows of a record written here.
#include "platform/DosAttrib.h"
#include "support/SambaServer.h"

#include <gtest/gtest.h>

#include <optional>
#include <sys/xattr.h>
#include <vector>

namespace {

constexpr uint32_t kReadOnly = 0x1, kHidden = 0x2, kSystem = 0x4, kFolder = 0x10, kArchive = 0x20;

class DosAttribShare : public test::SambaTest {
protected:
    // Makes a file, or a folder when the name ends in "/", on the server's disk.
    static std::string Make(const std::string& name) {
        const std::string path = *s_server / name;
        if (name.back() == '/') {
            test::MakeFolder(path);
        } else {
            test::WriteFile(path, "data");
        }
        return path;
    }

    static test::SambaServer::Reply Client(const std::string& commands) {
        auto reply = s_server->Client(commands);
        EXPECT_EQ(reply.status, 0) << commands << "\n" << reply.output;
        return reply;
    }
};

} // namespace

TEST_F(DosAttribShare, WhatAClientSetsIsWhatTheRecordHolds) {
    const uint64_t born = 126256467060000000;       // 2001-02-03 04:05:06 UTC in NT ticks
    const uint64_t folderBorn = 125911583980000000; // 1999-12-31 23:59:58 UTC
    struct Case {
        std::string name;
        std::string commands;
        uint32_t attributes;
        std::optional<uint64_t> created;
    };
    const std::vector<Case> cases = {
        {"hidden.txt", "setmode hidden.txt +h", kHidden, {}},
        {"all.txt", "setmode all.txt +rsha", kReadOnly | kSystem | kHidden | kArchive, {}},
        {"cleared.txt", "setmode cleared.txt +rsha; setmode cleared.txt -rs", kHidden | kArchive, {}},
        {"born.txt", "setmode born.txt +h; utimes born.txt 2001:02:03-04:05:06 -1 -1 -1", kHidden, born},
        {"kept.txt", "utimes kept.txt 2001:02:03-04:05:06 -1 -1 -1; setmode kept.txt +a; setmode kept.txt +r",
         kReadOnly | kArchive, born},
        {"hidden/", "setmode hidden +h", kFolder | kHidden, {}},
        {"cleared/", "setmode cleared +rsha; setmode cleared -rsha", kFolder, {}},
        {"born/", "setmode born +s; utimes born 1999:12:31-23:59:58 -1 -1 -1", kFolder | kSystem, folderBorn},
    };
    std::string commands;
    for (const Case& c : cases) {
        Make(c.name);
        commands += c.commands + "; ";
    }
    Client(commands);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = *s_server / c.name;
        platform::DosAttrib record;
        ASSERT_FALSE(platform::DecodeDosAttrib(test::DosRecord(path), record));
        EXPECT_EQ(record.attributes, c.attributes);
        if (c.created) {
            EXPECT_EQ(record.created, c.created);
        }
        // Read-only lives in the record alone: smbd leaves the permissions as they were.
        EXPECT_EQ(test::StatOf(path).st_mode & 0777, c.name.back() == '/' ? 0755U : 0644U);
    }
}

TEST_F(DosAttribShare, ARecordWrittenHereIsWhatClientsSee) {
    const uint64_t born = 126939964280000000; // 2003-04-05 06:07:08 UTC in NT ticks
    // Version 1 as Samba packs it, create_time zero: smbd reads version 1's creation time.
    const std::string v1 = std::string("0x20\0\0\1\0\1\0\0\0\x20\0\0\0", 16) + std::string(36, '\0');
    struct Case {
        std::string name;
        std::string before; // the record there first; "smb" for one smbd writes
        uint32_t attributes;
        std::string shown; // allinfo's attributes line
    };
    const std::vector<Case> cases = {
        {"new.txt", "", kHidden | kArchive, "HA (22)"},
        {"text.txt", std::string("0x20\0", 5), kHidden | kArchive, "HA (22)"},
        {"samba.txt", "smb", kReadOnly | kHidden | kArchive, "RHA (23)"},
        {"one.txt", v1, kHidden, "H (2)"},
        {"new/", "", kFolder | kHidden | kArchive, "HDA (32)"},
    };
    std::string commands;
    for (const Case& c : cases) {
        const std::string path = Make(c.name);
        if (c.before == "smb") {
            commands += "setmode " + c.name + " +s; ";
        } else if (!c.before.empty()) {
            ASSERT_EQ(::setxattr(path.c_str(), "user.DOSATTRIB", c.before.data(), c.before.size(), 0), 0);
        }
    }
    Client(commands);
    commands.clear();
    for (const Case& c : cases) {
        const std::string path = *s_server / c.name;
        platform::DosAttrib record;
        ASSERT_FALSE(platform::DecodeDosAttrib(test::DosRecord(path), record));
        record.attributes = c.attributes;
        record.created = born;
        std::string value;
        ASSERT_FALSE(platform::EncodeDosAttrib(record, value));
        ASSERT_EQ(::setxattr(path.c_str(), "user.DOSATTRIB", value.data(), value.size(), 0), 0);
        commands += "allinfo " + c.name.substr(0, c.name.find('/')) + "; ";
    }
    const std::string output = Client(commands).output;
    size_t from = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // allinfo prints each item's lines in turn, starting with "altname:".
        from = output.find("altname: " + c.name.substr(0, c.name.find('/')) + "\n", from);
        ASSERT_NE(from, std::string::npos) << output;
        const std::string item = output.substr(from, output.find("altname:", from + 1) - from);
        EXPECT_EQ(test::SambaServer::InfoLine(item, "create_time"), "Sat Apr  5 06:07:08 2003 UTC");
        EXPECT_EQ(test::SambaServer::InfoLine(item, "attributes"), c.shown);
    }
}
