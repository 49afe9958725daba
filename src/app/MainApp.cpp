#include "app/MainApp.h"

#include "app/SettingsPath.h"
#include "menu/SystemColors.h"
#include "res/Resources.h"
#include "ui/MainDlg.h"
#include "version/AppVersion.h"

#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QNetworkProxyFactory>
#include <QTimer>
#include <QTranslator>

CMainApp::CMainApp(int& argc, char** argv) : QApplication(argc, argv) {
    InitResources();
    setApplicationName(QStringLiteral("Datemark"));
    setApplicationVersion(QString::fromLatin1(APP_VERSION));
    QIcon icon;
    for (const int size : {16, 32, 48, 256}) {
        icon.addFile(QStringLiteral(":/images/program%1.png").arg(size));
    }
    setWindowIcon(icon);
    // The toolkit's own words (Yes, No, Cancel, the file dialogs) in the user's language.
    auto* translator = new QTranslator(this);
    if (translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        installTranslator(translator);
    }
    ApplySystemColors(palette(), font("QMenu"));
    // The release check goes through the system's proxy settings, as a browser would.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
}

bool CMainApp::event(QEvent* event) {
    // The menus read their colours at every paint: a new palette shows at the next one.
    if (event->type() == QEvent::ApplicationPaletteChange || event->type() == QEvent::ApplicationFontChange) {
        ApplySystemColors(palette(), font("QMenu"));
    }
    return QApplication::event(event);
}

CMainApp::~CMainApp() = default;

int CMainApp::InitInstance(const std::vector<std::string>& paths) {
    const SettingsLocation location = ResolveSettingsLocation();
    m_profile = std::make_unique<platform::ProfileStore>(
        location.path, location.createFolders ? platform::ProfileStore::CreateFolders::Yes
                                              : platform::ProfileStore::CreateFolders::No);
    CMainDlg dialog(*m_profile);
    if (!paths.empty()) {
        // From within the window's loop: reading the rows may take long, and closing the window
        // meanwhile must end that loop.
        QTimer::singleShot(0, &dialog, [&dialog, &paths] { dialog.AddPaths(paths); });
    }
    dialog.DoModal();
    return 0;
}
