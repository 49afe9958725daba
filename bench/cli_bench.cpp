// Measures datemark-cli set -r --modified over the generated tree of 100,000 files against the
// engine running the same request in this process, and prints beside it the ratio to
// find TREE -exec touch -m -d ... {} + over the same tree, in the same run. Each figure is the
// median of runs in pairs, taking turns at going first, so that both meet the same load.
//
// The command line journals every run, as the window's update does, so the engine it is held to
// journals too: what is left between the two is what the command line itself adds (starting a
// process, reading its arguments, reporting). The engine without its journal is printed beside,
// so that the journal's share stays in sight; the journal's own limit is the undo benchmark's.
// Journals go to a state folder of the benchmark's own, removed at the end.
//
//   datemark_cli_bench [--tree=/path/with/room] [google benchmark flags]
//
// Exit status 1 when the command line takes more than 1.1 times the engine.
#include "BenchSupport.h"
#include "filelist/Apply.h"
#include "filelist/FileEntry.h"
#include "filelist/RunJournal.h"
#include "support/FileTree.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

std::unique_ptr<BenchTree> g_tree;

// 2005-10-12 14:06:SS local time, a new second each run so that every file really changes.
SYSTEMTIME Updated(int iteration) {
    return SYSTEMTIME{2005, 10, 3, 12, 14, 6, static_cast<uint16_t>(iteration % 60), 0};
}

std::string Text(const SYSTEMTIME& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
    return text;
}

// Runs a program with its output thrown away; its exit status.
int Run(const std::vector<std::string>& argv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string g_stateHome;
std::map<std::string, std::vector<double>> g_ratios;
int g_run = 0; // every run a new second, so that every file really changes

// The engine on the tree, as the command line asks it, with or without its journal.
void EngineRun(benchmark::State& state, bool journaled) {
    FileEntry root;
    root.SetPath(g_tree->Root());
    root.SetLink(true); // a path given on the command line is followed
    ApplyRequest r;
    r.setUpdated = 1;
    r.updated = Updated(++g_run);
    r.subFolder = 1;
    std::error_code error;
    const auto journal = journaled ? StartRunJournal(r, g_stateHome + "/journal", error) : nullptr;
    ApplyToEntry(root, r);
    FinishRun(r);
    if (journal) {
        FinishRunJournal(*journal, r);
    }
    if (error || !r.log.empty()) {
        state.SkipWithError(r.log.substr(0, 200).c_str());
    }
}

void CliRun(benchmark::State& state) {
    if (Run({DATEMARK_CLI, "set", "-r", "--modified", Text(Updated(++g_run)), g_tree->Root()}) != 0) {
        state.SkipWithError("datemark-cli failed");
    }
}

// The command line against the engine with its journal, against the engine alone, and against
// find -exec touch, each in pairs.
void BM_CliAgainstEngine(benchmark::State& state) {
    int iteration = 0;
    for (auto _ : state) {
        TimePair(
            g_ratios, "engine", ++iteration, [&] { CliRun(state); }, [&] { EngineRun(state, false); });
    }
}

void BM_CliAgainstJournaledEngine(benchmark::State& state) {
    int iteration = 0;
    for (auto _ : state) {
        TimePair(
            g_ratios, "journaled", ++iteration, [&] { CliRun(state); }, [&] { EngineRun(state, true); });
    }
}

void BM_CliAgainstFindExecTouch(benchmark::State& state) {
    int iteration = 0;
    for (auto _ : state) {
        const std::string at = "@" + std::to_string(1129093600 + ++g_run % 60);
        TimePair(
            g_ratios, "find", ++iteration, [&] { CliRun(state); },
            [&] {
                if (Run({"find", g_tree->Root(), "-exec", "touch", "-m", "-d", at, "{}", "+"}) != 0) {
                    state.SkipWithError("find -exec touch failed");
                }
            });
    }
}

} // namespace

BENCHMARK(BM_CliAgainstJournaledEngine)->Unit(benchmark::kMillisecond)->Iterations(12);
BENCHMARK(BM_CliAgainstEngine)->Unit(benchmark::kMillisecond)->Iterations(6);
BENCHMARK(BM_CliAgainstFindExecTouch)->Unit(benchmark::kMillisecond)->Iterations(6);

int main(int argc, char** argv) {
    char state[] = "/tmp/datemark-bench-state.XXXXXX";
    if (::mkdtemp(state) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    g_stateHome = state;
    ::setenv("XDG_STATE_HOME", state, 1);
    RunOnTree(argc, argv, g_tree);
    test::RemoveTree(g_stateHome);
    if (g_ratios.count("journaled") == 0) {
        return 0; // filtered out
    }
    const bool ok =
        ReportFigure("datemark-cli set -r --modified", Median(g_ratios["journaled"]), 1.1, "x engine");
    if (g_ratios.count("engine") != 0) {
        std::printf("%-40s %10.2f x engine without its journal\n", "datemark-cli set -r --modified",
                    Median(g_ratios["engine"]));
    }
    if (g_ratios.count("find") != 0) {
        std::printf("%-40s %10.2f x find -exec touch\n", "datemark-cli set -r --modified",
                    Median(g_ratios["find"]));
    }
    return ok ? 0 : 1;
}
