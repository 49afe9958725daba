#pragma once

#include "menu/Menu.h"
#include "menu/MenuGeometry.h"
#include "res/ImageList.h"

#include <QFont>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class QPainter;

// One owner-drawn item: its words, its image and what it was appended with. The menu owns it;
// the native item carries its address.
struct IconMenuItem {
    std::optional<QString> text; // none: added without text; separators from a template: empty
    int imageIndex = -1;
    int imageSource = -1; // -1 no image; 0 copied from a list; else the bitmap resource's id
    unsigned flags = 0;   // the win32::mf flags it was appended with
    unsigned commandId = 0;
    std::unique_ptr<CImageList> images;

    // The words in the program's narrow encoding (UTF-8); empty without text.
    std::string GetText() const;
    // Null gives no text.
    void SetText(const char* text);
};

// A popup menu whose items the program paints itself: a small image in a column on the left,
// the words after it, an accelerator right-aligned after a tab. Painted in a classic 3-D style
// or, where the menu colour differs from the 3-D face colour, in a flat style.
class CIconMenu : public CMenu {
public:
    CIconMenu() = default;
    ~CIconMenu() override;

    // An item's size: its words and the image column; a separator asks for no width and half a
    // menu line.
    virtual QSize MeasureItem(const IconMenuItem& item) const;
    // Paints an item into rect in a win32::ods state; radio: a check mark is a dot.
    virtual void DrawItem(QPainter& painter, const IconMenuItem& item, const CRect& rect, unsigned state,
                          bool radio = false) const;
    // The template of a menu resource; false when there is none or this object already holds a
    // menu. The top level ends as plain items, the items of its popups owner-drawn.
    virtual bool Load(unsigned resourceId);
    virtual bool LoadTemplate(std::span<const uint8_t> bytes);
    // Destroys the popups, the records and the native menu; false when there was none.
    bool DestroyMenu() override;

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

    const std::vector<std::unique_ptr<IconMenuItem>>& Items() const { return m_items; }
    int ImageWidth() const { return m_imageWidth; }
    int ImageHeight() const { return m_imageHeight; }

    // The font menus are written in.
    static QFont MenuFont();

private:
    IconMenuItem& NewItem(const char16_t* text, unsigned flags, unsigned id);
    void DrawClassic(QPainter& p, const IconMenuItem& item, const CRect& r, unsigned state, bool radio) const;
    void DrawFlat(QPainter& p, const IconMenuItem& item, const CRect& r, unsigned state, bool radio) const;
    void DrawImageCell(QPainter& p, const IconMenuItem& item, const CRect& r, const MenuItemLayout& layout,
                       bool grayed, const QColor& cell, int imageLeft) const;

    std::vector<std::unique_ptr<IconMenuItem>> m_items; // one for each native item, in order
    int m_imageWidth = 16;
    int m_imageHeight = 15;
};

// A rectangle filled; nothing for an empty one.
void FillRect(QPainter& painter, const CRect& rect, const QColor& color);
// A one-pixel frame: top and left in the first colour, right and bottom in the second.
void Draw3dRect(QPainter& painter, const CRect& rect, const QColor& topLeft, const QColor& bottomRight);
