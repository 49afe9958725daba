#include "menu/Menu.h"

#include "menu/MenuStyle.h"
#include "platform/Win32Constants.h"

#include <QAction>
#include <QMenu>

namespace {

using namespace win32;

// The native menu knows the object that owns it.
class NativeMenu final : public QMenu {
public:
    explicit NativeMenu(CMenu& menu) : owner(menu) {
        setStyle(IconMenuStyle::Instance());
        setSeparatorsCollapsible(false);
    }
    CMenu& owner;
};

// An item: the command it stands for and, when it is owner-drawn, the record that paints it.
class MenuAction final : public QAction {
public:
    using QAction::QAction;
    unsigned command = 0;
    const IconMenuItem* record = nullptr;
};

void Apply(MenuAction& action, unsigned flags, const QString& text, const IconMenuItem* record) {
    action.setSeparator((flags & mf::Separator) != 0);
    action.setText(action.isSeparator() ? QString() : text);
    action.record = (flags & mf::OwnerDraw) != 0 ? record : nullptr;
    action.setEnabled((flags & (mf::Grayed | mf::Disabled)) == 0);
}

} // namespace

CMenu::CMenu() = default;
CMenu::~CMenu() = default;

bool CMenu::CreatePopupMenu() {
    if (m_menu) {
        return false;
    }
    m_menu = std::make_unique<NativeMenu>(*this);
    return true;
}

bool CMenu::DestroyMenu() {
    m_popups.clear();
    const bool had = m_menu != nullptr;
    m_menu.reset();
    return had;
}

bool CMenu::Append(unsigned flags, unsigned id, const QString& text, const IconMenuItem* record) {
    if (!m_menu) {
        return false;
    }
    auto* action = new MenuAction(m_menu.get());
    action->command = id;
    Apply(*action, flags, text, record);
    m_menu->addAction(action);
    return true;
}

CMenu& CMenu::AppendPopup(std::unique_ptr<CMenu> popup, unsigned flags, const QString& text,
                          const IconMenuItem* record) {
    Append(flags, 0, text, record);
    ActionAt(GetMenuItemCount() - 1)->setMenu(popup->Native());
    m_popups.push_back(std::move(popup));
    return *m_popups.back();
}

QAction* CMenu::FindAction(unsigned item, unsigned flags) const {
    if ((flags & mf::ByPosition) != 0 || !m_menu) {
        return ActionAt(static_cast<int>(item));
    }
    for (QAction* action : m_menu->actions()) {
        if (const CMenu* sub = FromNative(action->menu())) {
            if (QAction* found = sub->FindAction(item, flags)) {
                return found;
            }
        } else if (static_cast<MenuAction*>(action)->command == item && !action->isSeparator()) {
            return action;
        }
    }
    return nullptr;
}

bool CMenu::Modify(unsigned item, unsigned flags, const QString& text, const IconMenuItem* record) {
    auto* action = static_cast<MenuAction*>(FindAction(item, flags));
    if (action != nullptr) {
        Apply(*action, flags, text, record);
    }
    return action != nullptr;
}

int CMenu::GetMenuItemCount() const {
    return m_menu ? static_cast<int>(m_menu->actions().size()) : -1;
}

QAction* CMenu::ActionAt(int position) const {
    if (!m_menu || position < 0 || position >= m_menu->actions().size()) {
        return nullptr;
    }
    return m_menu->actions().at(position);
}

unsigned CMenu::GetMenuItemID(int position) const {
    const auto* action = static_cast<const MenuAction*>(ActionAt(position));
    if (action == nullptr || action->menu() != nullptr) {
        return kNoCommand;
    }
    return action->isSeparator() ? 0 : action->command;
}

CMenu* CMenu::GetSubMenu(int position) const {
    const QAction* action = ActionAt(position);
    return action != nullptr ? FromNative(action->menu()) : nullptr;
}

CMenu* CMenu::FromNative(const QMenu* menu) {
    const auto* native = dynamic_cast<const NativeMenu*>(menu);
    return native != nullptr ? &native->owner : nullptr;
}

const IconMenuItem* CMenu::RecordOf(const QAction* action) {
    const auto* item = dynamic_cast<const MenuAction*>(action);
    return item != nullptr ? item->record : nullptr;
}

unsigned CMenu::EnableMenuItem(unsigned item, unsigned flags) {
    QAction* action = FindAction(item, flags);
    if (action == nullptr) {
        return kNoCommand;
    }
    const unsigned previous = action->isEnabled() ? mf::Enabled : mf::Grayed;
    action->setEnabled((flags & (mf::Grayed | mf::Disabled)) == 0);
    return previous;
}

bool CMenu::SetMenuDefaultItem(unsigned item, bool byPosition) {
    QAction* action = FindAction(item, byPosition ? mf::ByPosition : 0);
    if (action == nullptr || !m_menu->actions().contains(action)) {
        return false;
    }
    m_menu->setDefaultAction(action);
    return true;
}

unsigned CMenu::TrackPopupMenu(const QPoint& screen) {
    const auto* chosen = m_menu ? static_cast<const MenuAction*>(m_menu->exec(screen)) : nullptr;
    return chosen != nullptr && chosen->menu() == nullptr ? chosen->command : 0;
}
