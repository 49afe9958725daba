// Measures the program's work on a generated tree of 100 folders × 1,000 files against plain
// system-call loops over the same tree in the same run, and prints each ratio with its target;
// first, the peak memory of a process that walks a chain of 10,000 folders with 255-byte names.
// The update through the window's worker (its progress window, counts and cancel checks) is
// measured against the engine alone on the same tree. Last, for comparison, each figure against
// the bare system calls its steps cannot do without.
//
//   datemark_bench [--tree=/path/with/room] [google benchmark flags]
//
// Exit status 1 when a ratio misses its target.
#include "BenchSupport.h"
#include "filelist/Apply.h"
#include "filelist/ApplyRun.h"
#include "filelist/FileEntry.h"
#include "filelist/FileFacts.h"
#include "res/Resources.h"
#include "support/FileTree.h"
#include "ui/BackgroundRun.h"

#include <QApplication>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

std::unique_ptr<BenchTree> g_tree;

// The plain walk: list each folder and set each entry's last-write time through its folder.
void PlainUtimensatWalk(int64_t seconds) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), 0}};
    DIR* top = ::opendir(g_tree->Root().c_str());
    while (const dirent* f = ::readdir(top)) {
        if (f->d_name[0] == '.') {
            continue;
        }
        ::utimensat(::dirfd(top), f->d_name, times, AT_SYMLINK_NOFOLLOW);
        const int fd = ::openat(::dirfd(top), f->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* d = ::fdopendir(fd);
        while (const dirent* e = ::readdir(d)) {
            if (e->d_name[0] != '.') {
                ::utimensat(::dirfd(d), e->d_name, times, AT_SYMLINK_NOFOLLOW);
            }
        }
        ::closedir(d);
    }
    ::closedir(top);
}

// The least the handle-based steps take: the plain walk's listing, and for each entry the calls
// that one handle per item needs (open without following, look at the handle, change through
// it, close), with the record read and written too when withRecord. Not a target: it tells how
// much of a figure is the design and how much the program.
void PlainHandleWalk(int64_t seconds, bool withRecord) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), 0}};
    const std::string record = "0x" + std::to_string(seconds % 2 == 0 ? 0x20 : 0x22);
    const auto each = [&](int folder, const char* name) {
        const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        struct statx sx {};
        ::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME | STATX_MNT_ID, &sx);
        if (withRecord) {
            char old[256];
            ::fgetxattr(fd, "user.DOSATTRIB", old, sizeof old);
            ::fsetxattr(fd, "user.DOSATTRIB", record.data(), record.size(), 0);
        }
        ::futimens(fd, times);
        ::close(fd);
    };
    DIR* top = ::opendir(g_tree->Root().c_str());
    while (const dirent* f = ::readdir(top)) {
        if (f->d_name[0] == '.') {
            continue;
        }
        const int fd = ::openat(::dirfd(top), f->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* d = ::fdopendir(fd);
        while (const dirent* e = ::readdir(d)) {
            if (e->d_name[0] != '.') {
                each(::dirfd(d), e->d_name);
            }
        }
        ::closedir(d);
        each(::dirfd(top), f->d_name);
    }
    ::closedir(top);
}

void BM_PlainHandleWalk(benchmark::State& state) {
    int64_t s = 1000000000;
    for (auto _ : state) {
        PlainHandleWalk(++s, false);
    }
}

void BM_PlainHandleRecordWalk(benchmark::State& state) {
    int64_t s = 1000000000;
    for (auto _ : state) {
        PlainHandleWalk(++s, true);
    }
}

void BM_PlainUtimensatWalk(benchmark::State& state) {
    int64_t s = 1000000000;
    for (auto _ : state) {
        PlainUtimensatWalk(++s);
    }
    state.SetItemsProcessed(state.iterations() * kFolders * kFilesPerFolder);
}

enum class Also { Nothing, Attributes, CreationTime };

ApplyRequest Request(int iteration, Also also) {
    ApplyRequest r;
    r.setUpdated = 1;
    r.updated = SYSTEMTIME{2005, 10, 3, 12, 14, 6, static_cast<uint16_t>(iteration % 60), 0};
    if (also == Also::CreationTime) {
        // A new one each run, so that every record is really written.
        r.setCreated = 1;
        r.created = SYSTEMTIME{2001, 2, 6, 3, 4, 5, static_cast<uint16_t>(iteration % 60), 0};
    }
    r.subFolder = 1;
    r.folderTarget = 1;
    if (also == Also::Attributes) {
        // Alternate, so that every file's attributes really change on every run.
        r.setAttributes = 1;
        r.hidden = iteration % 2;
        r.archive = 1 - iteration % 2;
    }
    return r;
}

void ApplyBench(benchmark::State& state, Also also) {
    FileEntry root;
    root.SetPath(g_tree->Root());
    root.SetFolder(1);
    int iteration = 0;
    for (auto _ : state) {
        ApplyRequest r = Request(++iteration, also);
        ApplyToEntry(root, r);
        FinishRun(r);
        if (!r.log.empty()) {
            state.SkipWithError(r.log.substr(0, 200).c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kFolders * kFilesPerFolder);
}

void BM_ApplyLastWrite(benchmark::State& state) {
    ApplyBench(state, Also::Nothing);
}

// Through the worker / the engine alone, one per pair: in real time, and in the CPU time of
// every thread of the process (what the watching costs, whatever else the machine runs).
std::vector<double> g_workerRatios;
std::vector<double> g_workerCpuRatios;

struct Clocks {
    double real;
    double cpu;
};

Clocks Now() {
    timespec cpu{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    return {std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(),
            static_cast<double>(cpu.tv_sec) + static_cast<double>(cpu.tv_nsec) * 1e-9};
}

// The update as the user starts it (on the worker, watched by the window, its progress window
// open after 300 ms, counted and checked for a cancel between items) against the engine alone,
// in pairs on the same tree so that both meet the same load, taking turns at going first.
void BM_ApplyLastWriteThroughWorker(benchmark::State& state) {
    QWidget owner;
    FileEntry root;
    root.SetPath(g_tree->Root());
    root.SetFolder(1);
    const FileEntry* const rows[] = {&root};
    int iteration = 0;
    for (auto _ : state) {
        ApplyRequest alone = Request(++iteration, Also::Nothing);
        ApplyRequest watched = Request(++iteration, Also::Nothing);
        const auto runAlone = [&] { ApplyToEntry(root, alone); };
        const auto runWatched = [&] {
            BackgroundRun run(&owner, QStringLiteral("更新中"));
            run.Run([&](RunControl& control) {
                watched.control = &control;
                ApplyToEntries(rows, watched);
            });
        };
        const bool aloneFirst = iteration % 4 == 2;
        const Clocks t0 = Now();
        aloneFirst ? runAlone() : runWatched();
        const Clocks t1 = Now();
        aloneFirst ? runWatched() : runAlone();
        const Clocks t2 = Now();
        const double first = t1.real - t0.real;
        const double second = t2.real - t1.real;
        g_workerRatios.push_back(aloneFirst ? second / first : first / second);
        const double firstCpu = t1.cpu - t0.cpu;
        const double secondCpu = t2.cpu - t1.cpu;
        g_workerCpuRatios.push_back(aloneFirst ? secondCpu / firstCpu : firstCpu / secondCpu);
        if (!alone.log.empty() || !watched.log.empty()) {
            state.SkipWithError((alone.log + watched.log).substr(0, 200).c_str());
            break;
        }
    }
}

void BM_ApplyLastWriteAndAttributes(benchmark::State& state) {
    ApplyBench(state, Also::Attributes);
}

void BM_ApplyLastWriteAndCreation(benchmark::State& state) {
    ApplyBench(state, Also::CreationTime);
}

void BM_PlainStatxLoop(benchmark::State& state) {
    for (auto _ : state) {
        for (const std::string& path : g_tree->Files()) {
            struct statx sx {};
            ::statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &sx);
            benchmark::DoNotOptimize(sx);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(g_tree->Files().size()));
}

// The look plus the attribute record each row shows: the least the list's facts take.
void BM_PlainStatxRecordLoop(benchmark::State& state) {
    for (auto _ : state) {
        for (const std::string& path : g_tree->Files()) {
            struct statx sx {};
            ::statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT | AT_SYMLINK_NOFOLLOW,
                    STATX_BASIC_STATS | STATX_BTIME, &sx);
            char record[256];
            benchmark::DoNotOptimize(::lgetxattr(path.c_str(), "user.DOSATTRIB", record, sizeof record));
            benchmark::DoNotOptimize(sx);
        }
    }
}

void BM_ReadRowFacts(benchmark::State& state) {
    std::vector<FileEntry> entries(g_tree->Files().size());
    for (size_t i = 0; i < g_tree->Files().size(); ++i) {
        entries[i].SetPath(g_tree->Files()[i]);
    }
    for (auto _ : state) {
        RowFactsReader reader;
        for (FileEntry& e : entries) {
            benchmark::DoNotOptimize(reader.Read(e, FactsRead::Insert));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(g_tree->Files().size()));
}

constexpr int kDeepLevels = 10000;

// Walks a chain of 10,000 folders named with 255 bytes each in a child process of its own and
// gives that process's peak resident memory in MiB; negative when the walk did not finish.
double DeepWalkPeakMiB(const std::string& base) {
    const std::string root = base + "/datemark-deep-" + std::to_string(::getpid());
    if (::mkdir(root.c_str(), 0755) != 0 || !test::MakeChain(root, kDeepLevels, std::string(255, 'n'))) {
        test::RemoveTree(root);
        return -1;
    }
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        FileEntry entry;
        entry.SetPath(root);
        entry.SetFolder(1);
        ApplyRequest r = Request(1, Also::Nothing);
        ApplyToEntry(entry, r);
        ::_exit(r.log.empty() ? 0 : 1);
    }
    int status = 0;
    struct rusage usage {};
    const bool ok =
        pid > 0 && ::wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    test::RemoveTree(root);
    return ok ? static_cast<double>(usage.ru_maxrss) / 1024.0 : -1;
}

} // namespace

BENCHMARK(BM_PlainUtimensatWalk)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_PlainHandleWalk)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_PlainHandleRecordWalk)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ApplyLastWrite)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ApplyLastWriteThroughWorker)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ApplyLastWriteAndAttributes)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ApplyLastWriteAndCreation)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PlainStatxLoop)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_PlainStatxRecordLoop)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadRowFacts)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    // Before the big tree exists, so that the child starts small.
    std::vector<char*> args(argv, argv + argc);
    int argsLeft = argc;
    const double deepMiB = DeepWalkPeakMiB(TreeBase(argsLeft, args.data()));
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    InitResources();
    const std::map<std::string, double> medians = RunOnTree(argc, argv, g_tree);
    struct Target {
        const char* name;
        const char* work;
        const char* baseline;
        double limit;
    };
    const Target targets[] = {
        {"last-write time only", "BM_ApplyLastWrite", "BM_PlainUtimensatWalk", 1.5},
        {"last-write time + attributes", "BM_ApplyLastWriteAndAttributes", "BM_PlainUtimensatWalk", 2.5},
        {"creation + last-write time", "BM_ApplyLastWriteAndCreation", "BM_PlainUtimensatWalk", 2.5},
        {"facts of 100,000 listed paths", "BM_ReadRowFacts", "BM_PlainStatxLoop", 2.0},
    };
    int status =
        ReportFigure("peak memory, 10,000 levels of 255 bytes", deepMiB < 0 ? 1e9 : deepMiB, 64, "MiB") ? 0
                                                                                                        : 1;
    if (!g_workerRatios.empty()) {
        status |=
            ReportFigure("through the worker, with progress", Median(g_workerRatios), 1.03, "x engine alone")
                ? 0
                : 1;
        ReportFigure("  the same in CPU time of all threads", Median(g_workerCpuRatios), 1.03,
                     "x engine alone");
    }
    for (const Target& t : targets) {
        const auto work = medians.find(t.work);
        const auto baseline = medians.find(t.baseline);
        if (work != medians.end() && baseline != medians.end()) { // else filtered out
            status |= ReportFigure(t.name, work->second / baseline->second, t.limit, "x baseline") ? 0 : 1;
        }
    }
    // The same figures against the bare calls of one handle per item.
    const Target floors[] = {
        {"  last-write, against bare calls", "BM_ApplyLastWrite", "BM_PlainHandleWalk", 0},
        {"  + attributes, against bare calls", "BM_ApplyLastWriteAndAttributes", "BM_PlainHandleRecordWalk",
         0},
        {"  + creation, against bare calls", "BM_ApplyLastWriteAndCreation", "BM_PlainHandleRecordWalk", 0},
        {"  bare calls, against the plain walk", "BM_PlainHandleWalk", "BM_PlainUtimensatWalk", 0},
        {"  bare calls with the record, the same", "BM_PlainHandleRecordWalk", "BM_PlainUtimensatWalk", 0},
        {"  facts, against look + record read", "BM_ReadRowFacts", "BM_PlainStatxRecordLoop", 0},
        {"  look + record read, against a look", "BM_PlainStatxRecordLoop", "BM_PlainStatxLoop", 0},
    };
    for (const Target& t : floors) {
        const auto work = medians.find(t.work);
        const auto baseline = medians.find(t.baseline);
        if (work != medians.end() && baseline != medians.end()) {
            std::printf("%-40s %10.2f x (for comparison)\n", t.name, work->second / baseline->second);
        }
    }
    return status;
}
