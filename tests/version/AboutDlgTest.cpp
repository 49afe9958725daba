#include "version/AboutDlg.h"

#include "support/GuiTestSupport.h"
#include "version/AppVersion.h"
#include "version/BuildConfig.h"
#include "version/LinkStatic.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

TEST(AboutDlg, VersionLineWholeLinesAndLinks) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), "バージョン情報 Datemark");
    EXPECT_EQ(about.m_staticVersion->text(), QStringLiteral("Datemark Version %1").arg(APP_VERSION));
    std::vector<QString> opened;
    CLinkStatic::SetUrlOpener([&](const QString& url) { opened.push_back(url); });
    test::ShowAndSettle(about);
    for (const QLabel* label : about.findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width())
                << label->text().toStdString();
        }
    }
    QTest::mousePress(about.m_linkMail, Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mousePress(about.m_linkHome, Qt::LeftButton, {}, QPoint(1, 1));
    CLinkStatic::SetUrlOpener({});
    EXPECT_EQ(opened,
              (std::vector<QString>{QString("mailto:") + MAIL_ADDRESS, QString::fromUtf8(HOMEPAGE_URL)}));
    // OK closes it.
    QTest::keyClick(&about, Qt::Key_Return);
    EXPECT_FALSE(about.isVisible());
}
