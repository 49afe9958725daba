#pragma once

#include "res/DialogBuilder.h"

#include <QDialog>

#include <chrono>

class QLabel;
class QProgressBar;
class QPushButton;
class RunControl;

// The progress of a long run on a worker thread, over the window that started it: the items
// done, the folder being worked in, the time since the start and a bar over the rows (running
// to and fro while a walk makes the number of items unknown). "中止", Esc and the close box ask
// the run to stop; the window stays until the run has ended, which its owner sees to.
class CProgressDlg : public QDialog {
    Q_OBJECT
public:
    CProgressDlg(RunControl& control, const QString& caption, QWidget* owner);
    ~CProgressDlg() override;

    // Shows how far the run has come after elapsed, and asks it for its folder again.
    void ShowProgress(std::chrono::milliseconds elapsed);

    QLabel* m_count = nullptr;
    QLabel* m_folder = nullptr;
    QProgressBar* m_bar = nullptr;
    QLabel* m_time = nullptr;
    QPushButton* m_btnCancel = nullptr;

public slots:
    void OnCancel();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    RunControl& m_control;
    DialogControls m_controls;
};

// "経過時間 0:12": minutes and seconds, hours in front from the first hour on.
QString ElapsedText(std::chrono::milliseconds elapsed);
