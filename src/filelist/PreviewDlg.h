#pragma once

#include "filelist/Apply.h"
#include "res/DialogBuilder.h"
#include "ui/DialogLayout.h"

#include <QAbstractTableModel>
#include <QDialog>

class QLabel;
class QPushButton;
class QTreeView;

namespace platform {
class ProfileStore;
}

// The rows of a preview as a table: each item's path, its times and attributes now and, where
// the run would change them, "now → then", and why the run would fail on it. Texts are made
// when shown, so that a preview of many items costs only its rows.
class PreviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Path, Created, Updated, Attributes, Problem, kColumns };

    explicit PreviewModel(PreviewSink rows, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    const PreviewSink& Rows() const { return m_rows; }

private:
    PreviewSink m_rows;
};

// What a preview is of: the button that runs it says so.
enum class PreviewOf { Update, Undo };

// What an update or an undo would do, before it does it. "更新" (for an undo, "元に戻す") closes
// the window with idc::Update, for the caller to run it as it was previewed; "閉じる", Esc and
// the close box close it. It grows like the results window and remembers its place
// ("PreviewWindow").
class CPreviewDlg : public QDialog {
    Q_OBJECT
public:
    CPreviewDlg(PreviewSink rows, platform::ProfileStore& profile, QWidget* parent = nullptr,
                PreviewOf of = PreviewOf::Update);
    ~CPreviewDlg() override;

    int DoModal();
    // "ファイル 3 件、フォルダ 1 件、失敗 0 件"
    static QString TotalsText(const PreviewSink& rows);

    QTreeView* m_list = nullptr;
    QLabel* m_totals = nullptr;
    QPushButton* m_btnUpdate = nullptr; // runs what was previewed
    QPushButton* m_btnClose = nullptr;

protected:
    void done(int result) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    platform::ProfileStore& m_profile;
    PreviewModel m_model;
    DialogControls m_controls;
    CDialogLayout m_layout;
    QSize m_minimum;
    bool m_initialised = false;
};
