#pragma once

#include "journal/Journal.h"
#include "res/DialogBuilder.h"

#include <QDialog>
#include <QStandardItemModel>

#include <string>
#include <system_error>
#include <vector>

class QPushButton;
class QTreeView;

// A kept run as the list of runs shows it: what could be read of its journal, or why nothing
// could.
struct KeptRun {
    journal::RunInfo info;
    std::error_code error;
};

// The run chosen to undo, and whether the user asked to see what the undo would do first; no
// name for cancel.
struct RunChoice {
    std::string name;
    bool preview = false;
};

// The kept runs, newest first, to choose the one to undo: when it ran, what it asked, how many
// items it changed and whether it ended. The newest is chosen at the start; a run whose journal
// is damaged is listed but cannot be chosen. "元に戻す" (or a double click) accepts the choice,
// "プレビュー" accepts it asking for a preview.
class CRunsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CRunsDlg(std::vector<KeptRun> runs, QWidget* parent = nullptr);
    ~CRunsDlg() override;

    RunChoice DoModal();

    QTreeView* m_list = nullptr;
    QPushButton* m_btnPreview = nullptr;
    QPushButton* m_btnUndo = nullptr;
    QPushButton* m_btnCancel = nullptr;

private:
    std::string Chosen() const;

    std::vector<KeptRun> m_runs;
    bool m_previewAsked = false;
    QStandardItemModel m_model;
    DialogControls m_controls;
};

// The kept runs in folder, newest first, each read as far as the list needs.
std::vector<KeptRun> ReadKeptRuns(const std::string& folder);
