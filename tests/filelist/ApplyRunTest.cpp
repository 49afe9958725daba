#include "filelist/ApplyRun.h"

#include "filelist/ApplyTestSupport.h"
#include "filelist/RunControl.h"
#include "filelist/RunJournal.h"
#include "platform/SystemTime.h"
#include "support/LoopMount.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace apply_test;

namespace {

// The last-write time and hidden: two steps for every item.
ApplyRequest Request() {
    return apply_test::Request(true, false, "H");
}

// root, and below it `folders` folders of `files` files each; every path, root first.
std::vector<std::string> MakeFolders(const std::string& root, int folders, int files) {
    std::vector<std::string> paths = {root};
    ::mkdir(root.c_str(), 0755);
    for (int f = 0; f < folders; ++f) {
        paths.push_back(root + "/d" + std::to_string(f));
        ::mkdir(paths.back().c_str(), 0755);
        const std::string folder = paths.back();
        for (int i = 0; i < files; ++i) {
            paths.push_back(folder + "/f" + std::to_string(i));
            test::WriteFile(paths.back(), "");
        }
    }
    return paths;
}

// Cancels the update of one folder row from this thread while a worker walks it. What went
// wrong; empty when every item is whole or untouched and the last line counts the changed ones.
std::string CancelMidWalk(const std::string& base) {
    const std::vector<std::string> paths = MakeFolders(base + "/tree", 20, 100);
    const FileEntry row = Row(paths[0], true);
    const FileEntry* const rows[] = {&row};
    RunControl control;
    ApplyRequest request = Request();
    request.control = &control;
    std::thread worker([&] { ApplyToEntries(rows, request); });
    while (control.ItemsDone() < 100 && control.RowsDone() == 0) {
        std::this_thread::yield();
    }
    control.Cancel();
    worker.join();

    std::string problems;
    const int64_t want = platform::LocalToUtc(kUpdated)->seconds;
    uint64_t changed = 0;
    for (const std::string& path : paths) {
        const bool timeSet = test::StatOf(path).st_mtim.tv_sec == want;
        problems += test::Check(timeSet != test::DosRecord(path).empty(), path + " is half changed");
        changed += timeSet ? 1 : 0;
    }
    problems += test::Check(control.Stopped() && changed > 0 && changed < paths.size(),
                            "the run did not stop in the middle: " + std::to_string(changed) + " changed");
    return problems +
           test::Check(request.log == "中止しました（" + GroupedNumber(changed) + " 項目を処理済み）\n",
                       "log for " + std::to_string(changed) + " changed: " + request.log);
}

} // namespace

TEST(ApplyRun, ACancelledWalkStopsBetweenItemsAndItsLastLineCountsWhatChangedOnDisk) {
    const test::ScopedTimeZone tz("Europe/Berlin");
    test::TempDir here;
    ::chown(here.Path().c_str(), 65534, 65534);
    test::ExpectUnprivileged([&] { return CancelMidWalk(here.Path()); });
    test::OnOwnDisk(CancelMidWalk);
}

TEST(ApplyRun, AWatchedRunWritesTheEnginesLinesInTheirOrderAndCountsEveryItemItFinished) {
    test::TempDir dir;
    const std::vector<std::string> tree = MakeFolders(dir / "tree", 2, 2); // 7 items
    ASSERT_EQ(::mkfifo((dir / "tree/d1/fifo").c_str(), 0644), 0);          // the times, then a line
    test::WriteFile(dir / "file", "");
    const std::vector<FileEntry> entries = {Row(dir / "gone", false), Row(tree[0], true),
                                            Row(dir / "file", false)};
    const std::vector<const FileEntry*> rows = {&entries[0], &entries[1], &entries[2]};

    ApplyRequest alone = Request();
    for (const FileEntry& e : entries) {
        ApplyToEntry(e, alone);
    }
    RunControl control;
    ApplyRequest watched = Request();
    watched.control = &control;
    std::vector<size_t> rowsDone;
    EXPECT_EQ(ApplyToEntries(rows, watched, [&](size_t row) { rowsDone.push_back(row); }), 3U);
    EXPECT_EQ(watched.log, alone.log);
    EXPECT_EQ(std::count(watched.log.begin(), watched.log.end(), '\n'), 2); // gone, fifo
    EXPECT_EQ(rowsDone, (std::vector<size_t>{0, 1, 2}));
    EXPECT_EQ(control.RowsDone(), 3U);
    EXPECT_EQ(control.ItemsDone(), 9U); // the tree's 7, the FIFO and the file
    EXPECT_FALSE(control.Stopped());
}

TEST(ApplyRun, LookingAtRowsStopsBetweenRowsAndGivesTheFolderOnlyWhenAsked) {
    test::TempDir dir;
    test::MakeFolder(dir / "sub");
    test::WriteFile(dir / "sub/a", "12");
    const std::vector<FileEntry> entries = {Row(dir / "sub/a", false), Row(dir / "missing", false)};
    const std::vector<const FileEntry*> rows = {&entries[0], &entries[1]};

    RunControl control;
    const std::vector<RowFacts> facts = LookAtRows(rows, &control);
    ASSERT_EQ(facts.size(), 2U);
    EXPECT_TRUE(facts[0] && facts[0]->size == 2);
    EXPECT_FALSE(facts[1]);
    EXPECT_EQ(control.ItemsDone(), 2U);
    EXPECT_EQ(control.RowsDone(), 2U);
    EXPECT_EQ(control.Folder(), dir / "sub/"); // asked for from the start, then not again
    control.AskForFolder();
    control.ItemDone("/x/y/z");
    EXPECT_EQ(control.Folder(), "/x/y/");

    RunControl cancelled;
    cancelled.Cancel();
    EXPECT_TRUE(LookAtRows(rows, &cancelled).empty());
    EXPECT_TRUE(cancelled.Stopped());
    EXPECT_EQ(LookAtRows(rows, nullptr).size(), 2U);
}

namespace {

// A run that moves each item's own time must move it once, however many rows reach it: a file
// given twice and through a link, a folder inside another folder row, a file inside both, a file
// with a second name in the walk. Its journal and its preview hold each item once too.
std::string ChangeOnceEach(const std::string& dir) {
    const std::vector<std::string> tree = MakeFolders(dir + "/p", 2, 2); // p, p/d0, p/d0/f0 ...
    ::symlink((dir + "/p/d1/f1").c_str(), (dir + "/link").c_str());
    ::link((dir + "/p/d0/f0").c_str(), (dir + "/p/d1/second-name").c_str());
    for (const std::string& path : tree) {
        test::SetMtime(path, 1000);
    }
    std::vector<FileEntry> entries = {Row(dir + "/p", true), Row(dir + "/p/d0", true),
                                      Row(dir + "/p/d1/f1", false), Row(dir + "/p/d1/f1", false),
                                      Row(dir + "/link", false)};
    entries.back().SetLink(true);
    std::vector<const FileEntry*> rows;
    for (const FileEntry& e : entries) {
        rows.push_back(&e);
    }
    const auto laterByAnHour = [](const platform::Item&, ApplyRequest::ItemTimes& times) {
        times.updated.seconds += 3600;
        return std::error_code();
    };

    ApplyRequest preview = apply_test::Request(true);
    preview.timesOfItem = laterByAnHour;
    PreviewSink sink;
    preview.preview = &sink;
    ApplyToEntries(rows, preview, nullptr);
    std::string problems = test::Check(sink.rows.size() == tree.size(), "preview rows");

    ApplyRequest r = apply_test::Request(true);
    r.timesOfItem = laterByAnHour;
    std::error_code error;
    const auto journal = StartRunJournal(r, dir + "/journal", error);
    if (!journal) {
        return "no journal: " + error.message();
    }
    ApplyToEntries(rows, r, nullptr);
    FinishRunJournal(*journal, r);
    problems += test::Check(r.log.empty(), "lines: " + r.log);
    problems += test::Check(journal->Added() == tree.size(), "journalled items");
    for (const std::string& path : tree) {
        problems += test::Check(test::MtimeOf(path) == 4600, "time of " + path);
    }
    return problems;
}

} // namespace

TEST(ApplyRun, AnItemReachedByMoreThanOneRowIsChangedOnce) {
    test::TempDir dir;
    EXPECT_EQ(ChangeOnceEach(dir.Path()), "");
    test::OnOwnDisk(ChangeOnceEach);
}
