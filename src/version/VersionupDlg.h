#pragma once

#include "res/DialogBuilder.h"

#include <QDialog>

class CLinkStatic;
class QLabel;

// News of a newer release: the message and a link to the homepage.
class CVersionupDlg : public QDialog {
    Q_OBJECT
public:
    explicit CVersionupDlg(QWidget* parent = nullptr);

    // Set before DoModal; shown as plain text.
    QString m_strMessage;

    int DoModal();

    QLabel* m_staticMessage = nullptr;
    CLinkStatic* m_linkHome = nullptr;

private:
    DialogControls m_controls;
};
