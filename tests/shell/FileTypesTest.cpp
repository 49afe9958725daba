#include "shell/FileTypes.h"

#include "support/TestSupport.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QLocale>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QStyle>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

QMimeType QtType(const std::string& name) {
    return QMimeDatabase().mimeTypeForFile(
        QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())), QMimeDatabase::MatchExtension);
}

std::string MimeOf(FileTypes& types, const std::string& name) {
    return types.MimeName(types.TypeOf(name, false)).toStdString();
}

void ExpectAgreesWithQt(FileTypes& types, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const QMimeType qt = QtType(name);
        const int type = types.TypeOf(name, false);
        ASSERT_GE(type, 0) << name;
        ASSERT_LT(type, types.Count()) << name;
        EXPECT_EQ(types.MimeName(type).toStdString(), qt.name().toStdString()) << name;
        EXPECT_EQ(types.Comment(type).toStdString(), qt.comment().toStdString()) << name;
        EXPECT_EQ(types.CommentUtf8(type), qt.comment().toStdString()) << name;
    }
}

// The names in this order, backwards, and shuffled, each time from an empty cache.
void ExpectAgreesWithQtInAnyOrder(std::vector<std::string> names) {
    for (int pass = 0; pass < 3; ++pass) {
        FileTypes types;
        ExpectAgreesWithQt(types, names);
        pass == 0 ? std::reverse(names.begin(), names.end())
                  : std::shuffle(names.begin(), names.end(), std::mt19937(20240105));
    }
}

// Names whose type turns on more than their extension, next to names that share it.
std::vector<std::string> TrickyNames() {
    return {"notes.txt", "CMakeLists.txt", "notes.txt", "cmakelists.TXT", "CMakeLists.txt.in",
            "CMakeLists.txt~", "Makefile", "makefile", "GNUmakefile", "Makefile.am", "makefile.in",
            "Makefile.txt", "README", "README.md", "readme.txt", "meson.build", "core", "CORE", "core.txt",
            "a.out",
            // Backups, dot files, several extensions and case.
            "notes.txt~", "~", "file%", "x,v", ".bashrc", ".txt", ".tar.gz", ".hidden.txt", "..", ".",
            "...txt", "archive.tar.gz", "archive.TAR.GZ", "backup.2024-01-05.tar.gz",
            "IMG_2023.01.05_1234.JPG", "x.tar.gz.part", "a..b", "file.", "x.C", "x.c", "x.10",
            // Globs with wildcards after "*.", and what Qt matches by hand.
            "libfoo.so.1", "libfoo.so.1.2.3", "libfoo.so.x", "libfoo.so.1.zzq", "x.anim1", "x.ANIMJ",
            "123.vdr", "12a.vdr", "x.vdr", "noext", "Dockerfile", "foo.UNKNOWNEXT",
            // Not ASCII, and not UTF-8.
            "\xe5\xa0\xb1\xe5\x91\x8a\xe6\x9b\xb8.TXT", "x.\xe8\xa1\xa8", "bad\xff.txt", "\xff\xfe",
            "\xe3\x81.txt", "\xff.tar.gz",
            "ma\xe2\x84\xaa"
            "efile",
            "\xd9\xa1\xd9\xa2\xd9\xa3.vdr", "x.anim\xd9\xa5", "x.\xef\xbc\xb4\xef\xbc\xb8\xef\xbc\xb4",
            "\xc4\xb0ndex.txt",
            "x.\xe2\x84\xaa"
            "mz"};
}

// A name a glob matches: each "*" made star, each "?" made "q", each set one of its members.
std::string Instantiate(const std::string& glob, const std::string& star) {
    std::string name;
    for (size_t i = 0; i < glob.size(); ++i) {
        const size_t close = glob.find(']', i + 2);
        if (glob[i] == '*') {
            name += star;
        } else if (glob[i] == '?') {
            name += 'q';
        } else if (glob[i] == '[' && close != std::string::npos) {
            const std::string members = glob.substr(i + 1, close - i - 1);
            if (members[0] == '!' || members[0] == '^') {
                name += members.find('z') == std::string::npos ? 'z' : '#';
            } else {
                name += members[0];
            }
            i = close;
        } else {
            name += glob[i];
        }
    }
    return name;
}

// Names from the system's own globs, in several cases and with more around them.
std::vector<std::string> NamesFromSystemGlobs() {
    std::vector<std::string> names;
    const QStringList folders = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, "mime",
                                                          QStandardPaths::LocateDirectory);
    for (const QString& folder : folders) {
        QFile file(folder + "/globs2");
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split(':');
            if (line.startsWith('#') || fields.size() < 3 || fields[2] == "__NOGLOBS__") {
                continue;
            }
            const std::string glob = fields[2].toStdString();
            for (const char* star : {"", "a", "x.y", "A.B"}) {
                const std::string name = Instantiate(glob, star);
                names.push_back(name);
                names.push_back(QString::fromStdString(name).toUpper().toStdString());
                names.push_back("a." + name);
                names.push_back(name + "x");
                names.push_back(name + ".zzq");
            }
        }
    }
    return names;
}

// A globs2 file of the test's own, as FileTypes takes it.
QStringList GlobFile(const std::string& path, const std::string& content) {
    test::WriteFile(path, content);
    return {QString::fromStdString(path)};
}

QImage ImageOf(const QIcon& icon) {
    return icon.pixmap(16).toImage();
}

QImage StyleImage(QStyle::StandardPixmap which) {
    return ImageOf(QApplication::style()->standardIcon(which));
}

// Sets the icon search paths and theme for one test and puts the old ones back after it.
class IconThemeScope {
public:
    IconThemeScope(const QStringList& paths, const QString& theme)
        : m_paths(QIcon::themeSearchPaths()), m_theme(QIcon::themeName()) {
        QIcon::setThemeSearchPaths(paths);
        QIcon::setThemeName(theme);
    }
    ~IconThemeScope() {
        QIcon::setThemeSearchPaths(m_paths);
        QIcon::setThemeName(m_theme);
    }

private:
    QStringList m_paths;
    QString m_theme;
};

// A theme of 16x16 icons with these names, under folder/theme.
void MakeTheme(const std::string& folder, const std::string& theme, const std::vector<std::string>& icons) {
    const std::string root = folder + "/" + theme;
    test::MakeFolder(root);
    test::MakeFolder(root + "/16x16");
    test::WriteFile(root + "/index.theme",
                    "[Icon Theme]\nName=" + theme + "\nDirectories=16x16\n\n[16x16]\nSize=16\nType=Fixed\n");
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    for (const std::string& name : icons) {
        ASSERT_TRUE(image.save(QString::fromStdString(root + "/16x16/" + name + ".png")));
    }
}

} // namespace

// In Japanese, to see the comments come in the language Qt uses.
TEST(FileTypes, AgreesWithQtOnTrickyNamesInAnyOrder) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    ExpectAgreesWithQtInAnyOrder(TrickyNames());
    FileTypes types;
    EXPECT_EQ(types.Comment(types.TypeOf("x", true)),
              QMimeDatabase().mimeTypeForName("inode/directory").comment());
    QLocale::setDefault(before);
}

TEST(FileTypes, AgreesWithQtOnNamesMadeFromEveryGlobOfTheSystem) {
    const std::vector<std::string> names = NamesFromSystemGlobs();
    if (names.empty()) {
        GTEST_SKIP() << "no globs2 file in the MIME folders";
    }
    ExpectAgreesWithQtInAnyOrder(names);
}

TEST(FileTypes, AgreesWithQtWithoutAnyGlobFileAndFoldersHaveTheDirectoryTypeWhateverTheirName) {
    // A glob file that cannot be read counts as none, the same path as an empty list.
    FileTypes types(QStringList{"/nonexistent/mime/globs2"});
    ExpectAgreesWithQt(types, TrickyNames());
    const int folder = types.TypeOf("src", true);
    EXPECT_EQ(types.MimeName(folder), "inode/directory");
    for (const char* name : {"", "x.txt", "CMakeLists.txt", "archive.tar.gz", ".git", "a~"}) {
        EXPECT_EQ(types.TypeOf(name, true), folder) << name;
    }
}

TEST(FileTypes, OneIndexPerTypeAndReferencesThatLast) {
    FileTypes types;
    const int text = types.TypeOf("a.txt", false);
    const QString* comment = &types.Comment(text);
    const std::string* commentUtf8 = &types.CommentUtf8(text);
    const QIcon* icon = &types.Icon(text);
    // Many types later, each type has one index, and what was handed out stays put.
    for (const std::string& name : TrickyNames()) {
        types.TypeOf(name, false);
    }
    std::vector<QString> mimes;
    for (int i = 0; i < types.Count(); ++i) {
        mimes.push_back(types.MimeName(i));
    }
    std::sort(mimes.begin(), mimes.end());
    EXPECT_EQ(std::unique(mimes.begin(), mimes.end()), mimes.end());
    EXPECT_EQ(&types.Comment(text), comment);
    EXPECT_EQ(&types.CommentUtf8(text), commentUtf8);
    EXPECT_EQ(&types.Icon(text), icon);
    EXPECT_EQ(types.TypeOf("z.txt", false), text);
}

TEST(FileTypes, GlobsInTheFileDecideWhichNamesShareTheAnswerOfTheirSuffix) {
    const test::TempDir dir;
    const std::string txt = "50:text/plain:*.txt\n";
    {
        // Nothing in the file tells CMakeLists.txt from notes.txt: they share one answer.
        FileTypes types(GlobFile(dir / "globs2", txt));
        EXPECT_EQ(MimeOf(types, "notes.txt"), "text/plain");
        EXPECT_EQ(MimeOf(types, "CMakeLists.txt"), "text/plain");
        EXPECT_EQ(MimeOf(types, "libfoo.so.1.zzq"), "application/octet-stream");
        // "*.txt" may or may not match ".txt" itself: such names are always asked about.
        EXPECT_EQ(MimeOf(types, ".txt"), QtType(".txt").name().toStdString());
    }
    // Each of these matches CMakeLists.txt, which then gets its own answer.
    for (const char* glob :
         {"cmakelists.txt", "CMAKELISTS.TXT", "CMakeLists.txt:cs", "cmake*", "*lists.txt", "cmake?ists.txt",
          "[c]makelists.txt", "[!x]makelists.txt", "[a-d]make[k-m]ists.txt", "cmakelists.tx[!a]", "c*"}) {
        FileTypes types(GlobFile(dir / "globs2", txt + "50:text/x-test:" + glob + "\n"));
        EXPECT_EQ(MimeOf(types, "notes.txt"), "text/plain") << glob;
        EXPECT_EQ(MimeOf(types, "CMakeLists.txt"), "text/x-cmake") << glob;
        EXPECT_EQ(MimeOf(types, "notes.txt"), "text/plain") << glob;
    }
    // None of these does.
    for (const char* glob : {"cmakelists.txt:cs", "CMAKELISTS.TXT:cs", "[!c]makelists.txt", "cmakelists",
                             "*.cmake", "makefile.*", "cmakelists.txt.in", "?cmakelists.txt", "*x"}) {
        FileTypes types(GlobFile(dir / "globs2", txt + "50:text/x-test:" + glob + "\n"));
        EXPECT_EQ(MimeOf(types, "notes.txt"), "text/plain") << glob;
        EXPECT_EQ(MimeOf(types, "CMakeLists.txt"), "text/plain") << glob;
    }
    {
        // A "*." glob with wildcards after the dot keys its names by all after the first dot.
        FileTypes types(GlobFile(dir / "globs2", txt + "60:application/x-sharedlib:*.so.[0-9]*\n"));
        EXPECT_EQ(MimeOf(types, "x.zzq"), "application/octet-stream");
        EXPECT_EQ(MimeOf(types, "libfoo.so.1.zzq"), "application/x-sharedlib");
        EXPECT_EQ(MimeOf(types, "libfoo.so.x.zzq"), "application/octet-stream");
    }
}

// How one line reads is ParseGlobLine's (MimeGlobsTest); here, how the lines and files add up.
TEST(FileTypes, GlobFilesAreReadLineByLineSkippingWhatIsNoGlob) {
    const test::TempDir dir;
    const QStringList file = GlobFile(dir / "first", "\n"
                                                     "garbage\n"
                                                     "50:text/plain:*.txt\r\n"
                                                     "50:text/x-cmake:cmakelists.txt:cs,later\n"
                                                     "50:text/x-readme:readme:later\n"
                                                     "50:text/x-makefile:__NOGLOBS__\n"
                                                     "10:text/x-makefile:makefile.*");
    FileTypes types(file);
    EXPECT_EQ(MimeOf(types, "notes.txt"), "text/plain");
    EXPECT_EQ(MimeOf(types, "cmakelists.txt"), "text/x-cmake"); // the exact case...
    EXPECT_EQ(MimeOf(types, "CMakeLists.txt"), "text/plain");   // ...only, by "cs"
    EXPECT_EQ(MimeOf(types, "README"), "text/x-readme");        // flags without "cs": any case
    EXPECT_EQ(MimeOf(types, "Makefile.am"), "text/x-makefile"); // with no newline at the end
    EXPECT_EQ(MimeOf(types, "garbage"), "application/octet-stream");
    FileTypes both(file + GlobFile(dir / "second", "50:text/x-cmake:cmakelists.txt\n"));
    EXPECT_EQ(MimeOf(both, "notes.txt"), "text/plain");
    EXPECT_EQ(MimeOf(both, "CMakeLists.txt"), "text/x-cmake");
}

// Without a theme's icon, the style's file and folder icons.
TEST(FileTypes, IconsComeFromTheThemeByTypeThenGenericNameThenTheStyle) {
    test::TempDir icons;
    MakeTheme(icons.Path(), "Adwaita", {"text-plain", "text-x-generic", "folder"});
    MakeTheme(icons.Path(), "Custom", {"text-x-generic"});
    ASSERT_NE(StyleImage(QStyle::SP_FileIcon), StyleImage(QStyle::SP_DirIcon));
    // No theme chosen: Adwaita's icons, as for "hicolor" (see the Adwaita test).
    const IconThemeScope none({QString::fromStdString(icons.Path())}, QString());
    FileTypes types;
    EXPECT_EQ(types.Icon(types.TypeOf("a.txt", false)).name(), "text-plain");
    EXPECT_EQ(types.Icon(types.TypeOf("a.c", false)).name(), "text-x-generic");
    EXPECT_EQ(types.Icon(types.TypeOf("src", true)).name(), "folder");
    // Neither "application-octet-stream" nor "application-x-generic" is in the theme.
    EXPECT_EQ(ImageOf(types.Icon(types.TypeOf("x.zzq", false))), StyleImage(QStyle::SP_FileIcon));
    // A theme the desktop chose stays, even without the icons.
    const IconThemeScope custom({QString::fromStdString(icons.Path())}, "Custom");
    FileTypes chosen;
    EXPECT_EQ(chosen.Icon(chosen.TypeOf("a.txt", false)).name(), "text-x-generic");
    EXPECT_EQ(ImageOf(chosen.Icon(chosen.TypeOf("src", true))), StyleImage(QStyle::SP_DirIcon));
    EXPECT_EQ(QIcon::themeName(), "Custom");
}

TEST(FileTypes, AdwaitaReplacesOnlyNoThemeOrHicolorAndOnlyWhenFound) {
    test::TempDir icons;
    MakeTheme(icons.Path(), "Adwaita", {});
    test::TempDir empty;
    const QString withAdwaita = QString::fromStdString(icons.Path());
    const QString without = QString::fromStdString(empty.Path());
    const struct {
        QStringList paths;
        QString theme;
        bool switches;
    } cases[] = {
        {{withAdwaita}, "", true},        {{without, withAdwaita}, "hicolor", true},
        {{withAdwaita}, "Breeze", false}, {{withAdwaita}, "Adwaita", false},
        {{without}, "", false},           {{without}, "hicolor", false},
    };
    for (const auto& c : cases) {
        IconThemeScope scope(c.paths, c.theme);
        EXPECT_EQ(FileTypes::PreferAdwaitaIconTheme(), c.switches) << c.theme.toStdString();
        EXPECT_EQ(QIcon::themeName(), c.switches ? QString("Adwaita") : c.theme) << c.theme.toStdString();
    }
}
