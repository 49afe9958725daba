#include "menu/MenuStyle.h"

#include "menu/IconMenu.h"
#include "menu/SystemColors.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QStyleOptionMenuItem>

#include <algorithm>

using namespace win32;

namespace {

const CIconMenu* OwnerOf(const QWidget* widget) {
    return dynamic_cast<const CIconMenu*>(CMenu::FromNative(qobject_cast<const QMenu*>(widget)));
}

// The record of the item a size is asked for. The option carries no action, only its words:
// the first owner-drawn action with the same words and kind measures the same, since an item's
// size depends on nothing else.
const IconMenuItem* RecordForSize(const QWidget* widget, const QStyleOptionMenuItem& option) {
    const bool separator = option.menuItemType == QStyleOptionMenuItem::Separator;
    for (const QAction* action : widget->actions()) {
        const IconMenuItem* record = CMenu::RecordOf(action);
        if (record != nullptr && action->isSeparator() == separator &&
            (separator || action->text() == option.text)) {
            return record;
        }
    }
    return nullptr;
}

CRect ToCRect(const QRect& r) {
    return {r.left(), r.top(), r.right() + 1, r.bottom() + 1};
}

bool ClassicMenus() {
    return SysColor(color::Face3d) == SysColor(color::Menu);
}

} // namespace

IconMenuStyle::IconMenuStyle() : QProxyStyle(QApplication::style()->name()) {}

IconMenuStyle* IconMenuStyle::Instance() {
    static IconMenuStyle* style = [] {
        auto* s = new IconMenuStyle();
        s->setParent(qApp);
        return s;
    }();
    return style;
}

QSize IconMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                      const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    const CIconMenu* owner = OwnerOf(widget);
    const IconMenuItem* record =
        type == CT_MenuItem && item != nullptr && owner != nullptr ? RecordForSize(widget, *item) : nullptr;
    if (record == nullptr) {
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }
    // A separator asks for no width; the menu's own width is then its width, which Qt grants
    // only to an item that is not empty.
    const QSize measured = owner->MeasureItem(*record);
    return {std::max(1, measured.width()), measured.height()};
}

void IconMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const {
    const auto* menu = qobject_cast<const QMenu*>(widget);
    const QAction* action =
        element == CE_MenuItem && menu != nullptr ? menu->actionAt(option->rect.center()) : nullptr;
    const IconMenuItem* record = CMenu::RecordOf(action);
    const CIconMenu* owner = OwnerOf(widget);
    if (owner == nullptr || record == nullptr) {
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

void IconMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                  const QWidget* widget) const {
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

int IconMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
    if (qobject_cast<const QMenu*>(widget) != nullptr) {
        switch (metric) {
        case PM_MenuPanelWidth:
            return ClassicMenus() ? 3 : 2;
        case PM_MenuHMargin:
        case PM_MenuVMargin:
            return 0;
        default:
            break;
        }
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}
