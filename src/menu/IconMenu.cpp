#include "menu/IconMenu.h"

#include "menu/MenuImages.h"
#include "menu/MenuTemplate.h"
#include "menu/SystemColors.h"
#include "res/Bitmaps.h"
#include "res/MenuResources.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <functional>

using namespace win32;

namespace {

// Calls visit(menu, position) for each item with the command, depth first, until it returns true.
bool VisitCommand(CIconMenu& menu, unsigned commandId, const std::function<bool(CIconMenu&, int)>& visit) {
    for (int p = 0; p < menu.GetMenuItemCount(); ++p) {
        if (CMenu* sub = menu.GetSubMenu(p)) {
            auto* icon = dynamic_cast<CIconMenu*>(sub);
            if (icon != nullptr && VisitCommand(*icon, commandId, visit)) {
                return true;
            }
        } else if (menu.GetMenuItemID(p) == commandId && visit(menu, p)) {
            return true;
        }
    }
    return false;
}

QColor Lighten(const QColor& color, double factor) {
    return QColor(LightenColor(color.rgb() & 0xFFFFFF, factor));
}

// A separator's etched line from left to right at y: shadow over highlight.
void Etch(QPainter& p, int left, int y, int right) {
    FillRect(p, {left, y, right, y + 1}, SysColor(color::BtnShadow));
    FillRect(p, {left, y + 1, right, y + 2}, SysColor(color::BtnHighlight));
}

// The words before the first tab left-aligned in rect, those after the last tab right-aligned.
void DrawWords(QPainter& p, const MenuItem& item, const CRect& r, const QColor& color) {
    const QString text = item.text();
    const QRect box(r.left, r.top, r.Width(), r.Height());
    const int flags = Qt::TextSingleLine | Qt::AlignVCenter | Qt::TextShowMnemonic;
    p.setFont(CIconMenu::MenuFont());
    p.setPen(color);
    p.drawText(box, flags | Qt::AlignLeft, text.section('\t', 0, 0));
    if (text.contains('\t')) {
        p.drawText(box, flags | Qt::AlignRight, text.section('\t', -1));
    }
}

// A check box: filled and framed, with a dot (radio) or a tick of seven three-pixel strokes.
void DrawCheck(QPainter& p, const CRect& box, const QColor& fill, const QColor& topLeft,
               const QColor& bottomRight, bool radio, int tickLeft) {
    constexpr int kTick[7] = {2, 3, 4, 3, 2, 1, 0};
    const QColor mark = SysColor(color::MenuText);
    FillRect(p, box, fill);
    Draw3dRect(p, box, topLeft, bottomRight);
    if (radio) {
        p.setPen(mark);
        p.setBrush(mark);
        p.drawEllipse(QRect(box.left + 5, box.top + 4, 5, 5));
        return;
    }
    for (int i = 0; i < 7; ++i) {
        p.fillRect(box.left + tickLeft + i, box.top + 4 + kTick[i], 1, 3, mark);
    }
}

} // namespace

QFont CIconMenu::MenuFont() {
    return QApplication::font("QMenu");
}

bool CIconMenu::Load(unsigned resourceId) {
    const auto bytes = MenuResource(static_cast<int>(resourceId));
    return !bytes.empty() && LoadTemplate(bytes);
}

bool CIconMenu::LoadTemplate(std::span<const uint8_t> bytes) {
    const auto items = ParseMenuTemplate(bytes);
    if (!items || !CreatePopupMenu()) {
        return false;
    }
    std::vector<CIconMenu*> levels{this}; // the menu being filled on each level
    std::vector<CIconMenu*> menus{this};
    for (const MenuTemplateItem& item : *items) {
        levels.resize(static_cast<size_t>(item.level) + 1);
        const unsigned flags = item.flags & ~mf::End;
        if ((flags & mf::Popup) != 0) {
            levels.push_back(&levels.back()->AppendOwnerDrawPopup(item.text.c_str(), flags));
            menus.push_back(levels.back());
        } else {
            levels.back()->AppendOwnerDrawItem(item.text.c_str(), flags, item.id, -1);
        }
    }
    for (CIconMenu* menu : menus) {
        menu->AlignAccelerators();
    }
    // The top level becomes plain items; only what its popups hold stays owner-drawn.
    for (int p = 0; p < GetMenuItemCount(); ++p) {
        ItemAt(p)->Set(mf::ByPosition | (GetSubMenu(p) != nullptr ? mf::Popup : 0), ItemAt(p)->text());
    }
    return true;
}

void CIconMenu::AppendOwnerDrawItem(const char16_t* text, unsigned flags, unsigned id, int bitmapId) {
    flags = id == 0 ? (flags & mf::ByPosition) | mf::Separator | mf::OwnerDraw : flags | mf::OwnerDraw;
    MenuItem* item = Append(flags, id, QString::fromUtf16(text));
    if (item == nullptr || bitmapId == -1) {
        return;
    }
    item->imageSource = bitmapId;
    if (bitmapId >= 0) {
        item->imageIndex = 0;
        FindToolbarImage(id, bitmapId, &item->imageIndex);
        item->images = std::make_unique<CImageList>();
        item->images->Create(m_imageWidth, m_imageHeight);
        if (!AddBitmapImages(item->images.get(), bitmapId)) {
            item->images.reset();
            item->imageSource = item->imageIndex = -1;
        }
    }
}

CIconMenu& CIconMenu::AppendOwnerDrawPopup(const char16_t* text, unsigned flags) {
    auto popup = std::make_unique<CIconMenu>();
    CIconMenu& menu = *popup;
    popup->CreatePopupMenu();
    Append(flags | mf::Popup | mf::OwnerDraw, 0, QString::fromUtf16(text), std::move(popup));
    return menu;
}

bool CIconMenu::ModifyOwnerDrawItem(const char16_t* text, unsigned commandId, const CImageList* list,
                                    int index) {
    bool found = false;
    VisitCommand(*this, commandId, [&](CIconMenu& menu, int position) {
        MenuItem& item = *menu.ItemAt(position);
        item.Set((item.flags & ~mf::ByPosition) | mf::OwnerDraw,
                 text != nullptr ? QString::fromUtf16(text) : item.text());
        item.imageSource = item.imageIndex = list != nullptr ? 0 : -1;
        if (list != nullptr) {
            item.images = std::make_unique<CImageList>();
            CopyListImage(list, index, item.images.get());
        }
        found = true;
        return false;
    });
    return found;
}

bool CIconMenu::ModifyOwnerDrawItemA(const char* text, unsigned commandId, const CImageList* list,
                                     int index) {
    const std::u16string wide = QString::fromUtf8(text).toStdU16String();
    return ModifyOwnerDrawItem(text != nullptr ? wide.c_str() : nullptr, commandId, list, index);
}

CIconMenu* CIconMenu::FindCommand(unsigned commandId, int& position) {
    CIconMenu* found = nullptr;
    position = -1;
    VisitCommand(*this, commandId, [&](CIconMenu& menu, int p) {
        found = &menu;
        position = p;
        return true;
    });
    return found;
}

void CIconMenu::AlignAccelerators() {
    const QFontMetrics metrics(MenuFont());
    int widest = -1;
    for (int p = 0; p < GetMenuItemCount(); ++p) {
        widest = std::max(widest, metrics.horizontalAdvance(ItemAt(p)->text().section('\t', 0, 0) + ' '));
    }
    for (int p = 0; p < GetMenuItemCount(); ++p) {
        const QString text = ItemAt(p)->text();
        const qsizetype tab = text.indexOf('\t');
        QString left = text.left(tab);
        while (tab >= 0 && metrics.horizontalAdvance(left) < widest) {
            left += ' ';
        }
        if (tab >= 0) {
            ItemAt(p)->setText(left + text.mid(tab));
        }
    }
}

QSize CIconMenu::MeasureItem(const MenuItem& item) const {
    const int line = platform::SystemMetric(sm::CyMenu);
    if ((item.flags & mf::Separator) != 0) {
        return {0, line >> 1};
    }
    const int words = QFontMetrics(MenuFont()).horizontalAdvance(item.text());
    return {words + 2 * m_imageWidth + 1, std::max(line, m_imageHeight + 4)};
}

void CIconMenu::DrawItem(QPainter& painter, const MenuItem& item, const CRect& r, unsigned state,
                         bool radio) const {
    painter.save();
    painter.setClipRect(QRect(r.left, r.top, r.Width(), r.Height()), Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // A palette display would always be classic; every display Qt paints on has true colour.
    if (SysColor(color::Face3d) == SysColor(color::Menu)) {
        DrawClassic(painter, item, r, state, radio);
    } else if ((state & ods::Grayed) == 0) {
        DrawFlat(painter, item, r, state, radio);
    } else {
        // A greyed item appears in one piece, painted off the screen first.
        QImage piece(std::max(1, r.Width()), std::max(1, r.Height()), QImage::Format_ARGB32_Premultiplied);
        piece.fill(Qt::transparent);
        QPainter offscreen(&piece);
        offscreen.translate(-r.left, -r.top);
        DrawFlat(offscreen, item, r, state, radio);
        offscreen.end();
        painter.drawImage(r.left, r.top, piece);
    }
    painter.restore();
}

void CIconMenu::DrawImageCell(QPainter& p, const MenuItem& item, const CRect& r, const MenuItemLayout& l,
                              bool grayed, const QColor& cell, int imageLeft) const {
    const int top = r.top + l.dy + 2;
    if (grayed) {
        const QImage image = MakeIconBitmap(item.images.get(), item.imageIndex, m_imageWidth, m_imageHeight);
        DrawEmbossed(p, r.left + 2, top, m_imageWidth, m_imageHeight, image, 0, 0, cell);
    } else if (item.images && item.imageIndex >= 0 && item.imageIndex < item.images->GetImageCount()) {
        p.drawPixmap(imageLeft, top, item.images->Pixmap(item.imageIndex));
    }
}

// The 3-D look: everything on the face colour, the highlight bar beside the image column, raised
// and sunken frames around the image, greyed words engraved.
void CIconMenu::DrawClassic(QPainter& p, const MenuItem& item, const CRect& r, unsigned state,
                            bool radio) const {
    const QColor face = SysColor(color::Face3d);
    FillRect(p, r, face);
    if ((item.flags & mf::Separator) != 0) {
        Etch(p, r.left, r.top + r.Height() / 2, r.right);
        return;
    }
    const bool selected = (state & ods::Selected) != 0;
    const bool grayed = (state & ods::Grayed) != 0;
    const bool checked = (state & ods::Checked) != 0;
    const bool hasImage = item.imageSource != -1;
    const QColor shadow = SysColor(color::BtnShadow);
    const QColor light = SysColor(color::BtnHighlight);
    const MenuItemLayout l = LayoutMenuItem(r, m_imageWidth, m_imageHeight, item.text().contains('\t'));
    if (selected) {
        const CRect bar{hasImage || checked ? r.left + m_imageWidth + 5 : r.left, r.top, r.right, r.bottom};
        FillRect(p, bar, SysColor(color::Highlight));
    }
    if (hasImage) {
        if (selected && !grayed) {
            Draw3dRect(p, l.imageBox, checked ? shadow : light, checked ? light : shadow);
        } else if (checked && !grayed) {
            FillRect(p, l.imageFrame, SysColor(color::Light3d));
            Draw3dRect(p, l.imageBox, shadow, light);
        }
        DrawImageCell(p, item, r, l, grayed, face, r.left + 2);
    } else if (checked) {
        DrawCheck(p, l.classicCheck, SysColor(selected ? color::Menu : color::Light3d), shadow, light, radio,
                  4);
    }
    if (!grayed) {
        DrawWords(p, item, l.text, SysColor(selected ? color::HighlightText : color::MenuText));
    } else if (selected) {
        DrawWords(p, item, l.text, face);
    } else {
        const CRect t = l.text;
        DrawWords(p, item, {t.left + 1, t.top + 1, t.right + 1, t.bottom + 1}, light);
        DrawWords(p, item, t, SysColor(color::GrayText));
    }
}

// The flat look: the image column in the face colour on the menu colour, a light selection
// framed in the highlight colour; a greyed item is never selected.
void CIconMenu::DrawFlat(QPainter& p, const MenuItem& item, const CRect& r, unsigned state,
                         bool radio) const {
    const QColor column = SysColor(color::Face3d);
    const CRect columnRect{r.left, r.top, r.left + m_imageWidth + 5, r.bottom};
    FillRect(p, r, SysColor(color::Menu));
    if ((item.flags & mf::Separator) != 0) {
        Etch(p, r.left + m_imageWidth + 9, r.top + r.Height() / 2, r.right);
        FillRect(p, columnRect, column);
        return;
    }
    const bool grayed = (state & ods::Grayed) != 0;
    const bool selected = !grayed && (state & ods::Selected) != 0;
    const bool checked = (state & ods::Checked) != 0;
    const QColor highlight = SysColor(color::Highlight);
    const MenuItemLayout l = LayoutMenuItem(r, m_imageWidth, m_imageHeight, item.text().contains('\t'));
    if (selected) {
        FillRect(p, r, Lighten(highlight, 0.7));
        Draw3dRect(p, r, highlight, highlight);
    } else {
        FillRect(p, columnRect, column);
    }
    if (item.imageSource != -1) {
        if (selected && checked) {
            Draw3dRect(p, {r.left, r.top, r.left + m_imageWidth + 4, r.bottom}, highlight, highlight);
        } else if (checked && !grayed) {
            const CRect box{r.left + 1, r.top, r.left + m_imageWidth + 4, r.bottom - 1};
            FillRect(p, box, Lighten(highlight, 0.85));
            Draw3dRect(p, box, highlight, highlight);
        }
        DrawImageCell(p, item, r, l, grayed, column, r.left + 3);
    } else if (checked) {
        DrawCheck(p, l.flatCheck, Lighten(highlight, 0.85), highlight, highlight, radio, 5);
    }
    DrawWords(p, item, l.text, SysColor(grayed ? color::GrayText : color::MenuText));
}
