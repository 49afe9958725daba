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

// "R", "H", "A" in their places, "-" where not set: aligned whatever the item has.
std::string AttributeColumn(const std::optional<uint32_t>& attributes) {
    if (!attributes) {
        return "???";
    }
    const std::string letters = AttributeLetters(*attributes);
    std::string column = "---";
    for (const char c : letters) {
        column[c == 'R' ? 0 : c == 'H' ? 1 : 2] = c;
    }
    return column;
}

std::string TimeColumn(const std::optional<platform::UtcTime>& time) {
    const std::string text = time ? FormatTime(*time) : std::string();
    return text.empty() ? "-" : text;
}

std::string JsonTime(const std::optional<platform::UtcTime>& time) {
    const std::string text = time ? FormatTime(*time) : std::string();
    return text.empty() ? "null" : "\"" + text + "\"";
}

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

// The rows, each column as wide as its widest text; the name last, as it comes.
void PrintTable(const std::vector<Facts>& rows) {
    std::vector<std::array<std::string, 6>> cells;
    cells.push_back({"CREATED", "MODIFIED", "ATTR", "SIZE", "TYPE", "NAME"});
    for (const Facts& f : rows) {
        cells.push_back({TimeColumn(f.info.created), TimeColumn(f.info.updated),
                         AttributeColumn(f.info.attributes),
                         f.info.isDirectory ? "-" : std::to_string(f.info.size), f.type, ShownPath(f.path)});
    }
    std::array<size_t, 6> width{};
    for (const auto& row : cells) {
        for (size_t i = 0; i < row.size(); ++i) {
            width[i] = std::max(width[i], row[i].size());
        }
    }
    for (const auto& row : cells) {
        std::string line;
        for (size_t i = 0; i + 1 < row.size(); ++i) {
            // Sizes to the right, the rest to the left.
            const std::string pad(width[i] - row[i].size(), ' ');
            line += (i == 3 ? pad + row[i] : row[i] + pad) + "  ";
        }
        line += row.back() + "\n";
        std::fputs(line.c_str(), stdout);
    }
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
