// Measures datemark-cli set -r --modified over the generated tree of 100,000 files against the
// engine running the same request in this process, and prints beside it the ratio to
// find TREE -exec touch -m -d ... {} + over the same tree, in the same run. The command line
// journals every run, as the window does; the engine with its journal is printed beside it, so
// that what the journal costs and what the process costs can be told apart. Journals go to a
// state folder of the benchmark's own, removed at the end.
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

void Count(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kFolders * kFilesPerFolder);
}

std::string g_stateHome;

void EngineSetFiles(benchmark::State& state, bool journaled) {
    FileEntry root;
    root.SetPath(g_tree->Root());
    root.SetLink(true); // a path given on the command line is followed
    int iteration = 0;
    for (auto _ : state) {
        ApplyRequest r;
        r.setUpdated = 1;
        r.updated = Updated(++iteration);
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
            break;
        }
    }
    Count(state);
}

void BM_EngineSetFiles(benchmark::State& state) {
    EngineSetFiles(state, false);
}

void BM_EngineSetFilesJournaled(benchmark::State& state) {
    EngineSetFiles(state, true);
}

void BM_CliSetFiles(benchmark::State& state) {
    int iteration = 0;
    for (auto _ : state) {
        if (Run({DATEMARK_CLI, "set", "-r", "--modified", Text(Updated(++iteration)), g_tree->Root()}) != 0) {
            state.SkipWithError("datemark-cli failed");
            break;
        }
    }
    Count(state);
}

void BM_FindExecTouch(benchmark::State& state) {
    int iteration = 0;
    for (auto _ : state) {
        const std::string at = "@" + std::to_string(1129093600 + ++iteration % 60);
        if (Run({"find", g_tree->Root(), "-exec", "touch", "-m", "-d", at, "{}", "+"}) != 0) {
            state.SkipWithError("find -exec touch failed");
            break;
        }
    }
    Count(state);
}

} // namespace

BENCHMARK(BM_EngineSetFiles)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_EngineSetFilesJournaled)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_CliSetFiles)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_FindExecTouch)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    char state[] = "/tmp/datemark-bench-state.XXXXXX";
    if (::mkdtemp(state) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    g_stateHome = state;
    ::setenv("XDG_STATE_HOME", state, 1);
    const std::map<std::string, double> medians = RunOnTree(argc, argv, g_tree);
    test::RemoveTree(g_stateHome);
    const auto journaled = medians.find("BM_EngineSetFilesJournaled");
    const auto engine = medians.find("BM_EngineSetFiles");
    const auto cli = medians.find("BM_CliSetFiles");
    const auto find = medians.find("BM_FindExecTouch");
    if (engine == medians.end() || cli == medians.end()) {
        return 0; // filtered out
    }
    const bool ok =
        ReportFigure("datemark-cli set -r --modified", cli->second / engine->second, 1.1, "x engine");
    if (journaled != medians.end()) {
        std::printf("%-40s %10.2f x engine with its journal\n", "datemark-cli set -r --modified",
                    cli->second / journaled->second);
    }
    if (find != medians.end()) {
        std::printf("%-40s %10.2f x find -exec touch\n", "datemark-cli set -r --modified",
                    cli->second / find->second);
    }
    return ok ? 0 : 1;
}
