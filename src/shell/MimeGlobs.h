#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One line of a shared-mime-info globs2 file: "weight:type:glob[:flags]".
struct GlobLine {
    int weight = 50;
    std::string_view type;
    std::string_view pattern;   // "__NOGLOBS__": the type's globs of less important folders go
    bool caseSensitive = false; // the "cs" flag
};
// None for a comment, an empty line or a line that is not of this form.
std::optional<GlobLine> ParseGlobLine(std::string_view line);

// The MIME type of a file by its name alone, from the globs2 files of the shared MIME database
// as freedesktop.org's rules read them, without Qt: a literal name ("Makefile") before any
// pattern, then the highest weight, then the longest pattern ("*.tar.gz" before "*.gz"), then
// the first read. Patterns match without regard to ASCII case unless marked "cs". A type's
// "__NOGLOBS__" in one folder drops its globs from the folders after it.
class MimeGlobs {
public:
    // The globs2 files of $XDG_DATA_HOME (else ~/.local/share) and of each of $XDG_DATA_DIRS
    // (else /usr/local/share and /usr/share), in this order of importance; a missing one is
    // passed over.
    static MimeGlobs System();
    // The contents of globs2 files, the most important first.
    explicit MimeGlobs(const std::vector<std::string>& files);

    // The type of a file called name (no folder part); "application/octet-stream" when no glob
    // matches.
    std::string TypeOf(std::string_view name) const;

private:
    struct Glob {
        std::string pattern;
        std::string type;
        int weight = 0;
        bool caseSensitive = false;
        bool literal = false;
    };
    void Add(const GlobLine& line);
    bool Better(size_t candidate, size_t best) const;

    std::vector<Glob> m_globs; // in the order read
    // Indexes into m_globs: literal names and "*.suffix" patterns by their lower-case text (the
    // name, the suffix with its dot), the rest in a list.
    std::unordered_map<std::string, std::vector<size_t>> m_literals;
    std::unordered_map<std::string, std::vector<size_t>> m_suffixes;
    std::vector<size_t> m_others;
};
