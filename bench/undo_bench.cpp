// Measures what the journal, undo and preview cost on a generated tree of 100 folders × 1,000
// files, each against the work it is measured by, in pairs on the same tree so that both meet the
// same load, taking turns at going first:
//  - a run of last-write time + attributes with its journal, against the same run without;
//  - the undo of such a run, against the run;
//  - the preview of a run over the tree, against reading the listed facts of its files.
//
//   datemark_undo_bench [--tree=/path/with/room] [google benchmark flags]
//
// Exit status 1 when a ratio misses its target.
#include "BenchSupport.h"
#include "filelist/Apply.h"
#include "filelist/FileEntry.h"
#include "filelist/FileFacts.h"
#include "filelist/RunJournal.h"
#include "filelist/Undo.h"
#include "platform/FileIO.h"
#include "platform/Path.h"
#include "support/FileTree.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <unistd.h>

namespace {

std::unique_ptr<BenchTree> g_tree;
std::string g_journals;
std::map<std::string, std::vector<double>> g_ratios;

double Seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Alternating, so that every file's time and attributes really change on every run.
ApplyRequest Request(int iteration) {
    ApplyRequest r;
    r.setUpdated = 1;
    r.updated = SYSTEMTIME{2005, 10, 3, 12, 14, 6, static_cast<uint16_t>(iteration % 60), 0};
    r.setAttributes = 1;
    r.hidden = iteration % 2;
    r.archive = 1 - iteration % 2;
    r.subFolder = 1;
    r.folderTarget = 1;
    return r;
}

FileEntry Root() {
    FileEntry root;
    root.SetPath(g_tree->Root());
    root.SetFolder(1);
    return root;
}

// A run of the request, journaled when asked; the journal's name.
std::string Run(ApplyRequest& r, bool journaled, benchmark::State& state) {
    std::error_code error;
    std::unique_ptr<journal::Writer> writer;
    if (journaled && !(writer = StartRunJournal(r, g_journals, error))) {
        state.SkipWithError(error.message().c_str());
        return {};
    }
    ApplyToEntry(Root(), r);
    FinishRun(r);
    if (writer) {
        FinishRunJournal(*writer, r);
    }
    if (!r.log.empty()) {
        state.SkipWithError(r.log.substr(0, 200).c_str());
    }
    return writer ? writer->Name() : std::string();
}

void BM_JournaledRunAgainstPlainRun(benchmark::State& state) {
    int iteration = 0;
    for (auto _ : state) {
        ApplyRequest plain = Request(++iteration);
        ApplyRequest journaled = Request(++iteration);
        TimePair(
            g_ratios, "journal", iteration / 2, [&] { Run(journaled, true, state); },
            [&] { Run(plain, false, state); });
    }
}

void BM_UndoAgainstTheRun(benchmark::State& state) {
    int iteration = 0;
    for (auto _ : state) {
        ApplyRequest r = Request(++iteration);
        std::string name;
        const double t0 = Seconds();
        name = Run(r, true, state);
        const double t1 = Seconds();
        UndoRequest undo;
        undo.folder = g_journals;
        if (UndoRun(name, undo) || undo.restored == 0 || !undo.log.empty()) {
            state.SkipWithError(("undo: " + undo.log.substr(0, 200)).c_str());
            break;
        }
        g_ratios["undo"].push_back((Seconds() - t1) / (t1 - t0));
    }
}

void BM_PreviewAgainstReadingFacts(benchmark::State& state) {
    std::vector<FileEntry> entries(g_tree->Files().size());
    for (size_t i = 0; i < g_tree->Files().size(); ++i) {
        entries[i].SetPath(g_tree->Files()[i]);
    }
    int iteration = 0;
    for (auto _ : state) {
        PreviewSink sink;
        TimePair(
            g_ratios, "preview", ++iteration,
            [&] {
                ApplyRequest r = Request(iteration);
                r.preview = &sink;
                ApplyToEntry(Root(), r);
            },
            [&] {
                RowFactsReader reader;
                for (FileEntry& e : entries) {
                    benchmark::DoNotOptimize(reader.Read(e, FactsRead::Insert));
                }
            });
        if (sink.failing != 0) {
            state.SkipWithError("the preview finds failures");
            break;
        }
    }
}

} // namespace

BENCHMARK(BM_JournaledRunAgainstPlainRun)->Unit(benchmark::kMillisecond)->Iterations(6);
BENCHMARK(BM_UndoAgainstTheRun)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BM_PreviewAgainstReadingFacts)->Unit(benchmark::kMillisecond)->Iterations(6);

int main(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    int argsLeft = argc;
    g_journals = TreeBase(argsLeft, args.data()) + "/datemark-journals-" + std::to_string(::getpid());
    RunOnTree(argc, argv, g_tree);
    for (const std::string& name : journal::ListRuns(g_journals)) {
        platform::RemoveFile(platform::JoinPath(g_journals, name));
    }
    ::rmdir(g_journals.c_str());
    struct Target {
        const char* name;
        const char* what;
        double limit;
        const char* unit;
    };
    const Target targets[] = {
        {"journal", "last-write + attributes, journaled", 1.3, "x without journal"},
        {"undo", "undo of that run", 2.0, "x the run"},
        {"preview", "preview of 100,000 items", 1.5, "x reading their facts"},
    };
    int status = 0;
    for (const Target& t : targets) {
        if (g_ratios.count(t.name) != 0) { // else filtered out
            status |= ReportFigure(t.what, Median(g_ratios[t.name]), t.limit, t.unit) ? 0 : 1;
        }
    }
    return status;
}
