#pragma once

#include <QProxyStyle>

// The style of the program's menus: it hands the size and the painting of every owner-drawn
// item to the CIconMenu that owns the item's QMenu, and frames the menus in the manner of the
// menu colours; everything else is the desktop style's.
class IconMenuStyle : public QProxyStyle {
    Q_OBJECT
public:
    // The one instance, owned by the application (menus only borrow a style).
    static IconMenuStyle* Instance();

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    // A raised 3-D edge in the classic style, a thin shadow line in the flat one.
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;

private:
    IconMenuStyle();
};
