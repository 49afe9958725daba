// Measures the program's work on a generated tree of 100 folders × 1,000 files against plain
// system-call loops over the same tree in the same run, and prints each ratio with its target.
//
//   datemark_bench [--tree=/path/with/room] [google benchmark flags]
//
// Exit status 1 when a ratio misses its target.
#include "BenchSupport.h"
#include "filelist/Apply.h"
#include "filelist/FileEntry.h"
#include "filelist/FileFacts.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 1000;

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

void BM_PlainUtimensatWalk(benchmark::State& state) {
    int64_t s = 1000000000;
    for (auto _ : state) {
        PlainUtimensatWalk(++s);
    }
    state.SetItemsProcessed(state.iterations() * kFolders * kFilesPerFolder);
}

ApplyRequest Request(int iteration, bool attributes) {
    ApplyRequest r;
    r.setUpdated = 1;
    r.updated = SYSTEMTIME{2005, 10, 3, 12, 14, 6, static_cast<uint16_t>(iteration % 60), 0};
    r.subFolder = 1;
    r.folderTarget = 1;
    if (attributes) {
        // Alternate, so that every file's attributes really change on every run.
        r.setAttributes = 1;
        r.hidden = iteration % 2;
        r.archive = 1 - iteration % 2;
    }
    return r;
}

void ApplyBench(benchmark::State& state, bool attributes) {
    FileEntry root;
    root.SetPath(g_tree->Root());
    root.SetFolder(1);
    int iteration = 0;
    for (auto _ : state) {
        ApplyRequest r = Request(++iteration, attributes);
        ApplyToEntry(root, r);
        if (!r.log.empty()) {
            state.SkipWithError(r.log.substr(0, 200).c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kFolders * kFilesPerFolder);
}

void BM_ApplyLastWrite(benchmark::State& state) {
    ApplyBench(state, false);
}

void BM_ApplyLastWriteAndAttributes(benchmark::State& state) {
    ApplyBench(state, true);
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

void BM_ReadRowFacts(benchmark::State& state) {
    std::vector<FileEntry> entries(g_tree->Files().size());
    for (size_t i = 0; i < g_tree->Files().size(); ++i) {
        entries[i].SetPath(g_tree->Files()[i]);
    }
    RowFacts texts;
    for (auto _ : state) {
        RowFactsReader reader;
        for (FileEntry& e : entries) {
            reader.Read(e, FactsRead::Insert, texts);
            benchmark::DoNotOptimize(texts);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(g_tree->Files().size()));
}

} // namespace

BENCHMARK(BM_PlainUtimensatWalk)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ApplyLastWrite)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ApplyLastWriteAndAttributes)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PlainStatxLoop)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadRowFacts)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    const std::string base = TreeBase(argc, argv);
    benchmark::Initialize(&argc, argv);
    std::printf("Generating %d folders x %d files under %s ...\n", kFolders, kFilesPerFolder, base.c_str());
    g_tree = std::make_unique<BenchTree>(base, kFolders, kFilesPerFolder);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    g_tree.reset();

    struct Target {
        const char* name;
        const char* work;
        const char* baseline;
        double limit;
    };
    const Target targets[] = {
        {"last-write time only", "BM_ApplyLastWrite", "BM_PlainUtimensatWalk", 1.5},
        {"last-write time + attributes", "BM_ApplyLastWriteAndAttributes", "BM_PlainUtimensatWalk", 2.5},
        {"facts of 100,000 listed paths", "BM_ReadRowFacts", "BM_PlainStatxLoop", 2.0},
    };
    int status = 0;
    std::printf("\n%-32s %10s %10s %7s %7s\n", "work", "ms", "baseline", "ratio", "target");
    for (const Target& t : targets) {
        const auto work = reporter.medians.find(t.work);
        const auto baseline = reporter.medians.find(t.baseline);
        if (work == reporter.medians.end() || baseline == reporter.medians.end()) {
            continue; // filtered out
        }
        const double ratio = work->second / baseline->second;
        const bool ok = ratio <= t.limit;
        std::printf("%-32s %10.1f %10.1f %6.2fx %6.1fx %s\n", t.name, work->second, baseline->second, ratio,
                    t.limit, ok ? "ok" : "MISSED");
        status |= ok ? 0 : 1;
    }
    return status;
}
