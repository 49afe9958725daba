#include "menu/DC.h"

#include "res/ImageList.h"

#include <algorithm>
#include <cstdlib>

CDC::CDC(QPainter& painter) : m_painter(&painter), m_font(painter.font()) {
    m_painter->setRenderHint(QPainter::Antialiasing, false);
}

void CDC::FillSolidRect(const CRect& r, COLORREF color) {
    if (r.right > r.left && r.bottom > r.top) {
        m_painter->fillRect(r.left, r.top, r.Width(), r.Height(), ToQColor(color));
    }
}

void CDC::Draw3dRect(const CRect& r, COLORREF topLeft, COLORREF bottomRight) {
    const int cx = r.Width();
    const int cy = r.Height();
    FillSolidRect({r.left, r.top, r.left + cx - 1, r.top + 1}, topLeft);
    FillSolidRect({r.left, r.top, r.left + 1, r.top + cy - 1}, topLeft);
    FillSolidRect({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    FillSolidRect({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
}

void CDC::DrawEdge(const CRect& rect, unsigned edge, unsigned flags) {
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    CRect r = rect;
    // The outer border first, then the inner one inside it.
    const auto border = [&](COLORREF topLeft, COLORREF bottomRight) {
        if ((flags & BF_TOP) != 0) {
            FillSolidRect({r.left, r.top, r.right, r.top + 1}, topLeft);
        }
        if ((flags & BF_LEFT) != 0) {
            FillSolidRect({r.left, r.top, r.left + 1, r.bottom}, topLeft);
        }
        if ((flags & BF_BOTTOM) != 0) {
            FillSolidRect({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
        }
        if ((flags & BF_RIGHT) != 0) {
            FillSolidRect({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
        }
        r = {r.left + ((flags & BF_LEFT) != 0 ? 1 : 0), r.top + ((flags & BF_TOP) != 0 ? 1 : 0),
             r.right - ((flags & BF_RIGHT) != 0 ? 1 : 0), r.bottom - ((flags & BF_BOTTOM) != 0 ? 1 : 0)};
    };
    if ((edge & BDR_SUNKENOUTER) != 0) {
        border(shadow, light);
    }
    if ((edge & BDR_RAISEDINNER) != 0) {
        border(light, shadow);
    }
}

void CDC::DrawText(const std::string& text, const CRect& r, unsigned format) {
    if (text.empty()) {
        return;
    }
    int flags = Qt::TextSingleLine;
    flags |= (format & DT_RIGHT) != 0 ? Qt::AlignRight : Qt::AlignLeft;
    flags |= (format & DT_VCENTER) != 0 ? Qt::AlignVCenter : Qt::AlignTop;
    flags |= (format & DT_NOPREFIX) != 0 ? 0 : Qt::TextShowMnemonic;
    m_painter->save();
    m_painter->setFont(m_font);
    m_painter->setPen(ToQColor(m_textColor));
    m_painter->drawText(QRect(r.left, r.top, r.Width(), r.Height()), flags, QString::fromUtf8(text));
    m_painter->restore();
}

COLORREF CDC::SetTextColor(COLORREF color) {
    const COLORREF old = m_textColor;
    m_textColor = color;
    return old;
}

int CDC::SetBkMode(int mode) {
    const int old = m_bkMode;
    m_bkMode = mode;
    return old;
}

QFont CDC::SelectFont(const QFont& font) {
    QFont old = m_font;
    m_font = font;
    return old;
}

COLORREF CDC::SelectPen(COLORREF color) {
    const COLORREF old = m_pen;
    m_pen = color;
    return old;
}

COLORREF CDC::SelectBrush(COLORREF color) {
    const COLORREF old = m_brush;
    m_brush = color;
    return old;
}

void CDC::MoveTo(int x, int y) {
    m_x = x;
    m_y = y;
}

void CDC::LineTo(int x, int y) {
    // The end point is not drawn, as the system draws lines.
    const int dx = x - m_x;
    const int dy = y - m_y;
    const int steps = std::max(std::abs(dx), std::abs(dy));
    const QColor color = ToQColor(m_pen);
    for (int i = 0; i < steps; ++i) {
        m_painter->fillRect(m_x + dx * i / steps, m_y + dy * i / steps, 1, 1, color);
    }
    m_x = x;
    m_y = y;
}

void CDC::Ellipse(const CRect& r) {
    m_painter->save();
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_painter->setPen(ToQColor(m_pen));
    m_painter->setBrush(ToQColor(m_brush));
    m_painter->drawEllipse(QRect(r.left, r.top, r.Width() - 1, r.Height() - 1));
    m_painter->restore();
}

void CDC::DrawImage(const CImageList& list, int index, int x, int y) {
    if (index >= 0 && index < list.GetImageCount()) {
        m_painter->drawPixmap(x, y, list.Pixmap(index));
    }
}

void CDC::DrawImage(int x, int y, const QImage& image) {
    m_painter->drawImage(x, y, image);
}

struct COffscreenDC::Surface {
    QImage image;
    QPainter painter;
};

COffscreenDC::COffscreenDC(CDC& target, const CRect& rect)
    : CDC(target.Painter()), m_target(target), m_rect(rect), m_surface(std::make_unique<Surface>()) {
    m_surface->image =
        QImage(std::max(1, rect.Width()), std::max(1, rect.Height()), QImage::Format_ARGB32_Premultiplied);
    m_surface->image.fill(Qt::transparent);
    m_surface->painter.begin(&m_surface->image);
    m_surface->painter.translate(-rect.left, -rect.top);
    m_painter = &m_surface->painter;
    SelectFont(target.GetFont());
}

COffscreenDC::~COffscreenDC() {
    m_surface->painter.end();
    m_target.Painter().drawImage(m_rect.left, m_rect.top, m_surface->image);
}
