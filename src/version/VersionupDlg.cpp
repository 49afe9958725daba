#include "version/VersionupDlg.h"

#include "version/BuildConfig.h"
#include "version/LinkStatic.h"

#include <QLabel>
#include <QPushButton>

CVersionupDlg::CVersionupDlg(QWidget* parent) : QDialog(parent) {
    setWindowFlags(kDialogFrame);
    m_controls =
        DialogBuilder::Build(*this, VersionupDialogTemplate(), {{idc::HomeLink, CLinkStatic::FromTemplate}});
    setFixedSize(size());
    m_staticMessage = m_controls.Get<QLabel>(idc::VersionMessage);
    m_linkHome = m_controls.Get<CLinkStatic>(idc::HomeLink);
    connect(m_controls.Get<QPushButton>(idc::Ok), &QPushButton::clicked, this, &QDialog::accept);
}

int CVersionupDlg::DoModal() {
    // The server's words are text, never markup.
    m_staticMessage->setTextFormat(Qt::PlainText);
    m_staticMessage->setText(m_strMessage);
    m_linkHome->SetText(QString::fromUtf8(HOMEPAGE_URL));
    m_linkHome->SetURL(QString::fromUtf8(HOMEPAGE_URL));
    m_controls.Item(idc::Ok)->setFocus();
    return exec();
}
