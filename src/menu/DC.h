#pragma once

#include "menu/MenuGeometry.h"
#include "menu/SystemColors.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <memory>
#include <string>

class CImageList;

// Text output flags, as Windows numbers them.
inline constexpr unsigned DT_LEFT = 0x0;
inline constexpr unsigned DT_RIGHT = 0x2;
inline constexpr unsigned DT_VCENTER = 0x4;
inline constexpr unsigned DT_SINGLELINE = 0x20;
inline constexpr unsigned DT_NOPREFIX = 0x800;

// Edges for DrawEdge.
inline constexpr unsigned BDR_SUNKENOUTER = 0x2;
inline constexpr unsigned BDR_RAISEDINNER = 0x4;
inline constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr unsigned BF_LEFT = 0x1;
inline constexpr unsigned BF_TOP = 0x2;
inline constexpr unsigned BF_RIGHT = 0x4;
inline constexpr unsigned BF_BOTTOM = 0x8;
inline constexpr unsigned BF_RECT = 0xF;

inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// A drawing surface with the few operations the owner-drawn menu needs, in Windows terms:
// rectangles exclude their right and bottom edges, lines exclude their end point, and
// nothing is anti-aliased. Every selection (font, pen, text colour) is the caller's to put back.
class CDC {
public:
    explicit CDC(QPainter& painter);
    virtual ~CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    QPainter& Painter() { return *m_painter; }

    void FillSolidRect(const CRect& rect, COLORREF color);
    // One-pixel frame: top and left in the first colour, right and bottom in the second.
    void Draw3dRect(const CRect& rect, COLORREF topLeft, COLORREF bottomRight);
    // The system's 3-D edges in the button shadow and highlight colours.
    void DrawEdge(const CRect& rect, unsigned edge, unsigned flags);
    // Text in one line; "&" underlines the next character unless DT_NOPREFIX.
    void DrawText(const std::string& text, const CRect& rect, unsigned format);

    COLORREF SetTextColor(COLORREF color);
    int SetBkMode(int mode);
    int GetBkMode() const { return m_bkMode; }
    QFont SelectFont(const QFont& font);
    const QFont& GetFont() const { return m_font; }
    COLORREF SelectPen(COLORREF color);
    COLORREF SelectBrush(COLORREF color);

    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    // With the selected pen around and the selected brush inside.
    void Ellipse(const CRect& rect);
    // One image of a list, its transparent pixels left out.
    void DrawImage(const CImageList& list, int index, int x, int y);
    void DrawImage(int x, int y, const QImage& image);

protected:
    QPainter* m_painter;

private:
    QFont m_font;
    COLORREF m_textColor = 0;
    COLORREF m_pen = 0;
    COLORREF m_brush = 0xFFFFFF;
    int m_bkMode = OPAQUE;
    int m_x = 0;
    int m_y = 0;
};

// Collects one rectangle's drawing in a bitmap and copies it to the target when it goes, so
// that a greyed item appears in one piece.
class COffscreenDC : public CDC {
public:
    COffscreenDC(CDC& target, const CRect& rect);
    ~COffscreenDC() override;

private:
    struct Surface;
    CDC& m_target;
    CRect m_rect;
    std::unique_ptr<Surface> m_surface;
};
