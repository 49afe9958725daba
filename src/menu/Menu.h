#pragma once

#include <QString>

#include <memory>
#include <vector>

class QAction;
class QMenu;
class QPoint;
struct IconMenuItem;

inline constexpr unsigned kNoCommand = 0xFFFFFFFF; // what a popup item's id reads as

// A menu in the Windows manner over a QMenu that it owns: items are appended and changed by
// position or by command, and popups hang below items, each owned by the menu it hangs in.
// Owner-drawn items carry their record, through which the menu style finds who paints them.
// Flags are win32::mf values.
class CMenu {
public:
    CMenu();
    virtual ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    QMenu* Native() const { return m_menu.get(); }
    // False when the object already has a native menu.
    bool CreatePopupMenu();
    // Destroys the popups and the native menu; false when there was none.
    virtual bool DestroyMenu();

    // text: the item's words ("&" marks the mnemonic, a tab starts the accelerator). False
    // without a native menu.
    bool Append(unsigned flags, unsigned id, const QString& text, const IconMenuItem* record = nullptr);
    // Hangs popup, which has a native menu, below a new item and takes it over.
    CMenu& AppendPopup(std::unique_ptr<CMenu> popup, unsigned flags, const QString& text,
                       const IconMenuItem* record = nullptr);
    // Changes the words, the state and the record of an item, found by position with
    // win32::mf::ByPosition, else by command (searching the popups too); false when there is none.
    bool Modify(unsigned item, unsigned flags, const QString& text, const IconMenuItem* record);
    int GetMenuItemCount() const;
    // The command of the item at a position; kNoCommand for a popup, 0 for a separator.
    unsigned GetMenuItemID(int position) const;
    // The object of the popup at a position, or null.
    CMenu* GetSubMenu(int position) const;
    // win32::mf::Grayed or Enabled, by command or by position; the previous state, or kNoCommand
    // when there is no such item.
    unsigned EnableMenuItem(unsigned item, unsigned flags);
    bool SetMenuDefaultItem(unsigned item, bool byPosition);
    // Shows the menu at a screen position and waits; the chosen command, 0 for none.
    unsigned TrackPopupMenu(const QPoint& screen);

    QAction* ActionAt(int position) const;
    // The object owning a native menu, or null.
    static CMenu* FromNative(const QMenu* menu);
    // The record of an owner-drawn item, or null.
    static const IconMenuItem* RecordOf(const QAction* action);

private:
    QAction* FindAction(unsigned item, unsigned flags) const;

    std::unique_ptr<QMenu> m_menu;
    std::vector<std::unique_ptr<CMenu>> m_popups; // destroyed before the native menu
};
