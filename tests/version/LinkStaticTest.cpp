#include "version/LinkStatic.h"

#include "support/GuiTestSupport.h"

#include <QDialog>
#include <QFontMetrics>
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

    void Move(const QPoint& p) { QTest::mouseMove(link, p); }

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

TEST_F(LinkStaticTest, TheHitAreaIsTheTextFromTheTopLeftCorner) {
    EXPECT_TRUE(link->IsInside({0, 0}));
    EXPECT_TRUE(link->IsInside({width - 1, height - 1}));
    EXPECT_FALSE(link->IsInside({width, 0}));
    EXPECT_FALSE(link->IsInside({0, height}));
    EXPECT_FALSE(link->IsInside({-1, 0}));
    link->SetText("x");
    EXPECT_FALSE(link->IsInside({width - 1, 0})); // the area follows the new text
}

TEST_F(LinkStaticTest, APressOnTheTextOpensTheTargetAndNothingElseDoes) {
    Press({0, 0}); // the text's first pixel
    EXPECT_EQ(opened, (std::vector<QString>{"http://example.com/home"}));
    Press({width, 2});
    Press({2, height});
    Press({2, 2}, Qt::RightButton);
    EXPECT_EQ(opened.size(), 1U);
    // A release alone opens nothing.
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), link->mapToGlobal(QPointF(2, 2)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(link, &release);
    EXPECT_EQ(opened.size(), 1U);
}

TEST_F(LinkStaticTest, ColourAndCursorFollowThePointerFromTheSecondMove) {
    Move({2, 2});
    EXPECT_TRUE(link->IsNormalColor()); // the first move after entering only starts watching
    EXPECT_EQ(link->cursor().shape(), Qt::ArrowCursor);
    Move({3, 3});
    EXPECT_FALSE(link->IsNormalColor()); // red over the text
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    Move({width + 20, 3});
    EXPECT_TRUE(link->IsNormalColor());
    EXPECT_EQ(link->cursor().shape(), Qt::ArrowCursor);
    Move({3, 3});
    EXPECT_FALSE(link->IsNormalColor());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(link, &leave);
    EXPECT_TRUE(link->IsNormalColor()); // leaving while red turns it blue
    EXPECT_EQ(link->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(LinkStaticTest, DrawnUnderlinedInBlueThenRed) {
    auto colours = [&] {
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
        return std::pair(blue, red);
    };
    EXPECT_EQ(colours(), std::pair(true, false));
    Move({2, 2});
    Move({3, 3});
    EXPECT_EQ(colours(), std::pair(false, true));
    EXPECT_EQ(link->GetText(), "http://example.com/");
}
