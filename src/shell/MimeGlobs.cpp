#include "shell/MimeGlobs.h"

#include "platform/FileIO.h"
#include "platform/Process.h"
#include "shell/GlobMatch.h"

#include <cstdlib>
#include <set>

namespace {

constexpr size_t kLargestGlobsFile = 8 << 20;

bool HasWildcard(std::string_view pattern) {
    return pattern.find_first_of("*?[") != std::string_view::npos;
}

std::string Folded(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + ('a' - 'A'));
        }
    }
    return out;
}

// The folders of a ':'-separated list, each with "/mime/globs2" after it.
void AddGlobFiles(std::string_view list, std::vector<std::string>& paths) {
    while (!list.empty()) {
        const size_t colon = std::min(list.find(':'), list.size());
        const std::string_view folder = list.substr(0, colon);
        if (!folder.empty() && folder.front() == '/') { // relative entries are invalid there
            paths.push_back(std::string(folder) + "/mime/globs2");
        }
        list.remove_prefix(std::min(colon + 1, list.size()));
    }
}

std::string EnvOr(const char* name, std::string fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? std::string(value) : fallback;
}

} // namespace

std::optional<GlobLine> ParseGlobLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (line.empty() || line.front() == '#') {
        return std::nullopt;
    }
    const size_t typeStart = line.find(':');
    const size_t globStart = typeStart == line.npos ? line.npos : line.find(':', typeStart + 1);
    if (globStart == line.npos) {
        return std::nullopt;
    }
    GlobLine out;
    int weight = 0;
    for (const char c : line.substr(0, typeStart)) {
        if (c < '0' || c > '9' || weight > 1000) {
            return std::nullopt;
        }
        weight = weight * 10 + (c - '0');
    }
    out.weight = typeStart == 0 ? out.weight : weight;
    out.type = line.substr(typeStart + 1, globStart - typeStart - 1);
    out.pattern = line.substr(globStart + 1);
    // Flags are lower-case words after the last colon; a pattern may hold colons of its own.
    if (const size_t colon = out.pattern.rfind(':');
        colon != line.npos &&
        out.pattern.find_first_not_of("abcdefghijklmnopqrstuvwxyz,", colon + 1) == line.npos) {
        std::string_view flags = out.pattern.substr(colon + 1);
        out.pattern = out.pattern.substr(0, colon);
        while (!flags.empty()) {
            const size_t end = std::min(flags.find(','), flags.size());
            out.caseSensitive = out.caseSensitive || flags.substr(0, end) == "cs";
            flags.remove_prefix(std::min(end + 1, flags.size()));
        }
    }
    if (out.type.empty() || out.pattern.empty()) {
        return std::nullopt;
    }
    return out;
}

MimeGlobs MimeGlobs::System() {
    std::vector<std::string> paths;
    const std::string home = platform::HomeFolder();
    AddGlobFiles(EnvOr("XDG_DATA_HOME", home.empty() ? std::string() : home + "/.local/share"), paths);
    AddGlobFiles(EnvOr("XDG_DATA_DIRS", "/usr/local/share/:/usr/share/"), paths);
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        std::string content;
        if (!platform::ReadFileBytes(path, kLargestGlobsFile, content)) {
            files.push_back(std::move(content));
        }
    }
    return MimeGlobs(files);
}

MimeGlobs::MimeGlobs(const std::vector<std::string>& files) {
    std::set<std::string, std::less<>> dropped; // by a more important file
    for (const std::string& file : files) {
        std::set<std::string, std::less<>> droppedHere;
        std::string_view rest = file;
        while (!rest.empty()) {
            const size_t end = std::min(rest.find('\n'), rest.size());
            const auto line = ParseGlobLine(rest.substr(0, end));
            rest.remove_prefix(std::min(end + 1, rest.size()));
            if (!line || dropped.count(line->type) != 0) {
                continue;
            }
            if (line->pattern == "__NOGLOBS__") {
                droppedHere.emplace(line->type);
            } else {
                Add(*line);
            }
        }
        dropped.merge(droppedHere);
    }
}

void MimeGlobs::Add(const GlobLine& line) {
    const size_t index = m_globs.size();
    const std::string_view pattern = line.pattern;
    const bool literal = !HasWildcard(pattern);
    m_globs.push_back(
        {std::string(pattern), std::string(line.type), line.weight, line.caseSensitive, literal});
    if (literal) {
        m_literals[Folded(pattern)].push_back(index);
    } else if (pattern.size() > 2 && pattern.substr(0, 2) == "*." && !HasWildcard(pattern.substr(1))) {
        m_suffixes[Folded(pattern.substr(1))].push_back(index);
    } else {
        m_others.push_back(index);
    }
}

bool MimeGlobs::Better(size_t candidate, size_t best) const {
    const Glob& c = m_globs[candidate];
    const Glob& b = m_globs[best];
    if (c.weight != b.weight) {
        return c.weight > b.weight;
    }
    return c.pattern.size() != b.pattern.size() ? c.pattern.size() > b.pattern.size() : candidate < best;
}

std::string MimeGlobs::TypeOf(std::string_view name) const {
    constexpr size_t kNone = static_cast<size_t>(-1);
    size_t best = kNone;
    const auto consider = [&](size_t index, std::string_view exactPart) {
        const Glob& g = m_globs[index];
        if (g.caseSensitive && exactPart != std::string_view(g.pattern).substr(g.literal ? 0 : 1)) {
            return;
        }
        if (best == kNone || Better(index, best)) {
            best = index;
        }
    };
    const std::string folded = Folded(name);
    if (const auto it = m_literals.find(folded); it != m_literals.end()) {
        for (const size_t index : it->second) {
            consider(index, name);
        }
        if (best != kNone) {
            return m_globs[best].type;
        }
    }
    for (size_t dot = name.find('.'); dot != name.npos; dot = name.find('.', dot + 1)) {
        if (const auto it = m_suffixes.find(folded.substr(dot)); it != m_suffixes.end()) {
            for (const size_t index : it->second) {
                consider(index, name.substr(dot));
            }
        }
    }
    for (const size_t index : m_others) {
        const Glob& g = m_globs[index];
        if (GlobMatch(g.pattern, name, !g.caseSensitive) && (best == kNone || Better(index, best))) {
            best = index;
        }
    }
    return best == kNone ? "application/octet-stream" : m_globs[best].type;
}
