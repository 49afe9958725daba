#pragma once

#include <QProxyStyle>

// The date and time pickers in their template sizes: slimmer arrow buttons than the desktop
// style draws, so that a whole date and time fit beside them as they do in the classic picker.
class PickerStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override;

    // The font of the pickers: the dialog's size in a fixed-pitch Japanese Gothic, whose
    // half-width digits take half of a full-width character like the classic fonts' do.
    static QFont PickerFont(const QFont& dialogFont);
};
