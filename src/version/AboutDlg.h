#pragma once

#include "res/DialogBuilder.h"

#include <QDialog>

class CLinkStatic;
class QLabel;

// The About box: the program's icon, its version, the maker's notice, and links to the
// homepage and for a mail to the maker.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    int DoModal() { return exec(); }

    QLabel* m_staticVersion = nullptr;
    CLinkStatic* m_linkHome = nullptr;
    CLinkStatic* m_linkMail = nullptr;

private:
    DialogControls m_controls;
};
