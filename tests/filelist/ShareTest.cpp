// Datemark and a real Samba server on the same disk: what Datemark sets is what Windows clients see.
#include "filelist/ApplyTestSupport.h"
#include "support/SambaServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using apply_test::Listed;

namespace {

class ShareTest : public test::SambaTest {
protected:
    // What smbclient's allinfo shows of an item: its creation and write times and attributes.
    static std::string Shown(const std::string& name) {
        const auto reply = s_server->Client("allinfo \"" + name + "\"");
        EXPECT_EQ(reply.status, 0) << reply.output;
        const std::string& out = reply.output;
        return test::SambaServer::InfoLine(out, "create_time") + " | " +
               test::SambaServer::InfoLine(out, "write_time") + " | " +
               test::SambaServer::InfoLine(out, "attributes");
    }

    test::ScopedTimeZone utc{"UTC"}; // the zone of smbclient's times
};

} // namespace

TEST_F(ShareTest, WhatDatemarkSetsIsWhatWindowsClientsSee) {
    struct Case {
        std::string name;
        const char* attributes; // the boxes ticked
        std::string shown;
    };
    const Case cases[] = {
        {"plain.txt", "A", "A (20)"},
        {"all.txt", "RHA", "RHA (23)"},
        {"none.txt", "", "(80)"},
        {"folder", "H", "HD (12)"},
    };
    for (const Case& c : cases) {
        const std::string path = *s_server / c.name;
        c.name == "folder" ? test::MakeFolder(path) : test::WriteFile(path, "data");
        ApplyRequest r = apply_test::Request(true, true, c.attributes);
        ApplyToEntry(Listed(path), r);
        FinishRun(r);
        EXPECT_EQ(r.log, "") << c.name;
        EXPECT_EQ(Shown(c.name), "Sat Feb  3 04:05:06 2001 UTC | Wed Oct 12 14:06:42 2005 UTC | " + c.shown)
            << c.name;
    }
}
