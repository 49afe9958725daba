#pragma once

#include "menu/Menu.h"

#include <QFont>

#include <cstdint>
#include <span>

// A popup menu whose items the program paints itself: a small image in a column on the left,
// the words after it, an accelerator right-aligned after a tab. Painted in a classic 3-D style
// or, where the menu colour differs from the 3-D face colour, in a flat style.
class CIconMenu : public CMenu {
public:
    // An item's size: its words and the image column; a separator asks for no width and half a
    // menu line.
    QSize MeasureItem(const MenuItem& item) const override;
    void DrawItem(QPainter& painter, const MenuItem& item, const CRect& rect, unsigned state,
                  bool radio = false) const override;
    // The template of a menu resource; false when there is none or this object already holds a
    // menu. The top level ends as plain items, the items of its popups owner-drawn.
    virtual bool Load(unsigned resourceId);
    virtual bool LoadTemplate(std::span<const uint8_t> bytes);

    // text may be null; id 0 makes a separator. bitmapId -1 for no image, else a bitmap resource,
    // indexed through the toolbar of the same id.
    void AppendOwnerDrawItem(const char16_t* text, unsigned flags, unsigned id, int bitmapId);
    // An item opening a new empty popup, which this menu owns.
    CIconMenu& AppendOwnerDrawPopup(const char16_t* text, unsigned flags);
    // Gives every item with the command these words (null keeps them) and image index of list
    // (null removes the image). False when the command is nowhere in the menu.
    bool ModifyOwnerDrawItem(const char16_t* text, unsigned commandId, const CImageList* list, int index);
    bool ModifyOwnerDrawItemA(const char* text, unsigned commandId, const CImageList* list, int index);
    // The menu holding the first item with the command (this one or a popup below, depth
    // first) and its position; null and -1 when there is none.
    CIconMenu* FindCommand(unsigned commandId, int& position);
    // Pads the words before every tab so that all tabs start at the same place.
    void AlignAccelerators();

    // The font menus are written in.
    static QFont MenuFont();

private:
    void DrawClassic(QPainter& p, const MenuItem& item, const CRect& r, unsigned state, bool radio) const;
    void DrawFlat(QPainter& p, const MenuItem& item, const CRect& r, unsigned state, bool radio) const;
    void DrawImageCell(QPainter& p, const MenuItem& item, const CRect& r, const MenuItemLayout& layout,
                       bool grayed, const QColor& cell, int imageLeft) const;

    int m_imageWidth = 16;
    int m_imageHeight = 15;
};
