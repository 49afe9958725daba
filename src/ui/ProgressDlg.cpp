#include "ui/ProgressDlg.h"

#include "filelist/FileEntry.h"
#include "filelist/RunControl.h"

#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {

const QString kStopping = QStringLiteral("中止しています…");

} // namespace

CProgressDlg::CProgressDlg(RunControl& control, const QString& caption, QWidget* owner)
    : QDialog(owner), m_control(control) {
    setWindowFlags(kDialogFrame);
    m_controls = DialogBuilder::Build(*this, ProgressDialogTemplate());
    setWindowTitle(caption);
    setWindowIcon(QGuiApplication::windowIcon());
    setFixedSize(size());
    m_count = m_controls.Get<QLabel>(idc::ProgressCount);
    m_folder = m_controls.Get<QLabel>(idc::ProgressFolder);
    m_bar = m_controls.Get<QProgressBar>(idc::ProgressBar);
    m_time = m_controls.Get<QLabel>(idc::ProgressTime);
    m_btnCancel = m_controls.Get<QPushButton>(idc::Cancel);
    connect(m_btnCancel, &QPushButton::clicked, this, &CProgressDlg::OnCancel);
    if (owner != nullptr) {
        move(owner->frameGeometry().center() - rect().center());
    }
    ShowProgress(std::chrono::milliseconds(0));
}

CProgressDlg::~CProgressDlg() = default;

QString ElapsedText(std::chrono::milliseconds elapsed) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
    const bool hours = seconds >= 3600;
    return QStringLiteral("経過時間 ") + (hours ? QStringLiteral("%1:").arg(seconds / 3600) : QString()) +
           QStringLiteral("%1:%2")
               .arg(seconds / 60 % 60, hours ? 2 : 1, 10, QLatin1Char('0'))
               .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void CProgressDlg::ShowProgress(std::chrono::milliseconds elapsed) {
    m_count->setText(QString::fromStdString(GroupedNumber(m_control.ItemsDone())) +
                     QStringLiteral(" 項目を処理しました"));
    if (m_control.CancelAsked()) {
        m_folder->setText(kStopping);
    } else {
        // The folder is the file system's bytes; a long one loses its middle, never its name.
        const QString folder = QFile::decodeName(QByteArray::fromStdString(m_control.Folder()));
        m_folder->setText(m_folder->fontMetrics().elidedText(folder, Qt::ElideMiddle, m_folder->width()));
        m_control.AskForFolder();
    }
    const auto total = static_cast<int>(m_control.RowsTotal());
    if (m_control.Walking() || total == 0) {
        m_bar->setRange(0, 0);
    } else {
        m_bar->setRange(0, total);
        m_bar->setValue(static_cast<int>(m_control.RowsDone()));
    }
    m_time->setText(ElapsedText(elapsed));
}

void CProgressDlg::OnCancel() {
    m_control.Cancel();
    m_btnCancel->setEnabled(false);
    m_folder->setText(kStopping);
}

void CProgressDlg::reject() {
    OnCancel(); // Esc
}

void CProgressDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    OnCancel();
}
