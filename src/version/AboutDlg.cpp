#include "version/AboutDlg.h"

#include "version/AppVersion.h"
#include "version/BuildConfig.h"
#include "version/LinkStatic.h"

#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowFlags(kDialogFrame);
    m_controls = DialogBuilder::Build(
        *this, AboutDialogTemplate(),
        {{idc::HomeLink, CLinkStatic::FromTemplate}, {idc::MailLink, CLinkStatic::FromTemplate}});
    setFixedSize(size());
    m_staticVersion = m_controls.Get<QLabel>(idc::AboutVersion);
    m_linkHome = m_controls.Get<CLinkStatic>(idc::HomeLink);
    m_linkMail = m_controls.Get<CLinkStatic>(idc::MailLink);
    connect(m_controls.Get<QPushButton>(idc::Ok), &QPushButton::clicked, this, &QDialog::accept);

    m_staticVersion->setText(QStringLiteral("Datemark Version %1").arg(QString::fromLatin1(APP_VERSION)));
    m_linkHome->SetText(QString::fromUtf8(HOMEPAGE_URL));
    m_linkHome->SetURL(QString::fromUtf8(HOMEPAGE_URL));
    m_linkMail->SetText(QString::fromUtf8(MAIL_ADDRESS));
    m_linkMail->SetURL(QStringLiteral("mailto:%1").arg(QString::fromUtf8(MAIL_ADDRESS)));
    m_controls.Item(idc::Ok)->setFocus();
}
