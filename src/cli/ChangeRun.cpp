#include "cli/ChangeRun.h"

#include "cli/CliError.h"
#include "cli/Columns.h"
#include "filelist/FileEntry.h"
#include "filelist/FileFacts.h"
#include "filelist/RunJournal.h"
#include "platform/Error.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/Utf8.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>

namespace {

// What the user sees of a run while it goes on and when it ends.
class RunReport {
public:
    // A dry run's preview lists its items: verbose has nothing to add, and must not say they
    // were done.
    RunReport(const CliContext& context, bool dryRun)
        : m_verbose(context.verbose && !dryRun),
          m_progress(!context.quiet && platform::IsTerminal(platform::StdStream::Error)),
          m_lastDrawn(std::chrono::steady_clock::now()) {}

    void ItemDone(std::string& log, const std::string& path) {
        ++m_items;
        const bool failed = !log.empty() && LastLineIsAbout(log, path);
        Flush(log);
        if (m_verbose && !failed) {
            std::fputs((ShownPath(path) + "\n").c_str(), stdout);
        }
        if (m_progress && m_items % 64 == 0) {
            const auto now = std::chrono::steady_clock::now();
            if (now - m_lastDrawn >= std::chrono::milliseconds(200)) {
                m_lastDrawn = now;
                Draw(path);
            }
        }
    }

    // Writes the lines gathered so far and forgets them.
    void Flush(std::string& log) {
        if (log.empty()) {
            return;
        }
        Erase();
        for (const char c : log) {
            m_lines += c == '\n' ? 1 : 0;
        }
        std::fwrite(log.data(), 1, log.size(), stderr);
        log.clear();
    }

    int Finish(std::string& log) {
        Flush(log);
        Erase();
        std::fflush(stdout);
        if (m_verbose) {
            std::fprintf(stderr, "datemark-cli: %s, %s\n", Counted(m_items, "item", "items").c_str(),
                         Counted(m_lines, "line", "lines").c_str());
        }
        return m_lines == 0 ? 0 : 1;
    }

private:
    static bool LastLineIsAbout(const std::string& log, const std::string& path) {
        const size_t end = log.size() - 1; // the log ends in a line break
        const size_t start = end == 0 ? 0 : log.rfind('\n', end - 1);
        const std::string head = ShownPath(path) + " - ";
        return log.compare(start == std::string::npos ? 0 : start + 1, head.size(), head) == 0;
    }

    // "12345 items  3 lines  /the/path/now", cut from the left to fit the terminal; wide
    // characters are counted as two columns, whatever they are.
    void Draw(const std::string& path) {
        std::string line = std::to_string(m_items) + " items  " + std::to_string(m_lines) + " lines  ";
        const std::string shown = ShownPath(path);
        const size_t columns = static_cast<size_t>(platform::TerminalColumns(platform::StdStream::Error));
        size_t width = line.size();
        size_t from = shown.size();
        while (from > 0) {
            size_t start = from - 1;
            while (start > 0 && (static_cast<unsigned char>(shown[start]) & 0xC0) == 0x80) {
                --start;
            }
            const size_t cost = static_cast<unsigned char>(shown[start]) < 0x80 ? 1 : 2;
            if (width + cost + 1 >= columns) {
                break;
            }
            width += cost;
            from = start;
        }
        line += shown.substr(from);
        std::fprintf(stderr, "\r%s\033[K", line.c_str());
        m_drawn = true;
    }

    void Erase() {
        if (m_drawn) {
            std::fputs("\r\033[K", stderr);
            m_drawn = false;
        }
    }

    bool m_verbose;
    bool m_progress;
    bool m_drawn = false;
    uint64_t m_items = 0;
    uint64_t m_lines = 0;
    std::chrono::steady_clock::time_point m_lastDrawn;
};

// "now → new" for one fact the run sets, "now" for one it leaves.
std::string Change(const std::string& now, const std::optional<std::string>& next) {
    return next ? now + " → " + *next : now;
}

template <class T, class Text> std::optional<std::string> NextText(const std::optional<T>& next, Text text) {
    return next ? std::optional(text(*next)) : std::nullopt;
}

bool IsFolder(const std::string& path) {
    platform::FileInfo info;
    return !platform::QueryFile(platform::ItemRef::Path(path), info) && info.isDirectory;
}

} // namespace

void PrintPreview(const PreviewSink& sink, const char* failing) {
    std::vector<std::vector<std::string>> rows;
    rows.push_back({"CREATED", "MODIFIED", "ATTR", "PATH"});
    for (const PreviewRow& row : sink.rows) {
        const auto time = [](const platform::UtcTime& t) { return TimeColumn(t); };
        const auto attributes = [](uint32_t a) { return AttributeColumn(a); };
        if (row.error) {
            rows.push_back({"!", "!", "!", ShownPath(row.path) + "  ! " + platform::ErrorText(row.error)});
            continue;
        }
        rows.push_back(
            {Change(TimeColumn(row.current.created), NextText(row.next.created, time)),
             Change(TimeColumn(row.current.updated), NextText(row.next.updated, time)),
             Change(AttributeColumn(row.current.attributes), NextText(row.next.attributes, attributes)),
             ShownPath(row.path)});
    }
    PrintColumns(rows);
    std::printf("%s, %s, %s %s\n", Counted(sink.files, "file", "files").c_str(),
                Counted(sink.folders, "folder", "folders").c_str(), GroupedNumber(sink.failing).c_str(),
                failing);
}

void ChangeTargets::Define(CLI::App& app) {
    app.add_option("PATH", m_paths, "Files and folders to change")->required();
    app.add_flag("-r,--recursive", m_recursive, "Also change everything below each folder");
    app.add_flag("--folders", m_folders, "Change folders themselves too, not only files");
    app.add_flag("--no-cross-mounts", m_noCrossMounts,
                 "With -r, stay on the file system of each folder given: leave other mounts below it alone");
    app.add_flag("-n,--dry-run", m_dryRun,
                 "Change nothing: show each item's times and attributes now and what they would become");
}

int ChangeTargets::Run(ApplyRequest& request, const CliContext& context, const std::string& timesText) const {
    request.subFolder = m_recursive ? 1 : 0;
    request.folderTarget = m_folders ? 1 : 0;
    request.crossMounts = m_noCrossMounts ? platform::CrossMounts::No : platform::CrossMounts::Yes;
    PreviewSink preview;
    std::unique_ptr<journal::Writer> journal;
    if (m_dryRun) {
        request.preview = &preview;
    } else {
        std::error_code error;
        const std::string folder = journal::DefaultFolder();
        journal = StartRunJournal(request, folder, error, timesText);
        if (!journal) {
            std::fprintf(stderr, "datemark-cli: %s",
                         MakeErrorText(folder, platform::Errc::journal_unwritable, error).c_str());
            return 1;
        }
    }
    RunReport report(context, m_dryRun);
    request.itemDone = [&](const std::string& path) { report.ItemDone(request.log, path); };
    // A path's kind matters where a folder is refused, and where a walk may meet another path.
    const bool kindMatters = m_recursive ? m_paths.size() > 1 : !m_folders;
    std::vector<FileEntry> entries(m_paths.size());
    std::vector<const FileEntry*> rows;
    for (size_t i = 0; i < m_paths.size(); ++i) {
        entries[i].SetPath(WithoutTrailingSeparators(m_paths[i]));
        entries[i].SetLink(true);
        entries[i].SetFolder(kindMatters && IsFolder(entries[i].GetPath()) ? 1 : 0);
        rows.push_back(&entries[i]);
    }
    KnowRows(rows, request);
    for (const FileEntry& entry : entries) {
        if (RunStopsHere(request)) {
            break;
        }
        if (!m_recursive && !m_folders && entry.IsFolder() != 0) {
            request.log += MakeErrorText(entry.GetPath(), cli::Errc::folder_not_asked);
            report.Flush(request.log);
            continue;
        }
        ApplyToEntry(entry, request);
        report.Flush(request.log);
    }
    FinishRun(request);
    if (journal) {
        if (const auto error = FinishRunJournal(*journal, request)) {
            request.log +=
                MakeErrorText(platform::JoinPath(journal::DefaultFolder(), journal->Name()), error);
        }
    }
    const int status = report.Finish(request.log);
    if (m_dryRun) {
        PrintPreview(preview);
        return preview.failing == 0 ? status : 1;
    }
    return status;
}
