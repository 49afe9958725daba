#include "cli/Columns.h"
#include "cli/JsonText.h"
#include "cli/Subcommand.h"
#include "filelist/FileFacts.h"
#include "journal/Journal.h"

#include <CLI/CLI.hpp>
#include <cstdio>

namespace {

const char* KindText(journal::RunKind kind) {
    return kind == journal::RunKind::Undo ? "undo" : "update";
}

// done, cancelled, or stopped: the run ended before it could say (killed, a crash).
const char* EndText(const journal::RunInfo& info) {
    return !info.end ? "stopped" : info.end->cancelled ? "cancelled" : "done";
}

std::string JsonLine(const journal::RunInfo& info) {
    std::string out = "{\"run\":";
    AppendJsonString(out, info.name);
    out += ",\"kind\":\"" + std::string(KindText(info.header.kind)) + "\"";
    out += ",\"started\":" + JsonTime(info.header.started);
    out += ",\"items\":" + (info.end ? std::to_string(info.end->items) : std::string("null"));
    out += ",\"end\":\"" + std::string(EndText(info)) + "\"";
    out += ",\"summary\":";
    AppendJsonString(out, info.header.summary);
    out += ",\"undid\":";
    if (info.header.undid.empty()) {
        out += "null";
    } else {
        AppendJsonString(out, info.header.undid);
    }
    return out + "}\n";
}

// The kept runs, newest first, as `undo` names them.
class RunsCommand : public Subcommand {
public:
    void Define(CLI::App& app, const CliContext&) override {
        app.add_flag("--json", m_json, "One JSON object per line and run");
    }

    int Run(const CliContext&) override {
        const std::string folder = journal::DefaultFolder();
        std::vector<std::vector<std::string>> rows{{"RUN", "KIND", "STARTED", "ITEMS", "END", "SUMMARY"}};
        int status = 0;
        for (const std::string& name : journal::ListRuns(folder)) {
            journal::RunInfo info;
            if (const auto error = journal::ReadRunInfo(folder, name, info)) {
                std::fflush(stdout);
                std::fputs(MakeErrorText(name, error).c_str(), stderr);
                status = 1;
                continue;
            }
            if (m_json) {
                std::fputs(JsonLine(info).c_str(), stdout);
                continue;
            }
            rows.push_back({name, KindText(info.header.kind), TimeColumn(info.header.started),
                            info.end ? std::to_string(info.end->items) : "?", EndText(info),
                            info.header.summary});
        }
        if (!m_json && rows.size() > 1) {
            PrintColumns(rows, {3});
        }
        return status;
    }

private:
    bool m_json = false;
};

} // namespace

std::unique_ptr<Subcommand> MakeRunsCommand() {
    return std::make_unique<RunsCommand>();
}
