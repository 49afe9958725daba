#pragma once

#include "menu/DC.h"
#include "menu/Menu.h"
#include "res/ImageList.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// States of an item being drawn.
inline constexpr unsigned ODS_SELECTED = 0x1;
inline constexpr unsigned ODS_GRAYED = 0x2;
inline constexpr unsigned ODS_CHECKED = 0x8;

// One owner-drawn item: its words, its image and what it was appended with. The menu owns it;
// the native item carries its address.
struct IconMenuItem {
    std::optional<std::u16string> text; // none: added without text; separators from a template: empty
    int imageIndex = -1;
    int imageSource = -1; // -1 no image; 0 copied from a list; above 0 the bitmap resource's id
    unsigned flags = 0;
    uintptr_t commandId = 0; // a popup's handle for a popup item
    std::unique_ptr<CImageList> images;

    // The words in the program's narrow encoding (UTF-8); empty without text.
    std::string GetText() const;
    // Null gives no text.
    void SetText(const char* text);
};

struct MEASUREITEMSTRUCT {
    unsigned itemID = 0;
    unsigned itemWidth = 0;
    unsigned itemHeight = 0;
    const IconMenuItem* itemData = nullptr;
};

struct DRAWITEMSTRUCT {
    unsigned itemID = 0;
    unsigned itemState = 0;
    HMENU hwndItem = nullptr;
    CDC* hDC = nullptr;
    CRect rcItem;
    const IconMenuItem* itemData = nullptr;
    bool radioCheck = false; // the item is checked with a dot rather than a tick
};

// A popup menu whose items the program paints itself: a small image in a column on the left,
// the words after it, an accelerator right-aligned after a tab. Painted in a classic 3-D style
// or, where the menu colour differs from the 3-D face colour, in a flat style.
class CIconMenu : public CMenu {
public:
    CIconMenu() = default;
    ~CIconMenu() override;

    virtual void DrawItem(DRAWITEMSTRUCT& draw);
    virtual void MeasureItem(MEASUREITEMSTRUCT& measure);
    // The template of a menu resource; false when there is none or this object already holds a
    // menu. The top level ends as plain items, the items of its popups owner-drawn.
    virtual bool LoadMenu(unsigned resourceId);
    virtual bool LoadMenuTemplate(std::span<const uint8_t> bytes);
    // Destroys the popups it made, its records and the native menu; false when there was none.
    bool DestroyMenu() override;

    // text may be null; id is a popup's handle with MF_POPUP, 0 makes a separator; bitmapId -1
    // for no image, else a bitmap resource (indexed through the toolbar of the same id).
    void AppendOwnerDrawItem(const char16_t* text, unsigned flags, uintptr_t id, int bitmapId);
    // Gives every item with the command these words (null keeps them) and image index of list
    // (null removes the image). False when the command is nowhere in the menu.
    bool ModifyOwnerDrawItem(const char16_t* text, unsigned commandId, const CImageList* list, int index);
    bool ModifyOwnerDrawItemA(const char* text, unsigned commandId, const CImageList* list, int index);

    // The menu holding the first item with the command (this one or a popup below, depth
    // first) and its position; null and -1 when there is none.
    CIconMenu* FindCommand(unsigned commandId, int& position);
    // The same, passing over the (menu, position) pairs already visited.
    CIconMenu* FindNextCommand(unsigned commandId, int& position, std::vector<CIconMenu*>& menus,
                               std::vector<int>& positions);
    // Pads the words before every tab so that all tabs start at the same place.
    void AlignAccelerators();

    const std::vector<std::unique_ptr<IconMenuItem>>& Items() const { return m_items; }
    int ImageWidth() const { return m_imageWidth; }
    int ImageHeight() const { return m_imageHeight; }

    void DrawItemClassic(DRAWITEMSTRUCT& draw);
    void DrawItemFlat(DRAWITEMSTRUCT& draw);
    static void DrawClassicCheck(CDC* dc, const CRect& rect, bool selected, bool radio);
    static void DrawFlatCheck(CDC* dc, const CRect& rect, bool radio, COLORREF frame);
    static void DrawCheckMark(CDC* dc, int x, int y, COLORREF color);
    static void DrawRadioDot(CDC* dc, int x, int y, COLORREF color);

    // The font menus are written in.
    static QFont MenuFont();

private:
    CIconMenu* Search(unsigned commandId, int& position, const std::vector<CIconMenu*>* menus,
                      const std::vector<int>* positions);
    void DrawText(CDC* dc, const IconMenuItem& record, const CRect& rect);

    std::vector<std::unique_ptr<IconMenuItem>> m_items;
    std::vector<HMENU> m_popupHandles;
    int m_imageWidth = 16;
    int m_imageHeight = 15;
};
