#include "filelist/ResultDlg.h"

#include "app/AppSettings.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <limits>

CResultDlg::CResultDlg(platform::ProfileStore& profile, QWidget* parent)
    : QDialog(parent), m_profile(profile) {
    setWindowFlags(kDialogFrame);
    m_controls = DialogBuilder::Build(*this, ResultDialogTemplate());
    m_edit = m_controls.Get<QPlainTextEdit>(idc::ResultText);
    m_btnCopy = m_controls.Get<QPushButton>(idc::Copy);
    m_btnClose = m_controls.Get<QPushButton>(idc::Close);
    connect(m_btnCopy, &QPushButton::clicked, this, &CResultDlg::OnCopy);
    connect(m_btnClose, &QPushButton::clicked, this, &QDialog::reject);
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
    m_layout.AddControl(m_btnCopy, LAYOUT_MOVE_X | LAYOUT_MOVE_Y);
    m_layout.AddControl(m_btnClose, LAYOUT_MOVE_X | LAYOUT_MOVE_Y);
    LoadPlacement();
    m_initialised = true;
    // The failure lines are the OS's bytes; a name that is not UTF-8 shows its bad bytes as U+FFFD.
    m_edit->setPlainText(QString::fromUtf8(m_text));
    m_edit->setFocus();
}

void CResultDlg::LoadPlacement() {
    constexpr int kMissing = std::numeric_limits<int>::min();
    WindowRect r = ReadWindowRect(m_profile, "ResultWindow", {kMissing, kMissing, kMissing, kMissing});
    if (r.left != kMissing || r.top != kMissing || r.right != kMissing || r.bottom != kMissing) {
        // A missing edge stays where the window is; with none stored, the toolkit places it.
        const QRect g = geometry();
        r.left = r.left == kMissing ? g.left() : r.left;
        r.top = r.top == kMissing ? g.top() : r.top;
        r.right = r.right == kMissing ? g.left() + g.width() : r.right;
        r.bottom = r.bottom == kMissing ? g.top() + g.height() : r.bottom;
        setGeometry(QRect(r.left, r.top, std::max(1, r.right - r.left), std::max(1, r.bottom - r.top)));
    }
    // The window has no sizing border: its size is the template's or the one stored.
    setFixedSize(size());
}

void CResultDlg::SavePlacement() {
    const QRect g = geometry();
    WriteWindowRect(m_profile, "ResultWindow",
                    {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()});
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
