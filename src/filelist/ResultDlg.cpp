#include "filelist/ResultDlg.h"

#include "app/AppSettings.h"
#include "ui/WindowPlacement.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>

CResultDlg::CResultDlg(platform::ProfileStore& profile, QWidget* parent)
    : QDialog(parent), m_profile(profile) {
    // Unlike the other dialogs it can be resized and maximised: long lines need room.
    setWindowFlags(kDialogFrame | Qt::WindowMaximizeButtonHint);
    m_controls = DialogBuilder::Build(*this, ResultDialogTemplate());
    m_minTrackWidth = width();
    m_minTrackHeight = height();
    setMinimumSize(m_minTrackWidth, m_minTrackHeight);
    m_edit = m_controls.Get<QPlainTextEdit>(idc::ResultText);
    m_btnUndo = m_controls.Get<QPushButton>(idc::Undo);
    m_btnCopy = m_controls.Get<QPushButton>(idc::Copy);
    m_btnClose = m_controls.Get<QPushButton>(idc::Close);
    connect(m_btnCopy, &QPushButton::clicked, this, &CResultDlg::OnCopy);
    connect(m_btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_btnUndo, &QPushButton::clicked, this, [this] { done(idc::Undo); });
}

CResultDlg::~CResultDlg() = default;

int CResultDlg::DoModal() {
    OnInitDialog();
    return exec();
}

void CResultDlg::OnInitDialog() {
    setWindowIcon(QGuiApplication::windowIcon());
    m_layout.Attach(this);
    m_layout.AddControl(m_edit, LAYOUT_SIZE_X | LAYOUT_SIZE_Y);
    m_layout.AddControl(m_btnUndo, LAYOUT_MOVE_Y);
    m_layout.AddControl(m_btnCopy, LAYOUT_MOVE_X | LAYOUT_MOVE_Y);
    m_layout.AddControl(m_btnClose, LAYOUT_MOVE_X | LAYOUT_MOVE_Y);
    m_btnUndo->setVisible(m_offerUndo);
    LoadPlacement();
    m_initialised = true;
    // The failure lines are the OS's bytes; a name that is not UTF-8 shows its bad bytes as U+FFFD.
    m_edit->setPlainText(QString::fromUtf8(m_text));
    m_edit->setFocus();
}

void CResultDlg::LoadPlacement() {
    RestorePlacement(*this, ReadWindowRect(m_profile, "ResultWindow", kNoPlacement),
                     QSize(m_minTrackWidth, m_minTrackHeight), Unplaced::Toolkit);
}

void CResultDlg::SavePlacement() {
    WriteWindowRect(m_profile, "ResultWindow", NormalPlacement(*this));
}

void CResultDlg::OnCopy() {
    QApplication::clipboard()->setText(m_edit->toPlainText());
}

void CResultDlg::done(int result) {
    if (m_initialised) {
        SavePlacement();
    }
    QDialog::done(result);
}

void CResultDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    m_layout.Relayout();
}
