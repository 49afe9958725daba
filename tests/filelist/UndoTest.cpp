#include "filelist/Undo.h"

#include "filelist/ApplyTestSupport.h"
#include "filelist/RunJournal.h"
#include "journal/Journal.h"
#include "platform/Error.h"
#include "support/LoopMount.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace apply_test;

namespace {

platform::ItemState StateOf(const std::string& path) {
    std::error_code error;
    const platform::Item item = platform::Item::Open(path, platform::FollowLinks::No, error);
    platform::ItemState state;
    if (error || platform::ReadState(item, state)) {
        ADD_FAILURE() << "cannot read " << path;
    }
    return state;
}

// The last-write time, and the attributes named (read-only unless told), on everything below root.
ApplyRequest Request(const char* attributes = "R") {
    ApplyRequest r = apply_test::Request(true, false, attributes);
    r.folderTarget = 0;
    return r;
}

// Runs the request on root's contents with a journal in folder; the run's name.
std::string JournaledRun(ApplyRequest& r, const std::string& root, const std::string& folder) {
    std::error_code error;
    auto writer = StartRunJournal(r, folder, error);
    EXPECT_FALSE(error) << error.message();
    if (!writer) {
        return {};
    }
    ApplyToEntry(Row(root, true), r);
    FinishRun(r);
    EXPECT_FALSE(FinishRunJournal(*writer, r));
    return writer->Name();
}

std::map<std::string, platform::ItemState> States(const std::string& root, int files) {
    std::map<std::string, platform::ItemState> states;
    for (int i = 0; i < files; ++i) {
        const std::string path = root + "/f" + std::to_string(i);
        states[path] = StateOf(path);
    }
    return states;
}

// How many of the items are no longer as they were.
size_t Changed(const std::map<std::string, platform::ItemState>& before) {
    return std::count_if(before.begin(), before.end(),
                         [](const auto& item) { return !(StateOf(item.first) == item.second); });
}

std::string MakeFiles(const std::string& root, int files) {
    ::mkdir(root.c_str(), 0755);
    for (int i = 0; i < files; ++i) {
        const std::string path = root + "/f" + std::to_string(i);
        test::WriteFile(path, "x");
        ::chmod(path.c_str(), 0644);
    }
    return root;
}

} // namespace

TEST(Undo, OwnFilesComeBackExactlyAndWhatOthersDidSinceIsLeftWithALine) {
    const test::ScopedTimeZone tz("Europe/Berlin");
    test::OnOwnDisk([](const std::string& disk) {
        const std::string root = MakeFiles(disk + "/mine", 4);
        const std::string journals = disk + "/journal";
        const auto before = States(root, 4);
        ApplyRequest r = Request();
        const std::string run = JournaledRun(r, root, journals);
        std::string problems = test::Check(r.log.empty(), "run: " + r.log);
        // After the run: f0 as it left it, f1 moved, f2 gone, f3 written to by someone else.
        ::rename((root + "/f1").c_str(), (root + "/moved").c_str());
        ::unlink((root + "/f2").c_str());
        ::chmod((root + "/f3").c_str(), 0644);
        test::SetMtime(root + "/f3", 2000000000);

        // Its preview foretells the undo, and changes nothing, not even the list of runs.
        const platform::ItemState left = StateOf(root + "/f0");
        const size_t runs = journal::ListRuns(journals).size();
        PreviewSink sink;
        UndoRequest preview;
        preview.folder = journals;
        preview.preview = &sink;
        problems += test::Check(!UndoRun(run, preview) && preview.log.empty(), "preview: " + preview.log);
        std::map<std::string, const PreviewRow*> rows;
        for (const PreviewRow& row : sink.rows) {
            rows[row.path] = &row;
        }
        problems += test::Check(rows.size() == 4 && sink.files == 3 && sink.failing == 2, "preview rows");
        if (rows.size() == 4) {
            const PreviewRow& moved = *rows[root + "/moved"];
            problems += test::Check(!moved.error && moved.current == StateOf(root + "/moved") &&
                                        moved.next.updated == before.at(root + "/f1").updated &&
                                        moved.next.attributes == 0,
                                    "moved f1's row");
            problems += test::Check(rows[root + "/f2"]->error == platform::Errc::item_missing, "f2's row");
            problems += test::Check(rows[root + "/f3"]->error == platform::Errc::changed_since, "f3's row");
        }
        problems += test::Check(StateOf(root + "/f0") == left && journal::ListRuns(journals).size() == runs,
                                "the preview changed something");

        UndoRequest undo;

        undo.folder = journals;
        problems += test::Check(!UndoRun(run, undo), "undo refused");
        problems +=
            test::Check(undo.restored == preview.restored && undo.changedSince == preview.changedSince &&
                            undo.missing == preview.missing && undo.failed == preview.failed,
                        "the undo did not do what its preview said");
        problems += test::Check(StateOf(root + "/f0") == before.at(root + "/f0"), "f0 not as before");
        problems += test::Check(StateOf(root + "/moved") == before.at(root + "/f1"),
                                "moved f1 not found and put back");
        problems += test::Check(test::StatOf(root + "/f3").st_mtim.tv_sec == 2000000000, "f3 overwritten");
        const std::string changed = MakeErrorText(root + "/f3", platform::Errc::changed_since);
        const std::string missing = MakeErrorText(root + "/f2", platform::Errc::item_missing);
        problems +=
            test::Check(undo.log == changed + missing || undo.log == missing + changed, "lines: " + undo.log);
        problems += test::Check(undo.restored == 2 && undo.changedSince == 1 && undo.missing == 1, "counts");

        // The undo is a run of its own, and undoing it gives the first run's result back.
        UndoRequest redo;
        redo.folder = journals;
        problems += test::Check(!UndoRun(undo.journalName, redo) && redo.restored == 2, "undo not undone");
        problems +=
            test::Check((test::StatOf(root + "/f0").st_mode & 0777) == 0444, "f0 not read-only again");
        return problems;
    });
}

// A run that sets the last-write time alone keeps only that: attributes someone set since are
// not the run's and stay, and a time written since is still found.
TEST(Undo, ALastWriteRunPutsBackTheTimeAndLeavesWhatElseChanged) {
    test::OnOwnDisk([](const std::string& disk) {
        const std::string root = MakeFiles(disk + "/mine", 3);
        const std::string journals = disk + "/journal";
        const auto before = States(root, 3);
        ApplyRequest r = Request(nullptr);
        const std::string run = JournaledRun(r, root, journals);
        journal::Run read;
        std::string problems = test::Check(r.log.empty() && !journal::ReadRun(journals, run, read), r.log);
        for (const journal::ItemRecord& item : read.items) {
            problems += test::Check(item.updatedOnly && !item.before.record, item.path + " kept whole");
        }
        LogOf(Row(root + "/f1", false), apply_test::Request(false, false, "H"));
        test::SetMtime(root + "/f2", 2000000000);

        UndoRequest undo;

        undo.folder = journals;
        problems += test::Check(!UndoRun(run, undo), "undo refused");
        problems += test::Check(StateOf(root + "/f0") == before.at(root + "/f0"), "f0 not as before");
        const platform::ItemState f1 = StateOf(root + "/f1");
        problems += test::Check(f1.updated == before.at(root + "/f1").updated, "f1's time not put back");
        problems += test::Check((f1.attributes & platform::attr::Hidden) != 0, "f1's hidden bit undone");
        problems += test::Check(test::StatOf(root + "/f2").st_mtim.tv_sec == 2000000000, "f2 overwritten");
        problems += test::Check(undo.log == MakeErrorText(root + "/f2", platform::Errc::changed_since),
                                "lines: " + undo.log);
        problems += test::Check(undo.restored == 2 && undo.changedSince == 1, "counts");
        return problems;
    });
}

TEST(Undo, ARunKilledHalfwayIsUndoneExactlyForWhatItChanged) {
    test::TempDir dir;
    const std::string root = MakeFiles(dir / "tree", 200);
    const auto before = States(root, 200);
    const int status = test::RunInChild([&] {
        ApplyRequest r = Request();
        int done = 0;
        r.itemDone = [&](const std::string&) {
            if (++done == 100) {
                ::raise(SIGKILL);
            }
        };
        JournaledRun(r, root, dir / "journal");
        return 0;
    });
    ASSERT_EQ(status, -SIGKILL);
    EXPECT_EQ(Changed(before), 100U);
    UndoRequest undo;
    undo.folder = dir / "journal";
    const auto runs = journal::ListRuns(undo.folder);
    ASSERT_EQ(runs.size(), 1U);
    ASSERT_FALSE(UndoRun(runs[0], undo));
    EXPECT_EQ(undo.log, "");
    EXPECT_EQ(undo.restored, 100U);
    EXPECT_EQ(Changed(before), 0U);
}

TEST(Undo, ADamagedJournalIsReportedAndNothingIsUndone) {
    test::TempDir dir;
    const std::string root = MakeFiles(dir / "tree", 3);
    ApplyRequest r = Request();
    const std::string run = JournaledRun(r, root, dir / "journal");
    // Cut inside the last item, its end gone; the ways a journal can be damaged are the reader's.
    const std::string path = dir / ("journal/" + run);
    const std::string bytes = test::ReadFile(path);
    test::WriteFile(path, bytes.substr(0, bytes.size() - 21));
    const auto after = States(root, 3);
    UndoRequest undo;
    undo.folder = dir / "journal";
    EXPECT_EQ(UndoRun(run, undo), platform::Errc::journal_damaged);
    EXPECT_EQ(States(root, 3), after);
    EXPECT_EQ(journal::ListRuns(undo.folder).size(), 1U) << "an undo journal was left";
}

TEST(Undo, AttributesThatFailAfterTheTimesWereWrittenPutTheTimesBack) {
    test::TempDir dir;
    const std::string root = MakeFiles(dir / "tree", 1);
    const std::string file = root + "/f0";
    // A record cut short: its attributes are refused, its times are not.
    ASSERT_EQ(::setxattr(file.c_str(), "user.DOSATTRIB", "\0\4\0\4\0", 5, 0), 0);
    test::SetMtime(file, 1000);
    const auto before = States(root, 1);
    ApplyRequest r = Request();
    JournaledRun(r, root, dir / "journal");
    EXPECT_EQ(r.log, MakeErrorText(file, platform::Errc::dos_record_damaged));
    EXPECT_EQ(States(root, 1), before);
}

TEST(Preview, ChangesNothingAndFailsOnTheItemsTheRunFailsOn) {
    const test::ScopedTimeZone tz("Europe/Berlin");
    const auto asRoot = [](const std::string& disk) {
        const std::string root = MakeFiles(disk + "/mine", 4);
        ::mkdir((root + "/locked").c_str(), 0);
        // f0 with a record, f3 readable only with the owner's right.
        LogOf(Row(root + "/f0", false), apply_test::Request(false, false, "H"));
        ::chmod((root + "/f3").c_str(), 0);
        test::WriteFile(root + "/.dot", ""); // stays hidden by its name, which the run tells
        for (const char* mine : {"", "/f0", "/f1", "/f3", "/locked", "/.dot"}) { // f2 stays root's
            ::chown((root + mine).c_str(), 65534, 65534);
        }
    };
    test::OnOwnDisk(
        [](const std::string& disk) {
            const std::string root = disk + "/mine";
            const auto before = States(root, 4);
            PreviewSink sink;
            ApplyRequest preview = Request();
            preview.preview = &sink;
            ApplyToEntry(Row(root, true), preview);
            std::string problems =
                test::Check(States(root, 4) == before && preview.log.empty(), "preview changed");
            std::set<std::string> failing;
            for (const PreviewRow& row : sink.rows) {
                if (row.error) {
                    failing.insert(row.path);
                } else {
                    problems += test::Check(row.current == StateOf(row.path), "facts now of " + row.path);
                    problems += test::Check(row.next.updated == platform::LocalToUtc(kUpdated) &&
                                                row.next.attributes == platform::attr::ReadOnly,
                                            "new facts of " + row.path);
                }
            }
            problems += test::Check(sink.files == 5 && sink.folders == 0 && sink.failing == 3, "totals");
            ApplyRequest run = Request();
            ApplyToEntry(Row(root, true), run);
            std::set<std::string> lines;
            for (const PreviewRow& row : sink.rows) {
                if (run.log.find(row.path + " - ") != std::string::npos) {
                    lines.insert(row.path);
                }
            }
            return problems + test::Check(lines == failing && failing.count(root + "/f2") == 1 &&
                                              failing.count(root + "/locked") == 1 &&
                                              failing.count(root + "/.dot") == 1,
                                          "preview and run disagree: " + run.log);
        },
        {}, asRoot);
}

TEST(Undo, ARunWhoseJournalFillsUpStopsAndIsUndoneForWhatItChanged) {
    test::LoopMount disk(test::LoopMount::SmallRootDisk(16));
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.SkipReason();
    }
    // Long names make big records, so that a few thousand items outgrow the space the journal
    // takes ahead; the disk is filled up to a little more than that space.
    test::TempDir dir;
    const std::string root = dir / "tree";
    const std::string leaf(200, 'n');
    ::mkdir(root.c_str(), 0755);
    const std::string folder = root + "/" + leaf;
    ::mkdir(folder.c_str(), 0755);
    constexpr int kFiles = 12000;
    std::map<std::string, platform::ItemState> before;
    for (int i = 0; i < kFiles; ++i) {
        const std::string path = folder + "/" + leaf + std::to_string(i);
        test::WriteFile(path, "x");
        before[path] = StateOf(path);
    }
    struct statvfs fs {};
    ASSERT_EQ(::statvfs(disk.Path().c_str(), &fs), 0);
    const off_t free = static_cast<off_t>(fs.f_bavail) * static_cast<off_t>(fs.f_frsize);
    const int filler = ::open((disk / "filler").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_EQ(::posix_fallocate(filler, 0, free - (4 << 20) - (512 << 10)), 0);
    ::close(filler);

    ApplyRequest r = Request(nullptr);
    std::error_code error;
    auto writer = StartRunJournal(r, disk / "journal", error);
    ASSERT_TRUE(writer) << error.message();
    ApplyToEntry(Row(root, true), r);
    FinishRun(r);
    FinishRunJournal(*writer, r);
    EXPECT_NE(r.log.find("元に戻すための記録を書けなくなったため、中止しました"), std::string::npos) << r.log;
    const size_t changed = Changed(before);
    EXPECT_GT(changed, 0U);
    EXPECT_LT(changed, before.size()) << "the journal never filled";

    ::unlink((disk / "filler").c_str());
    UndoRequest undo;
    undo.folder = disk / "journal";
    const auto runs = journal::ListRuns(undo.folder);
    ASSERT_EQ(runs.size(), 1U);
    ASSERT_FALSE(UndoRun(runs[0], undo));
    EXPECT_EQ(undo.restored, changed);
    EXPECT_EQ(Changed(before), 0U);
}
