#include "BenchSupport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Die(const char* what) {
    std::fprintf(stderr, "%s: %s\n", what, std::strerror(errno));
    std::exit(2);
}

// A few kinds of names, so that type lookups see more than one extension.
const char* const kExtensions[] = {".txt", ".png", ".cpp", ".tar.gz", ".pdf"};

} // namespace

BenchTree::BenchTree(const std::string& base, int folders, int filesPerFolder) {
    std::string pattern = base + "/datemark-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        Die("mkdtemp");
    }
    m_root = pattern;
    m_files.reserve(static_cast<size_t>(folders) * static_cast<size_t>(filesPerFolder));
    for (int f = 0; f < folders; ++f) {
        const std::string folder = m_root + "/folder" + std::to_string(f);
        if (::mkdir(folder.c_str(), 0755) != 0) {
            Die("mkdir");
        }
        for (int i = 0; i < filesPerFolder; ++i) {
            std::string path = folder + "/file" + std::to_string(i) + kExtensions[i % 5];
            const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd < 0 || ::write(fd, "x", 1) != 1) {
                Die("create");
            }
            ::close(fd);
            m_files.push_back(std::move(path));
        }
    }
}

BenchTree::~BenchTree() {
    std::error_code ec;
    std::filesystem::remove_all(m_root, ec);
}

std::string TreeBase(int& argc, char** argv) {
    std::string base = std::getenv("TMPDIR") != nullptr ? std::getenv("TMPDIR") : "/tmp";
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--tree=", 7) == 0) {
            base = argv[i] + 7;
        } else {
            argv[out++] = argv[i];
        }
    }
    argc = out;
    return base;
}

void MedianReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
            medians[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
    }
}

std::map<std::string, double> RunOnTree(int& argc, char** argv, std::unique_ptr<BenchTree>& tree) {
    const std::string base = TreeBase(argc, argv);
    benchmark::Initialize(&argc, argv);
    std::printf("Generating %d folders x %d files under %s ...\n", kFolders, kFilesPerFolder, base.c_str());
    tree = std::make_unique<BenchTree>(base, kFolders, kFilesPerFolder);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    tree.reset();
    std::printf("\n");
    return reporter.medians;
}

bool ReportFigure(const char* what, double value, double limit, const char* unit) {
    const bool ok = value <= limit;
    std::printf("%-40s %10.2f %s (target %.2f) %s\n", what, value, unit, limit, ok ? "ok" : "MISSED");
    return ok;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 1e9 : values[values.size() / 2];
}

void TimePair(std::map<std::string, std::vector<double>>& ratios, const char* name, int iteration,
              const std::function<void()>& work, const std::function<void()>& measure) {
    const auto seconds = [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    };
    // What one half left dirty is written out before the next is timed: otherwise whichever
    // runs second pays for the first one's writeback, at moments the file system chooses.
    const auto timed = [&](const std::function<void()>& run) {
        ::sync();
        const double start = seconds();
        run();
        return seconds() - start;
    };
    const bool workFirst = iteration % 2 == 0;
    const double first = timed(workFirst ? work : measure);
    const double second = timed(workFirst ? measure : work);
    ratios[name].push_back(workFirst ? first / second : second / first);
}
