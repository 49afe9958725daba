#include "journal/Journal.h"

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

journal::ItemRecord Item(int n) {
    journal::ItemRecord item;
    item.path = "/data/\xff odd\nname " + std::to_string(n); // names are bytes, any bytes
    item.before.id = {0x801, 1000U + static_cast<unsigned>(n)};
    item.before.updated = {1128000000 + n, 123456789};
    item.before.attributes = 0x21;
    item.before.mode = 0444;
    if (n % 2 == 0) {
        item.before.created = platform::UtcTime{978307200, 5};
        item.before.record = std::string("\0\0\4\0\4\0", 6);
        item.asked.attributes = 0x22;
    } else {
        item.before.word = 0x20;
        item.before.ownCreated = 126000000000000000ULL;
        item.asked.created = platform::UtcTime{1, 2};
    }
    item.asked.updated = platform::UtcTime{-5000000000, 0}; // before 1970 too
    if (n == 2) { // a run that sets the last-write time alone keeps only that
        journal::ItemRecord only;
        only.path = item.path;
        only.before.id = item.before.id;
        only.before.updated = item.before.updated;
        only.asked.updated = item.asked.updated;
        only.updatedOnly = true;
        return only;
    }
    for (int level = 0; n == 3 && level < 10000; ++level) {
        item.path += "/" + std::string(255, 'n'); // far below the longest path
    }
    return item;
}

journal::RunHeader Header() {
    return {journal::RunKind::Update, {1765000000, 42}, "更新日時 2005/10/12 14:06:42", ""};
}

std::string Write(const std::string& folder, int items, bool finish) {
    std::error_code error;
    auto writer = journal::Writer::Start(folder, Header(), error);
    EXPECT_FALSE(error) << error.message();
    for (int n = 0; n < items; ++n) {
        EXPECT_FALSE(writer->Add(Item(n)));
    }
    if (finish) {
        EXPECT_FALSE(writer->Finish({static_cast<uint64_t>(items), true}));
    }
    return writer->Name();
}

// The same bytes framed as the first version framed them: no padding before the checks, which
// are the same.
std::string AsFirstVersion(const std::string& bytes) {
    std::string first = bytes.substr(0, 16) + std::string("\1\0\0\0", 4);
    for (size_t at = 20; at + 8 <= bytes.size();) {
        const uint32_t size = platform::LoadLe32(bytes.data() + at);
        const size_t padded = (size + 3) / 4 * 4;
        first += bytes.substr(at, 4 + size) + bytes.substr(at + 4 + padded, 4);
        at += 8 + padded;
    }
    return first;
}

} // namespace

TEST(Journal, ARunReadsBackAsWrittenWithOrWithoutItsEnd) {
    test::TempDir dir;
    for (const bool finish : {true, false}) {
        const std::string name = Write(dir.Path(), 4, finish);
        journal::Run run;
        ASSERT_FALSE(journal::ReadRun(dir.Path(), name, run));
        EXPECT_EQ(run.header, Header());
        ASSERT_EQ(run.items.size(), 4U);
        for (int n = 0; n < 4; ++n) {
            EXPECT_EQ(run.items[static_cast<size_t>(n)], Item(n)) << n;
        }
        EXPECT_EQ(run.end, finish ? std::optional(journal::RunEnd{4, true}) : std::nullopt);
        // The list of runs reads the same header and end without the items.
        journal::RunInfo info;
        ASSERT_FALSE(journal::ReadRunInfo(dir.Path(), name, info));
        EXPECT_EQ(info.header, Header());
        EXPECT_EQ(info.end, run.end);
    }
}

// The bytes of a short run, worked out apart from the program (the checks are zlib's CRC-32):
// what another program reading a journal may rely on.
TEST(Journal, ARunIsWrittenInTheBytesTheFormatNames) {
    test::TempDir dir;
    const std::string expected("\x44\x41\x54\x45\x4d\x41\x52\x4b\x2d\x4a\x4f\x55\x52\x4e\x41\x4c"
                               "\x03\x00\x00\x00\x36\x00\x00\x00\x01\x00\x40\xc3\x33\x69\x00\x00"
                               "\x00\x00\x2a\x00\x00\x00\x20\x00\x00\x00\xe6\x9b\xb4\xe6\x96\xb0"
                               "\xe6\x97\xa5\xe6\x99\x82\x20\x32\x30\x30\x35\x2f\x31\x30\x2f\x31"
                               "\x32\x20\x31\x34\x3a\x30\x36\x3a\x34\x32\x00\x00\x00\x00\x00\x00"
                               "\xb6\x55\xd1\xd7\x0a\x00\x00\x00\x03\x00\x00\x00\x00\x00\x00\x00"
                               "\x00\x01\x00\x00\xe3\xe3\xba\x7f",
                               104);
    EXPECT_EQ(test::ReadFile(dir / Write(dir.Path(), 0, true)), expected);
}

TEST(Journal, ADamagedJournalIsRefusedWhole) {
    test::TempDir dir;
    const std::string name = Write(dir.Path(), 2, true);
    const std::string bytes = test::ReadFile(dir / name);
    journal::Run run;
    uint64_t where = 0;
    // Cut inside a record, or any byte changed: nothing of it is taken.
    for (size_t cut = 1; cut < bytes.size(); cut += 7) {
        const std::string cutShort = bytes.substr(0, cut);
        const bool boundary = !journal::DecodeRun(cutShort, run); // a run stopped there
        if (boundary) {
            EXPECT_FALSE(run.end) << cut;
            continue;
        }
        EXPECT_EQ(journal::DecodeRun(cutShort, run, &where), platform::Errc::journal_damaged) << cut;
        EXPECT_TRUE(run.items.empty());
    }
    for (size_t at = 0; at < bytes.size(); at += 5) {
        std::string altered = bytes;
        altered[at] = static_cast<char>(altered[at] ^ 0x10);
        EXPECT_EQ(journal::DecodeRun(altered, run, &where), platform::Errc::journal_damaged) << at;
        EXPECT_LE(where, at) << "the damage is found where it is or before";
    }
    EXPECT_EQ(journal::DecodeRun(bytes + "x", run), platform::Errc::journal_damaged);
    // Journals of the first version still read; versions not yet made do not.
    const std::string first = AsFirstVersion(test::ReadFile(dir / Write(dir.Path(), 2, true)));
    journal::Run older;
    ASSERT_FALSE(journal::DecodeRun(first, older));
    EXPECT_EQ(older.items, std::vector({Item(0), Item(1)}));
    for (const char version : {'\0', '\4'}) {
        std::string unknown = first;
        unknown[16] = version;
        EXPECT_EQ(journal::DecodeRun(unknown, run), platform::Errc::journal_damaged) << int{version};
    }
    // The second version reads the same, but has no short records of a last-write time alone.
    std::string second = test::ReadFile(dir / Write(dir.Path(), 2, true));
    second[16] = '\2';
    ASSERT_FALSE(journal::DecodeRun(second, older));
    EXPECT_EQ(older.items, std::vector({Item(0), Item(1)}));
    second = test::ReadFile(dir / Write(dir.Path(), 3, true));
    second[16] = '\2';
    EXPECT_EQ(journal::DecodeRun(second, run), platform::Errc::journal_damaged);
    // Space taken ahead and never written reads as the end of a run that stopped; anything in
    // it does not.
    const std::string unfinished = bytes.substr(0, bytes.size() - 20); // without its end
    const std::string ahead(100, '\0');
    ASSERT_FALSE(journal::DecodeRun(unfinished + ahead, run));
    EXPECT_EQ(run.items.size(), 2U);
    EXPECT_FALSE(run.end);
    EXPECT_EQ(journal::DecodeRun(unfinished + ahead + "x", run), platform::Errc::journal_damaged);
    // A process killed while writing its last record leaves that record's check zero: the item
    // was never changed. A zero check anywhere else, or a wrong one, is damage.
    const size_t lastCheck = unfinished.size() - 4;
    std::string torn = unfinished + ahead;
    torn.replace(lastCheck, 4, 4, '\0');
    ASSERT_FALSE(journal::DecodeRun(torn, run));
    EXPECT_EQ(run.items, std::vector({Item(0)}));
    std::string wrong = unfinished + ahead;
    wrong[lastCheck] = static_cast<char>(wrong[lastCheck] ^ 1);
    EXPECT_EQ(journal::DecodeRun(wrong, run), platform::Errc::journal_damaged);
    EXPECT_EQ(journal::DecodeRun(torn.substr(0, lastCheck + 4) + bytes.substr(unfinished.size()), run),
              platform::Errc::journal_damaged);
    EXPECT_EQ(journal::DecodeRun(AsFirstVersion(torn.substr(0, lastCheck + 4)), run),
              platform::Errc::journal_damaged);
    // Only a damaged header keeps a run out of the list; a damaged end reads as none.
    journal::RunInfo info;
    for (const size_t at : {size_t{20}, bytes.size() - 3}) {
        std::string altered = bytes;
        altered[at] = static_cast<char>(altered[at] ^ 0x10);
        test::WriteFile(dir / name, altered);
        const bool header = at < bytes.size() / 2;
        EXPECT_EQ(journal::ReadRunInfo(dir.Path(), name, info),
                  header ? std::error_code(platform::Errc::journal_damaged) : std::error_code());
        EXPECT_FALSE(info.end);
    }
}

TEST(Journal, OnlyTheNewestRunsAreKept) {
    test::TempDir dir;
    std::vector<std::string> names;
    for (int i = 0; i < journal::kKeptRuns + 5; ++i) {
        names.push_back(Write(dir.Path(), 0, true));
    }
    const std::vector<std::string> kept = journal::ListRuns(dir.Path());
    ASSERT_EQ(kept.size(), static_cast<size_t>(journal::kKeptRuns));
    EXPECT_EQ(kept.front(), names.back());
    EXPECT_EQ(kept.back(), names[names.size() - journal::kKeptRuns]);
}
