#include "shell/FileTypes.h"

#include "shell/GlobMatch.h"
#include "shell/MimeGlobs.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStyle>

#include <algorithm>

namespace {

constexpr int kAskByName = -1; // a key whose answer depends on more than the key
constexpr int kNotAsked = -2;

// Beyond this, a map of answers starts again rather than grow without end over many lists.
constexpr size_t kMaxRemembered = 1 << 16;

// The globs2 files of the MIME folders Qt reads, or none when Qt may know globs they lack:
// without the freedesktop.org package Qt uses its built-in database, and a folder whose
// globs2 cannot be read may still hold data Qt reads.
QStringList SystemGlobFiles() {
    const QStringList folders = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, "mime",
                                                          QStandardPaths::LocateDirectory);
    bool hasFreedesktop = false;
    QStringList files;
    for (const QString& folder : folders) {
        hasFreedesktop = hasFreedesktop || QFileInfo::exists(folder + "/packages/freedesktop.org.xml");
        const QString globs = folder + "/globs2";
        if (QFileInfo(globs).isReadable()) {
            files << globs;
        } else if (QFileInfo::exists(folder + "/mime.cache") || QFileInfo::exists(folder + "/packages")) {
            return {};
        }
    }
    return hasFreedesktop ? files : QStringList();
}

bool IsAscii(std::string_view s) {
    for (const char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

bool HasWildcard(std::string_view pattern) {
    return pattern.find_first_of("*?[") != std::string_view::npos;
}

// Lower case as Qt folds names and globs for matching.
std::string Lowered(std::string_view utf8) {
    return QString::fromUtf8(utf8).toLower().toStdString();
}

template <class Map> void Remember(Map& map, std::string_view key, int type) {
    if (map.size() >= kMaxRemembered) {
        map.clear();
    }
    map.emplace(std::string(key), type);
}

} // namespace

FileTypes::FileTypes() : FileTypes(SystemGlobFiles()) {}

FileTypes::FileTypes(const QStringList& globFiles) : m_noGlob(kNotAsked) {
    m_bySuffixes = ReadGlobs(globFiles);
    m_folder = Add(m_db.mimeTypeForName("inode/directory"), true);
}

bool FileTypes::ReadGlobs(const QStringList& globFiles) {
    bool read = false;
    for (const QString& path : globFiles) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        read = true;
        const QByteArray content = file.readAll();
        for (const QByteArray& rawLine : content.split('\n')) {
            const auto line =
                ParseGlobLine(std::string_view(rawLine.constData(), static_cast<size_t>(rawLine.size())));
            // Kept globs that __NOGLOBS__ would drop can only send more names to Qt.
            if (!line || line->pattern == "__NOGLOBS__") {
                continue;
            }
            AddGlob(line->pattern, line->caseSensitive);
        }
    }
    return read;
}

void FileTypes::AddGlob(std::string_view pattern, bool caseSensitive) {
    const std::string stored = caseSensitive ? std::string(pattern) : Lowered(pattern);
    if (pattern.substr(0, 2) == "*.") {
        const std::string_view after = std::string_view(stored).substr(2);
        // "*." alone would match every name ending in a dot: no suffix can stand for it.
        if (after.empty() || HasWildcard(after)) {
            m_suffixGlobs.push_back({stored, caseSensitive});
        } else {
            (caseSensitive ? m_exactSuffixes : m_suffixes).emplace(after);
        }
    } else if (!HasWildcard(pattern)) {
        (caseSensitive ? m_exactLiterals : m_literals).insert(stored);
    } else {
        m_nameGlobs.push_back({stored, caseSensitive});
    }
}

FileTypes::Forms FileTypes::FormsOf(std::string_view name, Scratch& scratch) {
    if (IsAscii(name)) {
        scratch.folded.assign(name);
        for (char& c : scratch.folded) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c + ('a' - 'A'));
            }
        }
        return {name, scratch.folded, {}};
    }
    const QString exact = QString::fromUtf8(name);
    QString folded = exact.toLower();
    scratch.exact = exact.toStdString();
    scratch.folded = folded.toStdString();
    // Qt takes any digit for "[0-9]" in two globs it matches by hand ("[0-9][0-9][0-9].vdr",
    // "*.anim[1-9j]"), so names with other digits are also tried with ASCII ones.
    bool otherDigits = false;
    for (QChar& c : folded) {
        if (c.unicode() >= 0x80 && c.isDigit()) {
            c = u'1';
            otherDigits = true;
        }
    }
    scratch.digits = otherDigits ? folded.toStdString() : std::string();
    return {scratch.exact, scratch.folded, scratch.digits};
}

bool FileTypes::MatchesAny(const std::vector<Glob>& globs, const Forms& forms) {
    // Case-sensitive globs are folded too: Qt matches those with wildcards through a
    // case-insensitive regular expression.
    for (const Glob& glob : globs) {
        if (GlobMatch(glob.pattern, glob.caseSensitive ? forms.exact : forms.folded, true) ||
            (!forms.digits.empty() && GlobMatch(glob.pattern, forms.digits, true))) {
            return true;
        }
    }
    return false;
}

bool FileTypes::MatchesNameGlob(const Forms& forms) const {
    return m_literals.find(forms.folded) != m_literals.end() ||
           m_exactLiterals.find(forms.exact) != m_exactLiterals.end() || MatchesAny(m_nameGlobs, forms);
}

bool FileTypes::IsNamedSuffix(std::string_view exact, std::string_view folded) const {
    return m_suffixes.find(folded) != m_suffixes.end() ||
           m_exactSuffixes.find(exact) != m_exactSuffixes.end();
}

int FileTypes::TypeOf(std::string_view name, bool isFolder) {
    if (isFolder) {
        return m_folder;
    }
    if (!m_bySuffixes) {
        return ByName(name);
    }
    const Forms forms = FormsOf(name, m_nameScratch);
    if (MatchesNameGlob(forms)) {
        return ByName(name);
    }
    const bool leadingDot = !name.empty() && name.front() == '.';
    if (MatchesAny(m_suffixGlobs, forms)) {
        // Behind a leading dot, a "*." glob's "*" would match nothing in the name but something
        // in "x." + K.
        const size_t dot = name.find('.');
        return leadingDot || dot == name.npos ? ByName(name) : BySuffix(name.substr(dot + 1), name);
    }
    // Whether "*.txt" matches ".txt" differs between Qt's MIME back ends.
    if (leadingDot && IsNamedSuffix(forms.exact.substr(1), forms.folded.substr(1))) {
        return ByName(name);
    }
    // Case folding and bad bytes change lengths, never dots: the n-th dot is the same one in
    // every form. A dot at the very start is none of these.
    size_t n = 0;
    size_t e = 0;
    size_t f = 0;
    for (;;) {
        n = name.find('.', n + 1);
        e = forms.exact.find('.', e + 1);
        f = forms.folded.find('.', f + 1);
        if (n == name.npos || e == name.npos || f == name.npos) {
            break;
        }
        if (IsNamedSuffix(forms.exact.substr(e + 1), forms.folded.substr(f + 1))) {
            return BySuffix(name.substr(n + 1), name);
        }
    }
    return n == name.npos && e == name.npos && f == name.npos ? ByNoGlob(name) : ByName(name);
}

int FileTypes::ByName(std::string_view name) {
    if (const auto it = m_byName.find(name); it != m_byName.end()) {
        return it->second;
    }
    const int type = Ask(name);
    Remember(m_byName, name, type);
    return type;
}

int FileTypes::BySuffix(std::string_view suffix, std::string_view name) {
    if (const auto it = m_bySuffix.find(suffix); it != m_bySuffix.end()) {
        return it->second != kAskByName ? it->second : ByName(name);
    }
    std::string key = "x.";
    key += suffix;
    const int type = MatchesNameGlob(FormsOf(key, m_keyScratch)) ? kAskByName : Ask(key);
    Remember(m_bySuffix, suffix, type);
    return type != kAskByName ? type : ByName(name);
}

int FileTypes::ByNoGlob(std::string_view name) {
    if (m_noGlob == kNotAsked) {
        m_noGlob = MatchesNameGlob(FormsOf("x", m_keyScratch)) ? kAskByName : Ask("x");
    }
    return m_noGlob != kAskByName ? m_noGlob : ByName(name);
}

int FileTypes::Ask(std::string_view name) {
    const QString qName = QString::fromUtf8(name);
    return Add(m_db.mimeTypeForFile(qName, QMimeDatabase::MatchExtension), false);
}

int FileTypes::Add(const QMimeType& mime, bool folder) {
    if (const auto it = m_byMime.constFind(mime.name()); it != m_byMime.cend()) {
        return it.value();
    }
    Type& type = m_types.emplace_back();
    type.mime = mime.name();
    type.comment = mime.comment();
    type.commentUtf8 = type.comment.toStdString();
    type.folder = folder;
    type.iconNames = folder ? QStringList{"folder"} : QStringList{mime.iconName(), mime.genericIconName()};
    const int index = Count() - 1;
    m_byMime.insert(type.mime, index);
    return index;
}

const QIcon& FileTypes::Icon(int index) {
    Type& type = m_types[index];
    if (!type.iconLoaded) {
        if (!m_themeChecked) {
            PreferAdwaitaIconTheme();
            m_themeChecked = true;
        }
        for (const QString& name : type.iconNames) {
            if (!name.isEmpty() && QIcon::hasThemeIcon(name)) {
                type.icon = QIcon::fromTheme(name);
                break;
            }
        }
        if (type.icon.isNull()) {
            type.icon =
                QApplication::style()->standardIcon(type.folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
        }
        type.iconLoaded = true;
    }
    return type.icon;
}

bool FileTypes::PreferAdwaitaIconTheme() {
    const QString current = QIcon::themeName();
    if (!current.isEmpty() && current != "hicolor") {
        return false;
    }
    for (const QString& folder : QIcon::themeSearchPaths()) {
        if (QFileInfo::exists(folder + "/Adwaita/index.theme")) {
            QIcon::setThemeName("Adwaita");
            return true;
        }
    }
    return false;
}
