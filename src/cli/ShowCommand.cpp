#include "cli/Columns.h"
#include "cli/JsonText.h"
#include "cli/Subcommand.h"
#include "cli/TimeArgs.h"
#include "filelist/FileFacts.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Utf8.h"
#include "shell/MimeGlobs.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

namespace {

// What the list shows of one item.
// The last component of a path as given ("b" of "a/b/").
std::string NameOf(const std::string& path) {
    return platform::SplitPath(WithoutTrailingSeparators(path)).name;
}

struct Facts {
    std::string path; // as given
    std::string type;
    platform::FileInfo info;
};

std::string JsonLine(const Facts& f) {
    std::string out = "{\"path\":";
    AppendJsonString(out, f.path);
    if (!platform::IsUtf8(f.path)) {
        out += ",\"path_bytes\":\"" + Base64(f.path) + "\"";
    }
    out += ",\"name\":";
    AppendJsonString(out, NameOf(f.path));
    out += ",\"type\":";
    AppendJsonString(out, f.type);
    out += ",\"size\":" + (f.info.isDirectory ? std::string("null") : std::to_string(f.info.size));
    out += ",\"created\":" + JsonTime(f.info.created);
    out += ",\"modified\":" + JsonTime(f.info.updated);
    out += ",\"attributes\":";
    if (f.info.attributes) {
        AppendJsonString(out, AttributeLetters(*f.info.attributes));
    } else {
        out += "null";
    }
    return out + "}\n";
}

// The rows, each column as wide as its widest text; sizes to the right, the name last, as it
// comes.
void PrintTable(const std::vector<Facts>& rows) {
    std::vector<std::vector<std::string>> cells;
    cells.push_back({"CREATED", "MODIFIED", "ATTR", "SIZE", "TYPE", "NAME"});
    for (const Facts& f : rows) {
        cells.push_back({TimeColumn(f.info.created), TimeColumn(f.info.updated),
                         AttributeColumn(f.info.attributes),
                         f.info.isDirectory ? "-" : std::to_string(f.info.size), f.type, ShownPath(f.path)});
    }
    PrintColumns(cells, {3});
}

// The facts the list shows, as aligned text or as JSON lines.
class ShowCommand : public Subcommand {
public:
    void Define(CLI::App& app, const CliContext&) override {
        app.add_option("PATH", m_paths, "Files and folders to show")->required();
        app.add_flag("--json", m_json,
                     "One JSON object per line and item, times in ISO 8601 with their offset");
    }

    int Run(const CliContext&) override {
        const MimeGlobs globs = MimeGlobs::System();
        std::vector<Facts> rows;
        int status = 0;
        for (const std::string& path : m_paths) {
            Facts f{path, {}, {}};
            if (const auto error = platform::QueryFile(platform::ItemRef::Path(path), f.info)) {
                std::fflush(stdout);
                std::fputs(MakeErrorText(path, error).c_str(), stderr);
                status = 1;
                continue;
            }
            f.type = f.info.isDirectory ? "inode/directory" : globs.TypeOf(NameOf(path));
            if (m_json) {
                std::fputs(JsonLine(f).c_str(), stdout);
            } else {
                rows.push_back(std::move(f));
            }
        }
        if (!rows.empty()) {
            PrintTable(rows);
        }
        return status;
    }

private:
    std::vector<std::string> m_paths;
    bool m_json = false;
};

} // namespace

std::unique_ptr<Subcommand> MakeShowCommand() {
    return std::make_unique<ShowCommand>();
}
