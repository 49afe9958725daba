#pragma once

#include "platform/Profile.h"

#include <QApplication>

#include <memory>
#include <string>
#include <vector>

// The application: finds the settings file, runs the main window, and ends when it closes.
class CMainApp : public QApplication {
    Q_OBJECT
public:
    CMainApp(int& argc, char** argv);
    ~CMainApp() override;

    // Runs the main window modally, these files and folders in its list; the process ends
    // afterwards, whatever its result.
    int InitInstance(const std::vector<std::string>& paths = {});

    // The settings file every window reads and writes.
    platform::ProfileStore& Profile() { return *m_profile; }

protected:
    bool event(QEvent* event) override;

private:
    std::unique_ptr<platform::ProfileStore> m_profile;
};
