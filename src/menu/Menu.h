#pragma once

#include "menu/MenuGeometry.h"
#include "res/ImageList.h"

#include <QAction>
#include <QSize>

#include <memory>
#include <vector>

class QMenu;
class QPainter;
class QPoint;

inline constexpr unsigned kNoCommand = 0xFFFFFFFF; // what a popup item's id reads as

// An item of a menu, owned by its native menu: its words (the action's text), the win32::mf
// flags it was given, its command and, when it is owner-drawn, its image.
class MenuItem : public QAction {
public:
    using QAction::QAction;
    // Takes the flags and words; a separator has no words.
    void Set(unsigned newFlags, const QString& words);

    unsigned flags = 0;
    unsigned commandId = 0;
    int imageIndex = -1;
    int imageSource = -1; // -1 no image; 0 copied from a list; else the bitmap resource's id
    std::unique_ptr<CImageList> images;
};

// A menu in the Windows manner over a QMenu that it owns: items are appended, and found by
// position or by command; popups hang below items, each owned by the menu it hangs in. The
// menu's style has the menu measure and paint its owner-drawn items, and frames it as the menu
// colours say: a raised 3-D edge where the menu has the 3-D face colour, else a shadow line.
class CMenu {
public:
    CMenu();
    virtual ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    QMenu* Native() const { return m_menu.get(); }
    // False when the object already has a native menu.
    bool CreatePopupMenu();
    // Destroys the popups and the native menu with its items; false when there was none.
    bool DestroyMenu();
    // An owner-drawn item's size, and its painting into rect in a win32::ods state (radio: a
    // check mark is a dot). A plain menu has no such items.
    virtual QSize MeasureItem(const MenuItem& item) const;
    virtual void DrawItem(QPainter& painter, const MenuItem& item, const CRect& rect, unsigned state,
                          bool radio = false) const;

    // An item with these words ("&" marks the mnemonic, a tab starts the accelerator) and, when
    // given, a popup with a native menu below it, which this menu takes over. Null without a
    // native menu.
    MenuItem* Append(unsigned flags, unsigned id, const QString& text,
                     std::unique_ptr<CMenu> popup = nullptr);
    int GetMenuItemCount() const;
    // The item at a position, or null.
    MenuItem* ItemAt(int position) const;
    // The command of the item at a position; kNoCommand for a popup, 0 for a separator.
    unsigned GetMenuItemID(int position) const;
    // The object of the popup at a position, or null.
    CMenu* GetSubMenu(int position) const;
    // win32::mf::Grayed or Enabled, by position with win32::mf::ByPosition, else by command
    // (searching the popups too); the previous state, or kNoCommand when there is no such item.
    unsigned EnableMenuItem(unsigned item, unsigned flags);
    // False when the item is not one of this menu's own.
    bool SetMenuDefaultItem(unsigned item, bool byPosition);
    // Shows the menu at a screen position and waits; the chosen command, 0 for none.
    unsigned TrackPopupMenu(const QPoint& screen);

    // The object owning a native menu, or null.
    static CMenu* FromNative(const QMenu* menu);

private:
    MenuItem* FindItem(unsigned item, unsigned flags) const;

    std::unique_ptr<QMenu> m_menu;
    std::vector<std::unique_ptr<CMenu>> m_popups; // destroyed before the native menu
};

// A rectangle filled; nothing for an empty one.
void FillRect(QPainter& painter, const CRect& rect, const QColor& color);
// A one-pixel frame: top and left in the first colour, right and bottom in the second.
void Draw3dRect(QPainter& painter, const CRect& rect, const QColor& topLeft, const QColor& bottomRight);
