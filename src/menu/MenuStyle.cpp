#include "menu/MenuStyle.h"

#include "menu/DC.h"
#include "menu/IconMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QStyleOptionMenuItem>

#include <algorithm>

namespace {

const IconMenuItem* RecordOf(const QAction* action) {
    if (action == nullptr || !action->data().isValid()) {
        return nullptr;
    }
    return reinterpret_cast<const IconMenuItem*>(action->data().value<quintptr>());
}

CIconMenu* OwnerOf(const QWidget* widget) {
    const auto* menu = qobject_cast<const QMenu*>(widget);
    return menu != nullptr ? dynamic_cast<CIconMenu*>(CMenu::FromHandle(const_cast<QMenu*>(menu))) : nullptr;
}

// The record of the item a size is asked for. The option carries no action, only its words:
// the first owner-drawn action with the same words and kind measures the same, since an item's
// size depends on nothing else.
const IconMenuItem* RecordForSize(const QMenu* menu, const QStyleOptionMenuItem& option) {
    const bool separator = option.menuItemType == QStyleOptionMenuItem::Separator;
    for (const QAction* action : menu->actions()) {
        const IconMenuItem* record = RecordOf(action);
        if (record != nullptr && action->isSeparator() == separator &&
            (separator || action->text() == option.text)) {
            return record;
        }
    }
    return nullptr;
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
    if (type == CT_MenuItem) {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        CIconMenu* owner = OwnerOf(widget);
        const IconMenuItem* record = item != nullptr && owner != nullptr
                                         ? RecordForSize(qobject_cast<const QMenu*>(widget), *item)
                                         : nullptr;
        if (record != nullptr) {
            MEASUREITEMSTRUCT measure{};
            measure.itemData = record;
            owner->MeasureItem(measure);
            // A separator asks for no width; the menu's own width is then its width, which Qt
            // grants only to an item that is not empty.
            return {std::max(1, static_cast<int>(measure.itemWidth)), static_cast<int>(measure.itemHeight)};
        }
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

void IconMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const {
    if (element == CE_MenuItem) {
        const auto* menu = qobject_cast<const QMenu*>(widget);
        CIconMenu* owner = OwnerOf(widget);
        const QAction* action = menu != nullptr ? menu->actionAt(option->rect.center()) : nullptr;
        const IconMenuItem* record = RecordOf(action);
        if (owner != nullptr && record != nullptr) {
            CDC dc(*painter);
            DRAWITEMSTRUCT draw{};
            draw.itemID = CMenu::CommandOf(action);
            draw.itemState = ((option->state & State_Selected) != 0 ? ODS_SELECTED : 0) |
                             ((option->state & State_Enabled) == 0 ? ODS_GRAYED : 0) |
                             (action->isChecked() ? ODS_CHECKED : 0);
            draw.hwndItem = const_cast<QMenu*>(menu);
            draw.hDC = &dc;
            draw.rcItem = {option->rect.left(), option->rect.top(), option->rect.right() + 1,
                           option->rect.bottom() + 1};
            draw.itemData = record;
            // Stands in for the item's own checked-state bitmap: a radio item has one.
            draw.radioCheck = action->actionGroup() != nullptr && action->actionGroup()->isExclusive();
            painter->save();
            owner->DrawItem(draw);
            painter->restore();
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

namespace {

bool ClassicMenus() {
    return GetSysColor(COLOR_3DFACE) == GetSysColor(COLOR_MENU);
}

} // namespace

void IconMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                  const QWidget* widget) const {
    if ((element == PE_FrameMenu || element == PE_PanelMenu) &&
        qobject_cast<const QMenu*>(widget) != nullptr) {
        CDC dc(*painter);
        const QRect q = option->rect;
        const CRect r{q.left(), q.top(), q.right() + 1, q.bottom() + 1};
        if (element == PE_PanelMenu) {
            dc.FillSolidRect(r, GetSysColor(COLOR_MENU));
        }
        if (ClassicMenus()) {
            dc.Draw3dRect(r, GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_BTNTEXT));
            dc.Draw3dRect({r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, GetSysColor(COLOR_BTNHIGHLIGHT),
                          GetSysColor(COLOR_BTNSHADOW));
        } else {
            dc.Draw3dRect(r, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNSHADOW));
        }
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
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
