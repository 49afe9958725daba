// Measures the file list on 100,000 real files (100 folders × 1,000): adding them all (facts,
// type names, icons) and sorting once, one column click, and the heap each row holds.
//
//   datemark_list_bench [--tree=/path/with/room] [google benchmark flags]
//
// Exit status 1 when a figure misses its target.
#include "BenchSupport.h"
#include "filelist/FileListCtrl.h"
#include "filelist/FileListModel.h"
#include "res/Resources.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <memory>

namespace {

std::unique_ptr<BenchTree> g_tree;
double g_bytesPerRow = 0;

std::vector<std::unique_ptr<FileEntry>> Entries() {
    std::vector<std::unique_ptr<FileEntry>> entries;
    entries.reserve(g_tree->Files().size());
    for (const std::string& path : g_tree->Files()) {
        entries.push_back(std::make_unique<FileEntry>());
        entries.back()->SetPath(path);
    }
    return entries;
}

// What the user waits for after choosing the files: the entries made, read and shown, then
// one sort.
void BM_AddRowsAndSort(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<CFileListCtrl>();
        const size_t before = mallinfo2().uordblks;
        state.ResumeTiming();
        list->InsertEntries(Entries());
        list->SortItems();
        state.PauseTiming();
        g_bytesPerRow =
            static_cast<double>(mallinfo2().uordblks - before) / static_cast<double>(list->GetItemCount());
        if (list->GetItemCount() != static_cast<int>(g_tree->Files().size())) {
            state.SkipWithError("rows missing");
        }
        list.reset();
        state.ResumeTiming();
    }
    state.counters["bytes/row"] = g_bytesPerRow;
}

void BM_ColumnClick(benchmark::State& state) {
    CFileListCtrl list;
    list.InsertEntries(Entries());
    list.SortItems();
    int column = 0;
    for (auto _ : state) {
        list.OnColumnClick(column);
        column = (column + 1) % kListColumns;
    }
}

} // namespace

BENCHMARK(BM_AddRowsAndSort)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ColumnClick)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(7)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    InitResources();
    const std::map<std::string, double> medians = RunOnTree(argc, argv, g_tree);
    int status = 0;
    const auto report = [&](const char* what, const char* name, double limit, const char* unit) {
        if (const auto it = medians.find(name); it != medians.end()) {
            status |= ReportFigure(what, it->second, limit, unit) ? 0 : 1;
        }
    };
    report("add 100,000 rows and sort", "BM_AddRowsAndSort", 1500, "ms");
    report("column click over 100,000 rows", "BM_ColumnClick", 150, "ms");
    if (g_bytesPerRow > 0) {
        status |= ReportFigure("heap per row", g_bytesPerRow, 1024, "bytes") ? 0 : 1;
    }
    return status;
}
