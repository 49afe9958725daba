#include "version/LinkStatic.h"

#include "support/GuiTestSupport.h"
#include "version/AboutDlg.h"
#include "version/AppVersion.h"
#include "version/BuildConfig.h"

#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class LinkStaticTest : public ::testing::Test {
protected:
    void SetUp() override {
        QFont font("IPAPGothic");
        font.setPixelSize(12);
        parent.setFont(font);
        link = new CLinkStatic("placeholder", &parent);
        link->setGeometry(10, 10, 300, 40); // far larger than its text
        link->SetText("http://example.com/");
        link->SetURL("http://example.com/home");
        CLinkStatic::SetUrlOpener([this](const QString& url) { opened.push_back(url); });
        test::ShowAndSettle(parent);
        QFont underlined = font;
        underlined.setUnderline(true);
        const QFontMetrics metrics(underlined);
        width = metrics.horizontalAdvance("http://example.com/");
        height = metrics.height();
    }
    void TearDown() override { CLinkStatic::SetUrlOpener({}); }

    // Whether the text shows blue, and whether red.
    std::pair<bool, bool> Drawn() const {
        const QImage image = link->grab().toImage();
        bool blue = false;
        bool red = false;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const QColor c = image.pixelColor(x, y);
                blue |= c.blue() > 200 && c.red() < 60 && c.green() < 60;
                red |= c.red() > 200 && c.blue() < 60 && c.green() < 60;
            }
        }
        return {blue, red};
    }

    // A press sent straight to the control: QTest takes (0, 0) for "the middle".
    void Press(const QPoint& p, Qt::MouseButton button = Qt::LeftButton) {
        QMouseEvent press(QEvent::MouseButtonPress, p, link->mapToGlobal(p), button, button, Qt::NoModifier);
        QApplication::sendEvent(link, &press);
    }

    QDialog parent;
    CLinkStatic* link = nullptr;
    std::vector<QString> opened;
    int width = 0;
    int height = 0;
};

} // namespace

TEST_F(LinkStaticTest, APressOnTheTextFromTheTopLeftCornerOpensTheTargetAndNothingElseDoes) {
    Press({0, 0}); // the text's first pixel and its last
    Press({width - 1, height - 1});
    EXPECT_EQ(opened, (std::vector<QString>(2, "http://example.com/home")));
    Press({width, 2});
    Press({2, height});
    Press({-1, 2});
    Press({2, 2}, Qt::RightButton);
    EXPECT_EQ(opened.size(), 2U);
    // A release alone opens nothing.
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), link->mapToGlobal(QPointF(2, 2)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(link, &release);
    EXPECT_EQ(opened.size(), 2U);
}

TEST_F(LinkStaticTest, DrawnInBlueThenRedUnderThePointerFromTheSecondMoveWithTheHandCursor) {
    const auto blue = std::pair(true, false);
    const auto red = std::pair(false, true);
    EXPECT_EQ(Drawn(), blue);
    QTest::mouseMove(link, {2, 2});
    EXPECT_EQ(Drawn(), blue); // the first move after entering only starts watching
    EXPECT_EQ(link->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseMove(link, {3, 3});
    EXPECT_EQ(Drawn(), red);
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(link, {width + 20, 3});
    EXPECT_EQ(Drawn(), blue);
    EXPECT_EQ(link->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseMove(link, {3, 3});
    EXPECT_EQ(Drawn(), red);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(link, &leave);
    EXPECT_EQ(Drawn(), blue); // leaving while red turns it blue
    EXPECT_EQ(link->cursor().shape(), Qt::ArrowCursor);
}

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
