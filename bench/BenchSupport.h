#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The tree every measurement runs on: 100,000 files.
inline constexpr int kFolders = 100;
inline constexpr int kFilesPerFolder = 1000;

// A generated tree of folders × files under base, removed when the object goes.
class BenchTree {
public:
    BenchTree(const std::string& base, int folders, int filesPerFolder);
    ~BenchTree();
    BenchTree(const BenchTree&) = delete;
    BenchTree& operator=(const BenchTree&) = delete;

    const std::string& Root() const { return m_root; }
    // Every file's full path, folder by folder.
    const std::vector<std::string>& Files() const { return m_files; }

private:
    std::string m_root;
    std::vector<std::string> m_files;
};

// The folder for generated trees: --tree=PATH among the arguments (removed from them), else
// $TMPDIR, else /tmp.
std::string TreeBase(int& argc, char** argv);

// Keeps the median real time of each benchmark's repetitions, by function name.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    std::map<std::string, double> medians;
};

// Generates the tree under --tree (or $TMPDIR) into tree, runs the benchmarks the command line
// selects, removes the tree again; the median real time of each benchmark by function name.
std::map<std::string, double> RunOnTree(int& argc, char** argv, std::unique_ptr<BenchTree>& tree);

// Prints a figure against its upper limit; false when it misses it.
bool ReportFigure(const char* what, double value, double limit, const char* unit);

// The middle of the values; far above any limit when there are none (everything was skipped).
double Median(std::vector<double> values);

// Times work and measure one after the other, each from a synced file system, taking turns at
// going first by iteration, so that both meet the same load and drift, and keeps work's time
// over measure's in ratios[name].
void TimePair(std::map<std::string, std::vector<double>>& ratios, const char* name, int iteration,
              const std::function<void()>& work, const std::function<void()>& measure);
