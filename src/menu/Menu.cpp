#include "menu/Menu.h"

#include "menu/MenuStyle.h"

#include <QAction>
#include <QMenu>

#include <map>

namespace {

const char* const kCommandProperty = "datemarkCommand";

std::map<HMENU, CMenu*>& Permanent() {
    static std::map<HMENU, CMenu*> map;
    return map;
}

QMenu* NewMenu() {
    auto* menu = new QMenu();
    menu->setStyle(IconMenuStyle::Instance());
    menu->setSeparatorsCollapsible(false);
    return menu;
}

} // namespace

CMenu::~CMenu() {
    if (m_hMenu != nullptr) {
        Permanent().erase(m_hMenu);
    }
}

bool CMenu::CreateMenu() {
    return Attach(NewMenu());
}

bool CMenu::CreatePopupMenu() {
    return Attach(NewMenu());
}

bool CMenu::Attach(HMENU menu) {
    if (menu == nullptr || m_hMenu != nullptr) {
        return false;
    }
    m_hMenu = menu;
    Permanent()[menu] = this;
    return true;
}

HMENU CMenu::Detach() {
    HMENU menu = m_hMenu;
    if (menu != nullptr) {
        Permanent().erase(menu);
    }
    m_hMenu = nullptr;
    return menu;
}

CMenu* CMenu::FromHandle(HMENU menu) {
    const auto it = Permanent().find(menu);
    return it == Permanent().end() ? nullptr : it->second;
}

bool CMenu::DestroyMenu() {
    HMENU menu = Detach();
    if (menu == nullptr) {
        return false;
    }
    delete menu;
    return true;
}

void CMenu::Apply(QAction* action, unsigned flags, uintptr_t idOrPopup, const std::string& text,
                  const void* itemData) {
    const bool popup = (flags & MF_POPUP) != 0;
    const bool separator = (flags & MF_SEPARATOR) != 0;
    action->setSeparator(separator);
    action->setMenu(popup ? reinterpret_cast<HMENU>(idOrPopup) : nullptr);
    action->setProperty(kCommandProperty, popup ? QVariant() : QVariant(static_cast<quint64>(idOrPopup)));
    action->setText(separator ? QString() : QString::fromUtf8(text));
    action->setData((flags & MF_OWNERDRAW) != 0 ? QVariant::fromValue(reinterpret_cast<quintptr>(itemData))
                                                : QVariant());
    action->setEnabled((flags & (MF_GRAYED | MF_DISABLED)) == 0);
}

bool CMenu::AppendMenu(unsigned flags, uintptr_t idOrPopup, const std::string& text, const void* itemData) {
    if (m_hMenu == nullptr) {
        return false;
    }
    auto* action = new QAction(m_hMenu);
    Apply(action, flags, idOrPopup, text, itemData);
    m_hMenu->addAction(action);
    return true;
}

QAction* CMenu::FindAction(unsigned item, unsigned flags) const {
    if (m_hMenu == nullptr) {
        return nullptr;
    }
    if ((flags & MF_BYPOSITION) != 0) {
        return ActionAt(static_cast<int>(item));
    }
    for (QAction* action : m_hMenu->actions()) {
        if (action->menu() != nullptr) {
            if (const CMenu* sub = FromHandle(action->menu())) {
                if (QAction* found = sub->FindAction(item, flags)) {
                    return found;
                }
            }
        } else if (CommandOf(action) == item && !action->isSeparator()) {
            return action;
        }
    }
    return nullptr;
}

bool CMenu::ModifyMenu(unsigned item, unsigned flags, uintptr_t idOrPopup, const std::string& text,
                       const void* itemData) {
    QAction* action = FindAction(item, flags);
    if (action == nullptr) {
        return false;
    }
    Apply(action, flags, idOrPopup, text, itemData);
    return true;
}

int CMenu::GetMenuItemCount() const {
    return m_hMenu != nullptr ? static_cast<int>(m_hMenu->actions().size()) : -1;
}

QAction* CMenu::ActionAt(int position) const {
    if (m_hMenu == nullptr || position < 0 || position >= m_hMenu->actions().size()) {
        return nullptr;
    }
    return m_hMenu->actions().at(position);
}

unsigned CMenu::CommandOf(const QAction* action) {
    if (action == nullptr || action->menu() != nullptr) {
        return kNoCommand;
    }
    return static_cast<unsigned>(action->property(kCommandProperty).toULongLong());
}

unsigned CMenu::GetMenuItemID(int position) const {
    const QAction* action = ActionAt(position);
    if (action == nullptr) {
        return kNoCommand;
    }
    return action->isSeparator() ? 0 : CommandOf(action);
}

CMenu* CMenu::GetSubMenu(int position) const {
    const QAction* action = ActionAt(position);
    return action != nullptr && action->menu() != nullptr ? FromHandle(action->menu()) : nullptr;
}

unsigned CMenu::EnableMenuItem(unsigned item, unsigned flags) {
    QAction* action = FindAction(item, flags);
    if (action == nullptr) {
        return kNoCommand;
    }
    const unsigned previous = action->isEnabled() ? MF_ENABLED : MF_GRAYED;
    action->setEnabled((flags & (MF_GRAYED | MF_DISABLED)) == 0);
    return previous;
}

bool CMenu::SetMenuDefaultItem(unsigned item, bool byPosition) {
    QAction* action = FindAction(item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND);
    if (action == nullptr || m_hMenu == nullptr || !m_hMenu->actions().contains(action)) {
        return false;
    }
    m_hMenu->setDefaultAction(action);
    return true;
}

unsigned CMenu::TrackPopupMenu(unsigned /*flags*/, int x, int y, QWidget* /*owner*/) {
    if (m_hMenu == nullptr) {
        return 0;
    }
    const QAction* chosen = m_hMenu->exec(QPoint(x, y));
    const unsigned command = CommandOf(chosen);
    return command == kNoCommand ? 0 : command;
}
