#pragma once

#include "menu/MenuTemplate.h"

#include <cstdint>
#include <string>

class QAction;
class QMenu;
class QWidget;

using HMENU = QMenu*;

inline constexpr unsigned TPM_RIGHTBUTTON = 0x2;
inline constexpr unsigned kNoCommand = 0xFFFFFFFF; // what a popup item's id reads as

// A menu in the Windows manner over a QMenu, which stands in for the native menu: items are
// appended and changed by position or by command, popups hang below items, and an object can be
// found again from its handle. Owner-drawn items carry the address of their record as item data
// (the action's data), through which the menu style finds who paints them.
class CMenu {
public:
    CMenu() = default;
    virtual ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;

    // An empty menu bar: a container whose items open popups, never shown by itself.
    bool CreateMenu();
    bool CreatePopupMenu();
    // Ties the object to the handle for good, so that FromHandle finds it.
    bool Attach(HMENU menu);
    HMENU Detach();
    static CMenu* FromHandle(HMENU menu);
    // Destroys the native menu; false when there was none.
    virtual bool DestroyMenu();

    // text: the item's words ("&" marks the mnemonic); for MF_OWNERDRAW items the record's
    // words, kept on the action for the keyboard. idOrPopup is a popup's handle with MF_POPUP.
    bool AppendMenu(unsigned flags, uintptr_t idOrPopup, const std::string& text,
                    const void* itemData = nullptr);
    // By position with MF_BYPOSITION, else by command (searching the popups too).
    bool ModifyMenu(unsigned item, unsigned flags, uintptr_t idOrPopup, const std::string& text,
                    const void* itemData = nullptr);
    int GetMenuItemCount() const;
    // The command of the item at a position; kNoCommand for a popup, 0 for a separator.
    unsigned GetMenuItemID(int position) const;
    // The object of the popup at a position, or null.
    CMenu* GetSubMenu(int position) const;
    // MF_GRAYED or MF_ENABLED, by command (searching the popups too) or by position; the
    // previous state, or kNoCommand when there is no such item.
    unsigned EnableMenuItem(unsigned item, unsigned flags);
    bool SetMenuDefaultItem(unsigned item, bool byPosition);
    // Shows the menu at a screen position and waits; the chosen command, 0 for none.
    unsigned TrackPopupMenu(unsigned flags, int x, int y, QWidget* owner);

    // The action at a position, for the layer that paints.
    QAction* ActionAt(int position) const;
    // The command an action carries.
    static unsigned CommandOf(const QAction* action);

private:
    QAction* FindAction(unsigned item, unsigned flags) const;
    static void Apply(QAction* action, unsigned flags, uintptr_t idOrPopup, const std::string& text,
                      const void* itemData);
};
