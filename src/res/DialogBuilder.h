#pragma once

#include "res/DialogTemplate.h"

#include <QFont>
#include <QRect>

#include <functional>
#include <map>

class QDialog;
class QWidget;

// The frame of the program's dialogs: a caption with the system menu and the close box, and no
// other button (without CustomizeWindowHint the window manager adds its own).
inline constexpr Qt::WindowFlags kDialogFrame = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

// The controls a template made, by id.
class DialogControls {
public:
    QWidget* Item(int id) const;
    template <typename T> T* Get(int id) const { return qobject_cast<T*>(Item(id)); }
    void Add(int id, QWidget* widget) { m_items[id] = widget; }

private:
    std::map<int, QWidget*> m_items;
};

// Pixels per dialog unit, from the dialog's font as Windows measures it: the average width of
// the letters A-Z and a-z over 4, the font's height over 8.
struct DialogUnits {
    int baseX = 6;
    int baseY = 12;

    static DialogUnits ForFont(const QFont& font);
    int X(int units) const { return (units * baseX + 2) / 4; }
    int Y(int units) const { return (units * baseY + 4) / 8; }
    QRect Rect(int x, int y, int cx, int cy) const {
        return {X(x), Y(y), X(x + cx) - X(x), Y(y + cy) - Y(y)};
    }
};

// Makes a template's controls as children of a dialog, places them, chains the tab order and
// sizes the dialog's client area. Controls of a program's own class come from a factory by id.
class DialogBuilder {
public:
    using Factory = std::function<QWidget*(const ControlTemplate&, QWidget* parent)>;

    // The template's font, or the installed Japanese Gothic fonts where it is missing.
    static QFont DialogFont(const DialogTemplate& dialogTemplate);

    static DialogControls Build(QDialog& dialog, const DialogTemplate& dialogTemplate,
                                const std::map<int, Factory>& factories = {});
};
