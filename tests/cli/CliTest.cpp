// datemark-cli run as the process a person runs: its exit status, what it writes where, and the
// files on disk afterwards.
#include "filelist/FileFacts.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/ItemTestSupport.h"
#include "support/LoopMount.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

enum class As { Caller, Unprivileged };

// Where the program keeps its journals: a folder of the tests' own for each user.
std::string StateHome(As as) {
    static test::TempDir home;
    ::chmod(home.Path().c_str(), 0755);
    const std::string path = home / (as == As::Unprivileged ? "user" : "caller");
    if (!test::Exists(path)) {
        test::MakeFolder(path);
        EXPECT_EQ(::chown(path.c_str(), as == As::Unprivileged ? 65534 : ::geteuid(), 65534), 0);
    }
    return path;
}

// The program with these arguments, in a time zone of the test's choice, with the C library's
// own texts; as uid and gid 65534 where asked and the tests run as root.
Result Cli(const std::vector<std::string>& args, const char* tz = "Asia/Tokyo", As as = As::Caller,
           std::string stateHome = {}) {
    std::vector<std::string> argv;
    if (as == As::Unprivileged && ::geteuid() == 0) {
        argv = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    }
    argv.push_back(DATEMARK_CLI);
    argv.insert(argv.end(), args.begin(), args.end());
    Result r;
    stateHome = stateHome.empty() ? StateHome(as) : stateHome;
    r.status = test::RunProgram(
        argv, "", r.out, {std::string("TZ=") + tz, "LC_ALL=C.UTF-8", "XDG_STATE_HOME=" + stateHome}, &r.err);
    return r;
}

// The clock the program reads; time() is a coarser one that may still show the second before.
int64_t Now() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

using test::MtimeOf;
using test::SetMtime;

// The creation time and attribute letters as the list reads them.
int64_t Created(const std::string& path) {
    const platform::FileInfo info = test::Query(path);
    return info.created ? info.created->seconds : -1;
}

std::string Letters(const std::string& path) {
    return AttributeLetters(test::Query(path).attributes.value_or(0));
}

// Little-endian numbers of 2 and 4 bytes.
void Le(std::string& s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        s += static_cast<char>(v >> (8 * i));
    }
}

// Little-endian TIFF data whose first IFD lies at ifdAt and points to an Exif IFD with these
// ASCII entries (tag, text).
std::string Tiff(const std::vector<std::pair<unsigned, std::string>>& entries, uint32_t ifdAt = 8) {
    std::string t = "II*";
    t += '\0';
    Le(t, ifdAt, 4);
    t.resize(ifdAt, '\0');
    const uint32_t exifAt = ifdAt + 18;
    Le(t, 1, 2);
    Le(t, 0x8769, 2); // the Exif IFD's place
    Le(t, 4, 2);
    Le(t, 1, 4);
    Le(t, exifAt, 4);
    Le(t, 0, 4);
    uint32_t dataAt = exifAt + 2 + 12 * static_cast<uint32_t>(entries.size()) + 4;
    std::string data;
    Le(t, static_cast<unsigned>(entries.size()), 2);
    for (const auto& [tag, text] : entries) {
        Le(t, tag, 2);
        Le(t, 2, 2); // ASCII
        Le(t, static_cast<uint32_t>(text.size() + 1), 4);
        if (text.size() < 4) { // up to four bytes are kept in the entry itself
            t += text;
            t.append(4 - text.size(), '\0');
            continue;
        }
        Le(t, dataAt + static_cast<uint32_t>(data.size()), 4);
        data += text + '\0';
    }
    Le(t, 0, 4);
    return t + data;
}

// The smallest JPEG the reader takes: start of image, then the Exif segment.
std::string Jpeg(const std::vector<std::pair<unsigned, std::string>>& entries) {
    const std::string exif = std::string("Exif\0\0", 6) + Tiff(entries);
    const size_t length = exif.size() + 2;
    return std::string("\xFF\xD8\xFF\xE1") + static_cast<char>(length >> 8) +
           static_cast<char>(length & 0xFF) + exif;
}

constexpr unsigned kDateTimeOriginal = 0x9003;
constexpr unsigned kOffsetTimeOriginal = 0x9011;
constexpr unsigned kUserComment = 0x9286;

// A photo taken at 2005-10-12 14:06:42 at this offset.
std::string Photo(const std::string& offset) {
    return Jpeg({{kDateTimeOriginal, "2005:10:12 14:06:42"}, {kOffsetTimeOriginal, offset}});
}

// 2005-10-12 14:06:42 in Tokyo, and in UTC.
constexpr int64_t kTokyo = 1129093602;
constexpr int64_t kUtc = 1129126002;

class CliTest : public ::testing::Test {
protected:
    std::string File(const char* name, int64_t mtime = 1000000000, std::string_view content = "") {
        const std::string path = dir / name;
        test::WriteFile(path, content);
        SetMtime(path, mtime);
        return path;
    }

    // The program keeping its journals in a folder of this test's own.
    Result WithOwnJournals(const std::vector<std::string>& args) {
        return Cli(args, "Asia/Tokyo", As::Caller, home);
    }

    test::TempDir dir;
    std::string home = dir / "state";
};

} // namespace

TEST_F(CliTest, BadUsageNamesTheArgumentAndChangesNothingWhileHelpAndVersionAnswerOnStandardOutput) {
    const std::string f = File("f.txt");
    const struct {
        std::vector<std::string> args;
        const char* named;
    } cases[] = {
        {{"set", "--modified", "now", "--created", "2005-13-01", f}, "--created"},
        {{"set", "--modified", "now", "--attributes", "+x", f}, "--attributes"},
        {{"shift", "--modified", "1h", f}, "--modified"},
        {{"copy", "--created-from", dir / "missing", f}, "--created-from"},
        {{"set", "-r", f}, "nothing to change"},
        {{"set", "--modified", "now"}, "PATH"},
        {{"set", "--modified", "now", "--bogus", f}, "--bogus"},
        {{"sett", f}, "sett"},
        {{}, "subcommand"},
        // "--name=" with nothing after it names the option, rather than taking the next argument
        {{"set", "--modified=", f}, "the value of --modified is empty"},
        {{"set", "--created=", "--modified", "now", f}, "the value of --created is empty"},
        {{"set", "--attributes=", f}, "the value of --attributes is empty"},
        {{"shift", "--created=", "--modified", "+1h", f}, "the value of --created is empty"},
        {{"-v", "shift", "--modified", "+1h", "--modified=", f}, "the value of --modified is empty"},
        {{"copy", "--created-from=", "modified", f}, "the value of --created-from is empty"},
        {{"copy", "--modified-from=", f}, "the value of --modified-from is empty"},
    };
    for (const auto& c : cases) {
        const Result r = Cli(c.args);
        EXPECT_EQ(r.status, 2) << c.named;
        EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(MtimeOf(f), 1000000000);
    EXPECT_EQ(Letters(f), "");
    // After "--" it is a path, and one that ends in '=' with a value before it is a value.
    const Result path = Cli({"set", "--attributes==", "--modified", "now", "--", "--modified="});
    EXPECT_EQ(path.status, 1);
    EXPECT_NE(path.err.find("--modified= - "), std::string::npos) << path.err;
    // The way to the usage is that of the command the mistake was made in.
    EXPECT_NE(Cli({"undo", "--dry-rn"}).err.find("Run 'datemark-cli undo --help'"), std::string::npos);
    EXPECT_NE(Cli({}).err.find("Run 'datemark-cli --help'"), std::string::npos);
    for (const char* sub : {"set", "shift", "copy", "show"}) {
        const Result r = Cli({sub, "--help"});
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("PATH"), std::string::npos) << r.out;
    }
    const Result version = Cli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("datemark-cli ", 0), 0u) << version.out;
}

TEST_F(CliTest, LocalTimesAreRefusedWhereTheirMomentLeavesTheYears1601To9999) {
    const struct {
        const char* tz;
        const char* option;
        const char* time;
        const char* shown; // by a dry run; null: refused
    } cases[] = {
        {"America/New_York", "--created", "9999-12-31T23:00:00", nullptr}, // 10000-01-01 in UTC
        {"America/New_York", "--modified", "9999-12-31T18:59:59", "9999-12-31T18:59:59-05:00"},
        {"Europe/Berlin", "--modified", "1601-01-01T00:00:00", nullptr}, // 1600 in UTC
        // Tokyo's local mean time was +09:18:59.
        {"Asia/Tokyo", "--created", "1601-01-01T09:18:58", nullptr},
        {"Asia/Tokyo", "--created", "1601-01-01T09:18:59", "1601-01-01T00:00:00Z"},
    };
    for (const auto& c : cases) {
        const std::string f = File("f.txt");
        const std::string at = std::string(c.tz) + " " + c.time;
        if (c.shown != nullptr) {
            const Result r = Cli({"set", "-n", c.option, c.time, f}, c.tz);
            EXPECT_EQ(r.status, 0) << at << ": " << r.err;
            EXPECT_NE(r.out.find(std::string("→ ") + c.shown), std::string::npos) << at << ": " << r.out;
            continue;
        }
        const int64_t created = Created(f);
        const Result r = Cli({"set", c.option, c.time, f}, c.tz);
        EXPECT_EQ(r.status, 2) << at;
        EXPECT_NE(r.err.find(std::string(c.option) + ": '" + c.time + "' lies outside the years"),
                  std::string::npos)
            << at << ": " << r.err;
        EXPECT_EQ(MtimeOf(f), 1000000000) << at;
        EXPECT_EQ(Created(f), created) << at;
    }
}

TEST_F(CliTest, SetWritesTimesAsTheWindowReadsThem) {
    // New York: 01:30 on 7 November 2021 came twice, 02:30 on 14 March not at all.
    const struct {
        const char* time;
        int64_t mtime; // 0: now
    } cases[] = {
        {"2021-11-07T01:30:00", 1636263000},       // the first, as the window takes it
        {"2021-11-07T01:30:00-05:00", 1636266600}, // the second, as written
        {"now", 0},
    };
    const std::string f = File("f.txt");
    for (const auto& c : cases) {
        const int64_t before = Now();
        const Result r = Cli({"set", "--modified", c.time, f}, "America/New_York");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err + r.out, "");
        if (c.mtime != 0) {
            EXPECT_EQ(MtimeOf(f), c.mtime) << c.time;
        } else {
            EXPECT_GE(MtimeOf(f), before);
            EXPECT_LE(MtimeOf(f), Now());
        }
    }
    ASSERT_EQ(Cli({"set", "--created", "2005-10-12T14:06:42", f}).status, 0);
    EXPECT_EQ(Created(f), kTokyo);
}

TEST_F(CliTest, AttributeListsKeepWhatTheyDoNotName) {
    const std::string f = File("f.txt");
    const struct {
        const char* list;
        const char* letters;
    } steps[] = {{"=h", "H"}, {"+r", "RH"}, {"-h +a", "RA"}, {"+h -a", "RH"}, {"=", ""}};
    for (const auto& s : steps) {
        const Result r = Cli({"set", "--attributes", s.list, f});
        EXPECT_EQ(r.status, 0) << s.list << ": " << r.err;
        EXPECT_EQ(Letters(f), s.letters) << s.list;
    }
    // A name starting with "." stays hidden: one line, and the rest is done.
    const std::string dot = File(".dot");
    const Result r = Cli({"set", "--attributes", "-h +r", dot});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind(dot + " - ", 0), 0u) << r.err;
    EXPECT_EQ(Letters(dot), "RH");
}

TEST_F(CliTest, FoldersAreChangedOnlyAsAskedAndEveryLineIsTold) {
    const std::string root = dir / "root";
    test::MakeFolder(root);
    test::MakeFolder(root + "/sub");
    const std::vector<std::string> items = {root, root + "/a.txt", root + "/sub", root + "/sub/b.txt"};
    const struct {
        std::vector<std::string> options;
        const char* changed; // root, a.txt, sub, b.txt
        int status;
    } cases[] = {
        {{}, "0000", 1},
        {{"--folders"}, "1000", 0},
        {{"--recursive"}, "0101", 0},
    };
    for (const auto& c : cases) {
        for (const std::string& item : items) {
            if (item.find(".txt") != std::string::npos) {
                test::WriteFile(item, "");
            }
            SetMtime(item, 1000000000);
        }
        std::vector<std::string> args = {"set", "--modified", "2005-10-12T14:06:42"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(root + "/");
        args.push_back(dir / "missing");
        const Result r = Cli(args);
        std::string changed;
        for (const std::string& item : items) {
            changed += MtimeOf(item) == kTokyo ? '1' : '0';
        }
        EXPECT_EQ(changed, c.changed) << c.changed;
        // The missing path always gets its line; the folder one where nothing was asked of it.
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.find(root + " - ") != std::string::npos, c.status == 1) << r.err;
        EXPECT_NE(r.err.find(dir / "missing - "), std::string::npos) << r.err;
    }
}

TEST_F(CliTest, NoCrossMountsLeavesOtherMountsBelowAlone) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a bind mount needs root";
    }
    const test::TempDir other;
    test::WriteFile(other / "inside.txt", "");
    SetMtime(other / "inside.txt", 1000000000);
    const std::string mnt = dir / "mnt";
    test::MakeFolder(mnt);
    if (::mount(other.Path().c_str(), mnt.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        GTEST_SKIP() << "bind mount refused: " << std::strerror(errno);
    }
    const std::string here = File("here.txt");
    const Result stay =
        Cli({"set", "-r", "--folders", "--no-cross-mounts", "--modified", "2005-10-12T14:06:42", dir.Path()});
    const int64_t inside = MtimeOf(other / "inside.txt");
    const int64_t mountPoint = MtimeOf(mnt);
    const Result cross = Cli({"set", "-r", "--modified", "2005-10-12T14:06:42", dir.Path()});
    ::umount2(mnt.c_str(), MNT_DETACH);
    EXPECT_EQ(stay.status, 0) << stay.err;
    EXPECT_EQ(MtimeOf(here), kTokyo);
    EXPECT_EQ(inside, 1000000000);
    EXPECT_NE(mountPoint, kTokyo);
    EXPECT_EQ(cross.status, 0) << cross.err;
    EXPECT_EQ(MtimeOf(other / "inside.txt"), kTokyo);
}

TEST_F(CliTest, ShiftMovesEachItemsOwnTimesOrLeavesTheItemWithALine) {
    const std::string a = File("a.txt", 1000000000);
    const std::string b = File("b.txt", 1100000000);
    ASSERT_EQ(Cli({"set", "--created", "2001-02-03T04:05:06Z", a, b}).status, 0);
    const Result r = Cli({"shift", "--modified=-2d3h", "--created", "+00:30:00", a, b});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(MtimeOf(a), 1000000000 - 2 * 86400 - 3 * 3600);
    EXPECT_EQ(MtimeOf(b), 1100000000 - 2 * 86400 - 3 * 3600);
    EXPECT_EQ(Created(a), 981173106 + 1800);
    // Beyond 9999 for one time: the item keeps both.
    const Result far = Cli({"shift", "--modified", "-1h", "--created", "+420000w", a});
    EXPECT_EQ(far.status, 1);
    EXPECT_EQ(far.err.rfind(a + " - ", 0), 0u) << far.err;
    EXPECT_EQ(MtimeOf(a), 1000000000 - 2 * 86400 - 3 * 3600);
}

TEST_F(CliTest, CopyTakesATimeFromTheOtherFromAFileOrFromThePhoto) {
    const std::string ref = File("ref.txt", 1200000000);
    ASSERT_EQ(Cli({"set", "--created", "2001-02-03T04:05:06Z", ref}).status, 0);
    const struct {
        std::vector<std::string> options;
        int64_t created, mtime;
    } cases[] = {
        {{"--created-from", "modified"}, 1000000000, 1000000000},
        {{"--modified-from", "created"}, 900000000, 900000000},
        {{"--created-from", "modified", "--modified-from", "created"}, 1000000000, 900000000},
        {{"--created-from", ref, "--modified-from", ref}, 981173106, 1200000000},
    };
    for (const auto& c : cases) {
        const std::string f = File("f.txt", 1000000000);
        ASSERT_EQ(Cli({"set", "--created", "1998-07-09T16:00:00Z", f}).status, 0);
        std::vector<std::string> args = {"copy"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(f);
        const Result r = Cli(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Created(f), c.created) << c.options[1];
        EXPECT_EQ(MtimeOf(f), c.mtime) << c.options[1];
    }
}

TEST_F(CliTest, PhotosGiveTheirCaptureDateAndOthersALineEach) {
    const struct {
        const char* name;
        std::string content;
        int64_t mtime; // 0: kept, with a line naming this
        const char* line = nullptr;
    } cases[] = {
        {"offset.jpg", Jpeg({{kDateTimeOriginal, "2005:10:12 14:06:42"}, {kOffsetTimeOriginal, "+00:00"}}),
         kUtc},
        {"local.jpg", Jpeg({{kDateTimeOriginal, "2005:10:12 14:06:42"}}), kTokyo},
        // An offset left blank is unknown: local time. Any other that is not +hh:mm is damage.
        {"blank.jpg", Photo(""), kTokyo},
        {"spaces.jpg", Photo("      "), kTokyo},
        {"colon.jpg", Photo("   :  "), kTokyo},
        {"west.jpg", Photo("-01:30"), kUtc + 5400},
        {"hours.jpg", Photo("+25:00"), 0, "DateTimeOriginal"},
        {"z.jpg", Photo("Z"), 0, "DateTimeOriginal"},
        {"word.jpg", Photo("hello"), 0, "DateTimeOriginal"},
        {"seconds.jpg", Photo("+09:00:30"), 0, "DateTimeOriginal"},
        {"short.jpg", Photo("+0900"), 0, "DateTimeOriginal"},
        {"inner.jpg", Photo(" +09:00"), 0, "DateTimeOriginal"},
        // Exif data beyond the first 256 KiB is read from the whole file.
        {"far.tif", Tiff({{kDateTimeOriginal, "2005:10:12 14:06:42"}}, 300000), kTokyo},
        {"none.jpg", Jpeg({{kUserComment, "no date"}}), 0, "DateTimeOriginal"},
        {"zero.jpg", Jpeg({{kDateTimeOriginal, "0000:00:00 00:00:00"}}), 0, "DateTimeOriginal"},
        {"cut.jpg", Jpeg({{kDateTimeOriginal, "2005:10:12 14:06:42"}}).substr(0, 30), 0, "Exif"},
        {"text.txt", "just text", 0, "画像"},
    };
    for (const auto& c : cases) {
        File(c.name, 1000000000, c.content);
    }
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    // A dry run reads the photos as the run does, and fails on the same items.
    const Result dry = Cli({"copy", "-n", "-r", "--modified-from", "exif", dir.Path()});
    EXPECT_EQ(dry.status, 1);
    for (const auto& c : cases) {
        EXPECT_EQ(dry.out.find(dir / c.name + "  ! ") != std::string::npos, c.line != nullptr) << dry.out;
        EXPECT_EQ(MtimeOf(dir / c.name), 1000000000) << c.name;
    }
    const Result r = Cli({"copy", "-r", "--modified-from", "exif", dir.Path()});
    EXPECT_EQ(r.status, 1);
    for (const auto& c : cases) {
        const std::string path = dir / c.name;
        EXPECT_EQ(MtimeOf(path), c.mtime != 0 ? c.mtime : 1000000000) << c.name;
        const size_t line = r.err.find(path + " - ");
        EXPECT_EQ(line != std::string::npos, c.line != nullptr) << c.name << "\n" << r.err;
        if (c.line != nullptr && line != std::string::npos) {
            EXPECT_NE(r.err.substr(line, r.err.find('\n', line) - line).find(c.line), std::string::npos)
                << r.err;
        }
    }
    EXPECT_NE(r.err.find(dir / "fifo - "), std::string::npos) << r.err;
}

TEST_F(CliTest, ShowGivesTheListsFactsAsAlignedTextOrJsonLines) {
    const std::string folder = dir / "sub";
    test::MakeFolder(folder);
    const std::string archive = File("backup.tar.gz", kUtc, "12345");
    const std::string odd = dir / "bad\xff\nname";
    test::WriteFile(odd, "");
    ASSERT_EQ(Cli({"set", "--created", "2001-02-03T04:05:06Z", "--attributes", "=ra", archive}).status, 0);

    const Result text = Cli({"show", archive, folder, dir / "missing", odd});
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(text.err, dir / "missing - No such file or directory\n");
    const std::string expected = "CREATED                    MODIFIED                   ATTR  SIZE  TYPE"
                                 "                          NAME\n"
                                 "2001-02-03T13:05:06+09:00  2005-10-12T23:06:42+09:00  R-A      5  "
                                 "application/x-compressed-tar  " +
                                 archive + "\n";
    EXPECT_EQ(text.out.substr(0, expected.size()), expected) << text.out;
    EXPECT_NE(text.out.find("inode/directory"), std::string::npos);
    EXPECT_NE(text.out.find("bad\xff\\x0aname\n"), std::string::npos) << "a line per item";

    const Result json = Cli({"show", "--json", archive, folder, odd});
    EXPECT_EQ(json.status, 0) << json.err;
    const std::string check =
        "import json,sys,base64\n"
        "rows=[json.loads(l) for l in sys.stdin]\n"
        "assert [r['type'] for r in rows]==['application/x-compressed-tar','inode/directory',"
        "'application/octet-stream'], rows\n"
        "assert rows[0]['created']=='2001-02-03T13:05:06+09:00' and rows[0]['size']==5, rows\n"
        "assert rows[0]['attributes']=='RA' and rows[1]['size'] is None, rows\n"
        "assert 'path_bytes' not in rows[0] and rows[2]['path'].endswith('bad\\ufffd\\nname')\n"
        "assert base64.b64decode(rows[2]['path_bytes']).endswith(b'bad\\xff\\nname')\n";
    std::string out;
    EXPECT_EQ(test::RunProgram({"python3", "-c", check}, json.out, out), 0) << out << json.out;
}

TEST_F(CliTest, VerboseListsWhatWasDoneAndNothingDrawsWithoutATerminal) {
    const std::string a = File("a.txt");
    const Result quiet = Cli({"set", "--modified", "now", a, dir / "missing"});
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err.find_first_of("\r\033"), std::string::npos);
    const Result verbose = Cli({"--verbose", "set", "--modified", "now", a, dir / "missing"});
    EXPECT_EQ(verbose.status, 1);
    EXPECT_EQ(verbose.out, a + "\n");
    EXPECT_NE(verbose.err.find("datemark-cli: 1 item, 1 line\n"), std::string::npos) << verbose.err;
    const Result two = Cli({"-v", "set", "--modified", "now", a, File("b.txt")});
    EXPECT_NE(two.err.find("datemark-cli: 2 items, 0 lines\n"), std::string::npos) << two.err;
    EXPECT_EQ(Cli({"set", "--quiet", "--modified", "now", a}).status, 0);
    // A dry run's preview lists the items: verbose must not also tell them as done.
    const Result dry = Cli({"-v", "set", "-n", "--modified", "2001-01-01T00:00:00Z", a});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(dry.out.find(a + "\n"), dry.out.find("  " + a + "\n") + 2) << dry.out;
    EXPECT_EQ(dry.err.find("item"), std::string::npos) << dry.err;
}

TEST(CliAsUserTest, AnOrdinaryUserChangesTheirOwnFilesAndIsToldAboutOthers) {
    test::LoopMount disk;
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.SkipReason();
    }
    const std::string mine = disk / "mine.jpg";
    const std::string locked = disk / "locked.txt";
    const std::string theirs = disk / "theirs.txt";
    test::WriteFile(mine, Jpeg({{kDateTimeOriginal, "2005:10:12 14:06:42"}}));
    test::WriteFile(locked, "");
    test::WriteFile(theirs, "");
    ASSERT_EQ(::chown(mine.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown(locked.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    // A read-only photo takes its date; a file of mode 000 shifts the creation time its record
    // holds; someone else's file gets its line.
    EXPECT_EQ(Cli({"set", "--attributes", "+r", mine}, "Asia/Tokyo", As::Unprivileged).status, 0);
    const Result photo = Cli({"copy", "--modified-from", "exif", mine}, "Asia/Tokyo", As::Unprivileged);
    EXPECT_EQ(photo.status, 0) << photo.err;
    EXPECT_EQ(MtimeOf(mine), kTokyo);
    EXPECT_EQ(Letters(mine), "R");
    ASSERT_EQ(Cli({"set", "--created", "2001-02-03T04:05:06Z", locked}, "UTC", As::Unprivileged).status, 0);
    const Result shift = Cli({"shift", "--created", "+1h", locked, theirs}, "UTC", As::Unprivileged);
    EXPECT_EQ(shift.status, 1);
    EXPECT_EQ(shift.err.rfind(theirs + " - ", 0), 0u) << shift.err;
    EXPECT_EQ(Created(locked), 981173106 + 3600);
    EXPECT_EQ(test::StatOf(locked).st_mode & 07777, 0u);
    const Result unreadable = Cli({"copy", "--modified-from", "exif", locked}, "UTC", As::Unprivileged);
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_EQ(unreadable.err.rfind(locked + " - Permission denied", 0), 0u) << unreadable.err;
    // Another's record that cannot be read leaves the creation time unknown, as its attributes,
    // not the birth time taken for it.
    const std::string secret = disk / "secret.txt";
    test::WriteFile(secret, "");
    ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
    ASSERT_EQ(Cli({"set", "--created", "2002-02-02T00:00:00Z", secret}, "UTC").status, 0);
    const Result shown = Cli({"show", "--json", secret}, "UTC", As::Unprivileged);
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.out.find("\"created\":null"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("\"attributes\":null"), std::string::npos) << shown.out;
    EXPECT_NE(Cli({"show", "--json", secret}, "UTC").out.find("\"created\":\"2002-02-02T00:00:00+00:00\""),
              std::string::npos);
}

// The journal keeps whole paths: a run made with relative ones is undone from any folder, the
// renamed item found by its identity.
TEST_F(CliTest, ARunGivenRelativePathsIsUndoneFromAnywhere) {
    test::MakeFolder(dir / "sub");
    const std::string k = File("sub/k.txt", 1000000000);
    const std::string m = File("sub/m.txt", 1000000000);
    const auto in = [&](const std::string& folder, std::vector<std::string> args) {
        args.insert(args.begin(), {"env", "-C", folder, DATEMARK_CLI});
        Result r;
        r.status = test::RunProgram(args, "", r.out,
                                    {"TZ=Asia/Tokyo", "LC_ALL=C.UTF-8", "XDG_STATE_HOME=" + home}, &r.err);
        return r;
    };
    const Result set = in(dir / "sub", {"set", "--modified", "2005-10-12T14:06:42", "k.txt", "m.txt"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(MtimeOf(k), kTokyo);
    ASSERT_EQ(::rename(m.c_str(), (dir / "sub/moved.txt").c_str()), 0);

    const Result dry = in(dir.Path(), {"undo", "--dry-run"});
    EXPECT_EQ(dry.status, 0) << dry.out << dry.err;
    EXPECT_NE(dry.out.find(": 2 would be put back, 0 changed since, 0 missing"), std::string::npos)
        << dry.out;
    const Result undo = in(dir.Path(), {"undo"});
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(MtimeOf(k), 1000000000);
    EXPECT_EQ(MtimeOf(dir / "sub/moved.txt"), 1000000000);
}

TEST_F(CliTest, EachRunIsKeptAndUndoPutsTheNewestBack) {
    const std::string a = File("a", 1000000000);
    const std::string b = File("b", 1000000000);
    test::MakeFolder(home);
    const Result set =
        WithOwnJournals({"set", "--modified", "2005-10-12T14:06:42", "--attributes", "+r", a, b});
    ASSERT_EQ(set.status, 0) << set.err;
    ASSERT_EQ(MtimeOf(a), kTokyo);
    const Result runs = WithOwnJournals({"runs", "--json"});
    EXPECT_NE(runs.out.find("\"kind\":\"update\",\"started\":"), std::string::npos) << runs.out;
    EXPECT_NE(
        runs.out.find("\"items\":2,\"end\":\"done\",\"summary\":\"更新日時 2005/10/12 14:06:42, 属性 +R\""),
        std::string::npos)
        << runs.out;

    const Result undo = WithOwnJournals({"undo"});
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(undo.err, "");
    for (const std::string& path : {a, b}) {
        EXPECT_EQ(MtimeOf(path), 1000000000) << path;
        EXPECT_EQ(Letters(path), "") << path;
    }
    // The undo is a run of its own, listed first.
    const Result after = WithOwnJournals({"runs"});
    EXPECT_EQ(after.out.find("RUN"), 0U) << after.out;
    EXPECT_LT(after.out.find(" undo "), after.out.find(" update ")) << after.out;
    // A run that is not kept is a mistake in the arguments, and nothing is undone.
    ASSERT_EQ(WithOwnJournals({"set", "--modified", "2005-10-12T14:06:42", a}).status, 0);
    const std::string kept = WithOwnJournals({"runs"}).out;
    for (const char* run : {"nonesuch", "", ".journal"}) {
        const Result r = WithOwnJournals({"undo", run});
        EXPECT_EQ(r.status, 2) << run;
        EXPECT_NE(r.err.find(std::string("no kept run named '") + run + "'"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(MtimeOf(a), kTokyo) << run;
    }
    EXPECT_EQ(WithOwnJournals({"runs"}).out, kept);
}

TEST_F(CliTest, TheListOfRunsKeepsTheOffsetATimeWasGivenAt) {
    const std::string a = File("a", 1000000000);
    const struct {
        const char* created;
        const char* shown; // in the summary, beside the local last-write time
    } cases[] = {
        {"2005-10-12T14:06:42+09:00", "2005/10/12 14:06:42 +09:00"},
        {"2005-10-12T14:06:42Z", "2005/10/12 14:06:42 +00:00"},
        {"2005-10-12T14:06:42-0130", "2005/10/12 14:06:42 -01:30"},
        {"2005-10-12T14:06:42", "2005/10/12 14:06:42"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(
            WithOwnJournals({"set", "--created", c.created, "--modified", "2005-10-12T14:06:42", a}).status,
            0);
        const std::string runs = WithOwnJournals({"runs", "--json"}).out;
        const std::string newest = runs.substr(0, runs.find('\n'));
        EXPECT_NE(newest.find(std::string("\"summary\":\"作成日時 ") + c.shown +
                              ", 更新日時 2005/10/12 14:06:42\""),
                  std::string::npos)
            << newest;
    }
}

TEST_F(CliTest, UndoDryRunShowsWhatWouldComeBackAndChangesNothing) {
    const std::string a = File("a", 1000000000);
    const std::string b = File("b", 1000000000);
    const std::string c = File("c", 1000000000);
    ASSERT_EQ(WithOwnJournals({"set", "--modified", "2005-10-12T14:06:42", a, b, c}).status, 0);
    SetMtime(b, 2000000000);
    ASSERT_EQ(::unlink(c.c_str()), 0);
    const std::string runs = WithOwnJournals({"runs"}).out;

    const Result dry = WithOwnJournals({"undo", "--dry-run"});
    EXPECT_EQ(dry.status, 1);
    EXPECT_EQ(dry.err, "");
    EXPECT_NE(dry.out.find("2005-10-12T14:06:42+09:00 → 2001-09-09T10:46:40+09:00  ---   " + a + "\n"),
              std::string::npos)
        << dry.out;
    EXPECT_NE(dry.out.find(b + "  ! "), std::string::npos) << dry.out;
    // The totals name what they count: every item left, which the line below tells apart.
    EXPECT_NE(dry.out.find("2 files, 0 folders, 2 would be left\n"), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find(": 1 would be put back, 1 changed since, 1 missing, 0 would fail\n"),
              std::string::npos)
        << dry.out;
    EXPECT_EQ(MtimeOf(a), kTokyo);
    EXPECT_EQ(WithOwnJournals({"runs"}).out, runs);
}

TEST_F(CliTest, DryRunShowsTheChangeAndTheFailuresAndChangesNothing) {
    const std::string a = File("a", 1000000000);
    const Result r =
        WithOwnJournals({"set", "--dry-run", "--modified", "2005-10-12T14:06:42", a, dir / "missing"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("2001-09-09T10:46:40+09:00 → 2005-10-12T14:06:42+09:00  ---   " + a + "\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(dir / "missing" + "  ! "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1 file, 0 folders, 1 would fail\n"), std::string::npos) << r.out;
    EXPECT_EQ(MtimeOf(a), 1000000000);
    EXPECT_FALSE(test::Exists(home));
}

TEST_F(CliTest, ARunWhoseJournalCannotBeWrittenChangesNothing) {
    test::LoopMount disk(test::LoopMount::SmallRootDisk(2));
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.SkipReason();
    }
    const std::string a = File("a", 1000000000);
    const Result r = Cli({"set", "--modified", "now", a}, "Asia/Tokyo", As::Caller, disk.Path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(platform::ErrorText(platform::Errc::journal_unwritable)), std::string::npos)
        << r.err;
    EXPECT_EQ(MtimeOf(a), 1000000000);
}
