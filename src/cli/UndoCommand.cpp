#include "cli/ChangeRun.h"
#include "cli/Subcommand.h"
#include "filelist/Apply.h"
#include "filelist/FileEntry.h"
#include "filelist/FileFacts.h"
#include "filelist/Undo.h"
#include "journal/Journal.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kBadUsage = 2;

// Puts back what a kept run changed: the newest unless one is named.
class UndoCommand : public Subcommand {
public:
    void Define(CLI::App& app, const CliContext&) override {
        m_runGiven = app.add_option(
            "RUN", m_run, "The run to undo, as `datemark-cli runs` names it; the newest when left out");
        app.add_flag("-n,--dry-run", m_dryRun,
                     "Change nothing: show each item's times and attributes now and what the undo would "
                     "put back, or why it would leave the item");
    }

    int Run(const CliContext& context) override {
        UndoRequest request;
        request.folder = journal::DefaultFolder();
        const std::vector<std::string> runs = journal::ListRuns(request.folder);
        const bool named = m_runGiven->count() > 0;
        std::string name = named ? m_run : runs.empty() ? std::string() : runs.front();
        if (named && !name.ends_with(".journal")) {
            name += ".journal";
        }
        // A name that is no kept run is a mistake in the arguments; having none to undo is not.
        if (named && std::find(runs.begin(), runs.end(), name) == runs.end()) {
            std::fprintf(
                stderr,
                "datemark-cli undo: no kept run named '%s'\nRun 'datemark-cli runs' for their names.\n",
                m_run.c_str());
            return kBadUsage;
        }
        if (name.empty()) {
            std::fputs("datemark-cli undo: no run to undo\n", stderr);
            return 1;
        }
        PreviewSink preview;
        if (m_dryRun) {
            request.preview = &preview;
        }
        request.itemDone = [&](const std::string&) {
            std::fputs(request.log.c_str(), stderr);
            request.log.clear();
        };
        if (const auto error = UndoRun(name, request)) {
            std::fputs(MakeErrorText(name, error).c_str(), stderr);
            return 1;
        }
        std::fputs(request.log.c_str(), stderr);
        if (m_dryRun) {
            // Its rows with a reason are every item it would leave, not only those it would
            // fail on: the line below tells them apart.
            PrintPreview(preview, "would be left");
            if (!context.quiet) {
                std::printf("%s: %s would be put back, %s changed since, %s missing, %s would fail\n",
                            name.c_str(), GroupedNumber(request.restored).c_str(),
                            GroupedNumber(request.changedSince).c_str(),
                            GroupedNumber(request.missing).c_str(), GroupedNumber(request.failed).c_str());
            }
            return preview.failing == 0 ? 0 : 1;
        }
        if (!context.quiet) {
            std::printf("%s: %s put back, %s changed since, %s missing, %s failed (undo: %s)\n", name.c_str(),
                        GroupedNumber(request.restored).c_str(), GroupedNumber(request.changedSince).c_str(),
                        GroupedNumber(request.missing).c_str(), GroupedNumber(request.failed).c_str(),
                        request.journalName.c_str());
        }
        return request.changedSince + request.missing + request.failed == 0 ? 0 : 1;
    }

private:
    CLI::Option* m_runGiven = nullptr;
    std::string m_run;
    bool m_dryRun = false;
};

} // namespace

std::unique_ptr<Subcommand> MakeUndoCommand() {
    return std::make_unique<UndoCommand>();
}
