#pragma once

#include "cli/Subcommand.h"
#include "filelist/Apply.h"

#include <string>
#include <vector>

// The paths a change goes to and the options that choose how far it reaches, shared by the
// subcommands that change items, and the run itself.
class ChangeTargets {
public:
    // PATH..., -r/--recursive, --folders, --no-cross-mounts, --dry-run.
    void Define(CLI::App& app);

    // Runs the request on each path in turn as the window runs it on its rows (see
    // ApplyToEntry; a path that is a symbolic link acts on what it points to, as a row the
    // user chose does), then FinishRun. A folder given without --folders or -r gets a line of
    // its own, nothing being asked of it. Each line goes to standard error as it comes; with
    // --verbose and no --dry-run, the path of each item done without one goes to standard
    // output and the counts of items and lines to standard error at the end; on a terminal
    // and without --quiet, a progress line is kept up to date on standard error. The exit
    // status: 1 when any line was written, else 0.
    // The run is journaled (RunSummary with timesText names it in the list of runs) so that it
    // can be undone; when its journal cannot be started nothing is changed, a line says why and
    // the status is 1.
    // With --dry-run nothing is changed: the same walk prints each item's facts now and what
    // the run would make of them, the reason where it would fail, and the totals; the status
    // is 1 when any item would fail.
    int Run(ApplyRequest& request, const CliContext& context, const std::string& timesText = {}) const;

private:
    std::vector<std::string> m_paths;
    bool m_recursive = false;
    bool m_folders = false;
    bool m_noCrossMounts = false;
    bool m_dryRun = false;
};

// A preview's rows as aligned columns on standard output, "now → new" for each fact a change
// would set, "!" and the reason for an item it would fail on or leave; then the totals, the
// rows with a reason counted under the words failing says ("would fail").
void PrintPreview(const PreviewSink& sink, const char* failing = "would fail");
