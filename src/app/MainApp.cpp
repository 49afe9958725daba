#include "app/MainApp.h"

#include "app/SettingsPath.h"
#include "res/Resources.h"
#include "ui/MainDlg.h"
#include "version/AppVersion.h"

#include <QIcon>

CMainApp::CMainApp(int& argc, char** argv) : QApplication(argc, argv) {
    InitResources();
    setApplicationName(QStringLiteral("Datemark"));
    setApplicationVersion(QString::fromLatin1(APP_VERSION));
    QIcon icon;
    for (const int size : {16, 32, 48, 256}) {
        icon.addFile(QStringLiteral(":/images/program%1.png").arg(size));
    }
    setWindowIcon(icon);
}

CMainApp::~CMainApp() = default;

int CMainApp::InitInstance() {
    const SettingsLocation location = ResolveSettingsLocation();
    m_profile = std::make_unique<platform::ProfileStore>(
        location.path, location.createFolders ? platform::ProfileStore::CreateFolders::Yes
                                              : platform::ProfileStore::CreateFolders::No);
    CMainDlg dialog(*m_profile);
    dialog.DoModal();
    return 0;
}
