#include "ui/PickerStyle.h"

#include <QStyleOptionComplex>

namespace {

constexpr int kSpinButtonWidth = 11;
constexpr int kDropDownWidth = 15;

} // namespace

QRect PickerStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                                  const QWidget* widget) const {
    const QRect r = option->rect;
    const int border = 2;
    if (control == CC_SpinBox) {
        const int buttonsLeft = r.right() - border - kSpinButtonWidth + 1;
        const int middle = r.top() + r.height() / 2;
        switch (sub) {
        case SC_SpinBoxUp:
            return {buttonsLeft, r.top() + border, kSpinButtonWidth, middle - r.top() - border};
        case SC_SpinBoxDown:
            return {buttonsLeft, middle, kSpinButtonWidth, r.bottom() - border - middle + 1};
        case SC_SpinBoxEditField:
            return QRect(QPoint(r.left() + border, r.top() + border),
                         QPoint(buttonsLeft - 1, r.bottom() - border));
        default:
            break;
        }
    } else if (control == CC_ComboBox) {
        const int arrowLeft = r.right() - border - kDropDownWidth + 1;
        switch (sub) {
        case SC_ComboBoxArrow:
            return {arrowLeft, r.top() + border, kDropDownWidth, r.height() - 2 * border};
        case SC_ComboBoxEditField:
            return QRect(QPoint(r.left() + border, r.top() + border),
                         QPoint(arrowLeft - 1, r.bottom() - border));
        default:
            break;
        }
    }
    return QProxyStyle::subControlRect(control, option, sub, widget);
}

QFont PickerStyle::PickerFont(const QFont& dialogFont) {
    QFont font = dialogFont;
    font.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                      QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP")});
    return font;
}
