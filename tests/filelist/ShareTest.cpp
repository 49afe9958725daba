// Datemark and a real Samba server on the same disk: what one sets, the other shows.
#include "filelist/Apply.h"
#include "filelist/FileEntry.h"
#include "filelist/FileFacts.h"
#include "support/SambaServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// 2001-02-03 04:05:06 and 2005-10-12 14:06:42, in UTC, the zone of the tests and of smbclient.
constexpr SYSTEMTIME kCreated{2001, 2, 6, 3, 4, 5, 6, 0};
constexpr SYSTEMTIME kUpdated{2005, 10, 3, 12, 14, 6, 42, 0};

class ShareTest : public test::SambaTest {
protected:
    static FileEntry Row(const std::string& path) {
        FileEntry e;
        e.SetPath(path);
        ReadRowFacts(e, FactsRead::Insert);
        return e;
    }

    // What smbclient's allinfo shows of an item: its creation and write times and attributes.
    static std::string Shown(const std::string& name) {
        const auto reply = s_server->Client("allinfo \"" + name + "\"");
        EXPECT_EQ(reply.status, 0) << reply.output;
        const std::string& out = reply.output;
        return test::SambaServer::InfoLine(out, "create_time") + " | " +
               test::SambaServer::InfoLine(out, "write_time") + " | " +
               test::SambaServer::InfoLine(out, "attributes");
    }

    test::ScopedTimeZone utc{"UTC"};
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
        ApplyRequest r;
        r.setCreated = r.setUpdated = r.setAttributes = 1;
        r.created = kCreated;
        r.updated = kUpdated;
        r.folderTarget = 1;
        const std::string_view a = c.attributes;
        r.readOnly = a.find('R') != a.npos ? 1 : 0;
        r.hidden = a.find('H') != a.npos ? 1 : 0;
        r.archive = a.find('A') != a.npos ? 1 : 0;
        ApplyToEntry(Row(path), r);
        FinishRun(r);
        EXPECT_EQ(r.log, "") << c.name;
        EXPECT_EQ(Shown(c.name), "Sat Feb  3 04:05:06 2001 UTC | Wed Oct 12 14:06:42 2005 UTC | " + c.shown)
            << c.name;
    }
}

TEST_F(ShareTest, WhatAWindowsClientSetsIsWhatTheListShows) {
    test::WriteFile(*s_server / "client.txt", "data");
    test::MakeFolder(*s_server / "client");
    const auto reply = s_server->Client(
        "utimes client.txt 2001:02:03-04:05:06 -1 2005:10:12-14:06:42 -1; setmode client.txt +rh; "
        "utimes client 1999:12:31-23:59:58 -1 -1 -1; setmode client +a");
    ASSERT_EQ(reply.status, 0) << reply.output;
    const FileEntry file = Row(*s_server / "client.txt");
    ASSERT_NE(file.GetCreated(), nullptr);
    ASSERT_NE(file.GetUpdated(), nullptr);
    EXPECT_EQ(FormatListTime(*file.GetCreated()), "2001/2/3 4:5:6");
    EXPECT_EQ(FormatListTime(*file.GetUpdated()), "2005/10/12 14:6:42");
    EXPECT_EQ(file.GetAttrText(), "RH");
    const FileEntry folder = Row(*s_server / "client");
    ASSERT_NE(folder.GetCreated(), nullptr);
    EXPECT_EQ(FormatListTime(*folder.GetCreated()), "1999/12/31 23:59:58");
    EXPECT_EQ(folder.GetAttrText(), "A");
}
