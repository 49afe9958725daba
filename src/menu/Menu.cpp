#include "menu/Menu.h"

#include "menu/SystemColors.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

#include <algorithm>

using namespace win32;

namespace {

CRect ToCRect(const QRect& r) {
    return {r.left(), r.top(), r.right() + 1, r.bottom() + 1};
}

bool ClassicMenus() {
    return SysColor(color::Face3d) == SysColor(color::Menu);
}

// The item a menu has someone paint, or null.
const MenuItem* OwnerDrawn(const QAction* action) {
    const auto* item = dynamic_cast<const MenuItem*>(action);
    return item != nullptr && (item->flags & mf::OwnerDraw) != 0 ? item : nullptr;
}

// The style of the program's menus, owned by the application (menus only borrow a style).
class MenuStyle final : public QProxyStyle {
public:
    MenuStyle() : QProxyStyle(QApplication::style()->name()) { setParent(qApp); }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        const CMenu* owner = CMenu::FromNative(qobject_cast<const QMenu*>(widget));
        const MenuItem* record = type == CT_MenuItem && item != nullptr && owner != nullptr
                                     ? ItemForSize(owner->Native(), *item)
                                     : nullptr;
        if (record == nullptr) {
            return QProxyStyle::sizeFromContents(type, option, size, widget);
        }
        // A separator asks for no width; the menu's own width is then its width, which Qt
        // grants only to an item that is not empty.
        const QSize measured = owner->MeasureItem(*record);
        return {std::max(1, measured.width()), measured.height()};
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const CMenu* owner = CMenu::FromNative(qobject_cast<const QMenu*>(widget));
        const QAction* action = element == CE_MenuItem && owner != nullptr
                                    ? owner->Native()->actionAt(option->rect.center())
                                    : nullptr;
        const MenuItem* record = OwnerDrawn(action);
        if (record == nullptr) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        const unsigned state = ((option->state & State_Selected) != 0 ? ods::Selected : 0) |
                               ((option->state & State_Enabled) == 0 ? ods::Grayed : 0) |
                               (action->isChecked() ? ods::Checked : 0);
        // Stands in for the item's own checked-state bitmap: a radio item has one.
        const bool radio = action->actionGroup() != nullptr && action->actionGroup()->isExclusive();
        owner->DrawItem(*painter, *record, ToCRect(option->rect), state, radio);
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if ((element != PE_FrameMenu && element != PE_PanelMenu) ||
            qobject_cast<const QMenu*>(widget) == nullptr) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        const CRect r = ToCRect(option->rect);
        if (element == PE_PanelMenu) {
            FillRect(*painter, r, SysColor(color::Menu));
        }
        if (ClassicMenus()) {
            Draw3dRect(*painter, r, SysColor(color::Light3d), SysColor(color::BtnText));
            Draw3dRect(*painter, {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1},
                       SysColor(color::BtnHighlight), SysColor(color::BtnShadow));
        } else {
            Draw3dRect(*painter, r, SysColor(color::BtnShadow), SysColor(color::BtnShadow));
        }
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        const bool menu = qobject_cast<const QMenu*>(widget) != nullptr;
        if (menu && metric == PM_MenuPanelWidth) {
            return ClassicMenus() ? 3 : 2;
        }
        if (menu && (metric == PM_MenuHMargin || metric == PM_MenuVMargin)) {
            return 0;
        }
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    // The item a size is asked for. The option carries no action, only its words: the first
    // owner-drawn item with the same words and kind measures the same, since an item's size
    // depends on nothing else.
    static const MenuItem* ItemForSize(const QMenu* menu, const QStyleOptionMenuItem& option) {
        const bool separator = option.menuItemType == QStyleOptionMenuItem::Separator;
        for (const QAction* action : menu->actions()) {
            const MenuItem* item = OwnerDrawn(action);
            if (item != nullptr && item->isSeparator() == separator &&
                (separator || item->text() == option.text)) {
                return item;
            }
        }
        return nullptr;
    }
};

// The native menu knows the object that owns it.
class NativeMenu final : public QMenu {
public:
    explicit NativeMenu(CMenu& menu) : owner(menu) {
        static MenuStyle* const style = new MenuStyle();
        setStyle(style);
        setSeparatorsCollapsible(false);
    }
    CMenu& owner;
};

} // namespace

void FillRect(QPainter& painter, const CRect& r, const QColor& color) {
    if (r.right > r.left && r.bottom > r.top) {
        painter.fillRect(r.left, r.top, r.Width(), r.Height(), color);
    }
}

void Draw3dRect(QPainter& painter, const CRect& r, const QColor& topLeft, const QColor& bottomRight) {
    FillRect(painter, {r.left, r.top, r.right - 1, r.top + 1}, topLeft);
    FillRect(painter, {r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
    FillRect(painter, {r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    FillRect(painter, {r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
}

void MenuItem::Set(unsigned newFlags, const QString& words) {
    flags = newFlags;
    setSeparator((flags & mf::Separator) != 0);
    setText(isSeparator() ? QString() : words);
    setEnabled((flags & (mf::Grayed | mf::Disabled)) == 0);
}

CMenu::CMenu() = default;
CMenu::~CMenu() = default;

QSize CMenu::MeasureItem(const MenuItem& /*item*/) const {
    return {};
}

void CMenu::DrawItem(QPainter& /*painter*/, const MenuItem& /*item*/, const CRect& /*rect*/,
                     unsigned /*state*/, bool /*radio*/) const {}

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

MenuItem* CMenu::Append(unsigned flags, unsigned id, const QString& text, std::unique_ptr<CMenu> popup) {
    QMenu* sub = popup ? popup->Native() : nullptr;
    if (popup) {
        m_popups.push_back(std::move(popup));
    }
    if (!m_menu) {
        return nullptr;
    }
    auto* item = new MenuItem(m_menu.get());
    item->commandId = id;
    item->setMenu(sub);
    item->Set(flags, text);
    m_menu->addAction(item);
    return item;
}

MenuItem* CMenu::FindItem(unsigned item, unsigned flags) const {
    if ((flags & mf::ByPosition) != 0 || !m_menu) {
        return ItemAt(static_cast<int>(item));
    }
    for (int p = 0; p < GetMenuItemCount(); ++p) {
        const CMenu* sub = GetSubMenu(p);
        if (MenuItem* found = sub != nullptr ? sub->FindItem(item, flags) : nullptr) {
            return found;
        }
        if (sub == nullptr && GetMenuItemID(p) == item && !ItemAt(p)->isSeparator()) {
            return ItemAt(p);
        }
    }
    return nullptr;
}

int CMenu::GetMenuItemCount() const {
    return m_menu ? static_cast<int>(m_menu->actions().size()) : -1;
}

MenuItem* CMenu::ItemAt(int position) const {
    const bool in = m_menu && position >= 0 && position < m_menu->actions().size();
    return in ? static_cast<MenuItem*>(m_menu->actions().at(position)) : nullptr;
}

unsigned CMenu::GetMenuItemID(int position) const {
    const MenuItem* item = ItemAt(position);
    if (item == nullptr || item->menu() != nullptr) {
        return kNoCommand;
    }
    return item->isSeparator() ? 0 : item->commandId;
}

CMenu* CMenu::GetSubMenu(int position) const {
    const MenuItem* item = ItemAt(position);
    return item != nullptr ? FromNative(item->menu()) : nullptr;
}

CMenu* CMenu::FromNative(const QMenu* menu) {
    const auto* native = dynamic_cast<const NativeMenu*>(menu);
    return native != nullptr ? &native->owner : nullptr;
}

unsigned CMenu::EnableMenuItem(unsigned item, unsigned flags) {
    MenuItem* found = FindItem(item, flags);
    if (found == nullptr) {
        return kNoCommand;
    }
    const unsigned previous = found->isEnabled() ? mf::Enabled : mf::Grayed;
    found->setEnabled((flags & (mf::Grayed | mf::Disabled)) == 0);
    return previous;
}

bool CMenu::SetMenuDefaultItem(unsigned item, bool byPosition) {
    MenuItem* found = FindItem(item, byPosition ? mf::ByPosition : 0);
    if (found == nullptr || !m_menu->actions().contains(found)) {
        return false;
    }
    m_menu->setDefaultAction(found);
    return true;
}

unsigned CMenu::TrackPopupMenu(const QPoint& screen) {
    const auto* chosen = m_menu ? static_cast<const MenuItem*>(m_menu->exec(screen)) : nullptr;
    return chosen != nullptr && chosen->menu() == nullptr ? chosen->commandId : 0;
}
