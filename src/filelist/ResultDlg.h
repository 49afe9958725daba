#pragma once

#include "res/DialogBuilder.h"
#include "ui/DialogLayout.h"

#include <QDialog>

#include <string>

class QPlainTextEdit;
class QPushButton;

namespace platform {
class ProfileStore;
}

// Shows the failure lines of one update, exactly as collected, read-only and unwrapped, in a
// window that grows (never below its template size) and remembers its place in the settings
// file ("ResultWindow"). "コピー" puts the whole text on the
// clipboard; "閉じる", Esc and Enter close it. Where the run can be undone, "元に戻す" closes it
// with the result idc::Undo; elsewhere that button is not there.
class CResultDlg : public QDialog {
    Q_OBJECT
public:
    explicit CResultDlg(platform::ProfileStore& profile, QWidget* parent = nullptr);
    ~CResultDlg() override;

    // The text to show; set before DoModal.
    std::string m_text;
    bool m_offerUndo = false;

    int DoModal();
    void LoadPlacement();
    void SavePlacement();

    QPlainTextEdit* m_edit = nullptr;
    QPushButton* m_btnUndo = nullptr;
    QPushButton* m_btnCopy = nullptr;
    QPushButton* m_btnClose = nullptr;
    int m_minTrackWidth = 0;
    int m_minTrackHeight = 0;

public slots:
    void OnCopy();

protected:
    void done(int result) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnInitDialog();

    platform::ProfileStore& m_profile;
    DialogControls m_controls;
    CDialogLayout m_layout;
    bool m_initialised = false;
};
