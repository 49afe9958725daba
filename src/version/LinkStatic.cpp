#include "version/LinkStatic.h"

#include <QDesktopServices>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace {

void OpenWithDesktop(const QString& url) {
    QDesktopServices::openUrl(QUrl(url));
}

CLinkStatic::UrlOpener& Opener() {
    static CLinkStatic::UrlOpener opener = OpenWithDesktop;
    return opener;
}

const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);

} // namespace

CLinkStatic::CLinkStatic(const QString& text, QWidget* parent) : QLabel(parent), m_strText(text) {
    setMouseTracking(true);
    setTextFormat(Qt::PlainText);
}

QWidget* CLinkStatic::FromTemplate(const ControlTemplate& control, QWidget* parent) {
    return new CLinkStatic(QString::fromUtf8(control.text), parent);
}

void CLinkStatic::SetUrlOpener(UrlOpener opener) {
    Opener() = opener ? std::move(opener) : OpenWithDesktop;
}

void CLinkStatic::SetText(const QString& text) {
    m_strText = text;
    m_bSized = false;
}

void CLinkStatic::SetURL(const QString& url) {
    m_strURL = url;
}

void CLinkStatic::CreateUnderlineFont() {
    if (parentWidget() == nullptr) {
        return;
    }
    m_font = parentWidget()->font();
    m_font.setUnderline(true);
    m_bFontReady = true;
}

void CLinkStatic::MeasureText() {
    if (m_bSized || !m_bFontReady) {
        return;
    }
    const QFontMetrics metrics(m_font);
    m_cxText = metrics.horizontalAdvance(m_strText);
    m_cyText = metrics.height();
    m_bSized = true;
}

bool CLinkStatic::IsInside(const QPoint& point) {
    MeasureText();
    return m_bSized && point.x() >= 0 && point.x() < m_cxText && point.y() >= 0 && point.y() < m_cyText;
}

void CLinkStatic::paintEvent(QPaintEvent*) {
    if (!m_bFontReady) {
        CreateUnderlineFont();
    }
    QPainter painter(this);
    painter.setFont(m_bFontReady ? m_font : font());
    painter.setPen(m_bNormalColor ? kBlue : kRed);
    painter.drawText(QPoint(0, QFontMetrics(painter.font()).ascent()), m_strText);
}

void CLinkStatic::mouseMoveEvent(QMouseEvent* event) {
    if (!m_bTracking) {
        // The first move after entering only starts watching for the leave.
        m_bTracking = true;
    } else {
        const bool inside = IsInside(event->position().toPoint());
        m_bNormalColor = !inside;
        if (inside) {
            setCursor(Qt::PointingHandCursor);
        } else {
            unsetCursor();
        }
    }
    update();
    QLabel::mouseMoveEvent(event);
}

void CLinkStatic::leaveEvent(QEvent* event) {
    m_bTracking = false;
    unsetCursor();
    m_bNormalColor = true;
    update();
    QLabel::leaveEvent(event);
}

void CLinkStatic::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && IsInside(event->position().toPoint())) {
        Opener()(m_strURL);
    }
    QLabel::mousePressEvent(event);
}
