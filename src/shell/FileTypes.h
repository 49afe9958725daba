#pragma once

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// The type name and icon of each row of the file list, from QMimeDatabase by file name only:
// reading content is slow and can block on FIFOs and network files. Qt takes microseconds to
// answer, too slow for 100,000 rows, so answers are cached. For the UI thread only.
//
// Why the cache is keyed this way. The extension alone is not enough: some globs of the shared
// MIME database ("CMakeLists.txt", "makefile.*", "*~") look at the whole name. Globs starting
// with "*." see only what follows some dot, so a name no other glob matches gets the answer
// for "x." + K, where K is
// - everything after its first dot, when a "*." glob with wildcards after the dot
//   ("*.so.[0-9]*") may match it;
// - otherwise the longest suffix after one of its dots that a "*." glob names in full ("tar.gz"
//   in "backup.2024-01-05.tar.gz"), so that names holding dates or versions share one entry. A
//   name without such a suffix gets the answer for no glob at all.
// Names that other globs may match, names like ".txt" (Qt's back ends differ on whether "*.txt"
// matches it), and every name when the globs cannot be read (Windows, Qt's built-in database)
// are asked about one by one and remembered by their exact name. Matching here errs towards
// "may match": that costs a question to Qt, never a wrong answer.
class FileTypes {
public:
    // Reads the globs2 files of the MIME folders Qt reads.
    FileTypes();
    // Reads these globs2 files ("weight:type:glob[:flags]" lines); none readable means no
    // cache by suffix.
    explicit FileTypes(const QStringList& globFiles);
    FileTypes(const FileTypes&) = delete;
    FileTypes& operator=(const FileTypes&) = delete;

    // The index of the type of a row named name: the operating system's bytes, UTF-8 where
    // valid. Every folder has the one type "inode/directory".
    int TypeOf(std::string_view name, bool isFolder);

    // Stay valid as long as this object.
    const QString& MimeName(int type) const { return m_types[type].mime; }
    const QString& Comment(int type) const { return m_types[type].comment; }
    const std::string& CommentUtf8(int type) const { return m_types[type].commentUtf8; }
    // The theme icon named by the type, else its generic one ("folder" for folders), else the
    // style's file or folder icon; looked up on first use.
    const QIcon& Icon(int type);
    int Count() const { return static_cast<int>(m_types.size()); }

    // Chooses the "Adwaita" icon theme, when one lies in the icon search paths, while no theme
    // is chosen or only "hicolor", which has hardly any small type icons. A theme the desktop
    // chose stays. True when it switched.
    static bool PreferAdwaitaIconTheme();

private:
    struct Type {
        QString mime;
        QString comment;
        std::string commentUtf8;
        QStringList iconNames;
        bool folder = false;
        bool iconLoaded = false;
        QIcon icon;
    };

    struct Glob {
        std::string pattern; // lower case unless case-sensitive
        bool caseSensitive = false;
    };

    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    using StringSet = std::unordered_set<std::string, Hash, std::equal_to<>>;
    using StringMap = std::unordered_map<std::string, int, Hash, std::equal_to<>>;

    // A name as the globs see it: exact (bad bytes replaced, as Qt does), in lower case, and
    // in lower case with every non-ASCII digit made "1" (empty when there is none).
    struct Forms {
        std::string_view exact;
        std::string_view folded;
        std::string_view digits;
    };
    struct Scratch {
        std::string exact;
        std::string folded;
        std::string digits;
    };

    bool ReadGlobs(const QStringList& globFiles);
    void AddGlob(std::string_view pattern, bool caseSensitive);
    static Forms FormsOf(std::string_view name, Scratch& scratch);
    static bool MatchesAny(const std::vector<Glob>& globs, const Forms& forms);
    bool MatchesNameGlob(const Forms& forms) const;
    bool IsNamedSuffix(std::string_view exact, std::string_view folded) const;

    int ByName(std::string_view name);
    int BySuffix(std::string_view suffix, std::string_view name);
    int ByNoGlob(std::string_view name);
    int Ask(std::string_view name);
    int Add(const QMimeType& mime, bool folder);

    QMimeDatabase m_db;
    std::deque<Type> m_types; // a deque: references handed out survive new types
    QHash<QString, int> m_byMime;
    int m_folder = 0;

    bool m_bySuffixes = false;
    StringSet m_literals;            // globs without wildcards, lower case
    StringSet m_exactLiterals;       // the same, case-sensitive
    std::vector<Glob> m_nameGlobs;   // other globs not starting with "*."
    StringSet m_suffixes;            // what follows "*." in globs without wildcards, lower case
    StringSet m_exactSuffixes;       // the same, case-sensitive
    std::vector<Glob> m_suffixGlobs; // "*." globs with wildcards after the dot

    StringMap m_byName;
    StringMap m_bySuffix;
    int m_noGlob;
    Scratch m_nameScratch;
    Scratch m_keyScratch;
    bool m_themeChecked = false;
};
