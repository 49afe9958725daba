#include "res/DialogBuilder.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimeEdit>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>
#include <vector>

namespace {

const QDate kFirstDate(1601, 1, 1);
const QDate kLastDate(9999, 12, 31);

// Lines the calendar pop-up's right edge up with the picker's (the toolkit lines up the left
// edges), keeping it on the picker's screen.
class CalendarRightAlign : public QObject {
public:
    CalendarRightAlign(QDateEdit* picker, QWidget* popup) : QObject(picker), m_picker(picker) {
        popup->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* popup = static_cast<QWidget*>(watched);
        // The pop-up may still change its size once shown.
        if (event->type() == QEvent::Show || (event->type() == QEvent::Resize && popup->isVisible())) {
            const QPoint rightEdge = m_picker->mapToGlobal(QPoint(m_picker->width(), 0));
            int x = rightEdge.x() - popup->width();
            if (const QScreen* screen = m_picker->screen()) {
                const QRect area = screen->availableGeometry();
                x = std::clamp(x, area.left(), std::max(area.left(), area.right() + 1 - popup->width()));
            }
            popup->move(x, popup->y());
        }
        return false;
    }

private:
    QDateEdit* m_picker;
};

QWidget* MakeControl(const ControlTemplate& c, QWidget* parent) {
    const QString text = QString::fromUtf8(c.text);
    switch (c.kind) {
    case ControlKind::CheckBox:
        return new QCheckBox(text, parent);
    case ControlKind::PushLikeCheckBox: {
        auto* button = new QPushButton(text, parent);
        button->setCheckable(true);
        button->setAutoDefault(false);
        return button;
    }
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton: {
        auto* button = new QPushButton(text, parent);
        button->setAutoDefault(true);
        button->setDefault(c.kind == ControlKind::DefaultPushButton);
        return button;
    }
    case ControlKind::DatePicker: {
        auto* picker = new QDateEdit(QDate::currentDate(), parent);
        picker->setDateRange(kFirstDate, kLastDate);
        picker->setCalendarPopup(true);
        if ((c.style & style::RightAlign) != 0) {
            new CalendarRightAlign(picker, picker->calendarWidget()->window());
        }
        return picker;
    }
    case ControlKind::TimePicker:
        return new QTimeEdit(QTime::currentTime(), parent);
    case ControlKind::ListView:
        return new QTreeView(parent);
    case ControlKind::GroupBox: {
        auto* group = new QGroupBox(text, parent);
        // Only a frame: the controls inside are the dialog's own and must get the clicks.
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        group->setFocusPolicy(Qt::NoFocus);
        return group;
    }
    case ControlKind::ToolButton: {
        auto* button = new QToolButton(parent);
        button->setAutoRaise(true);
        button->setToolTip(text);
        button->setFocusPolicy(Qt::NoFocus);
        return button;
    }
    case ControlKind::MultiLineEdit: {
        auto* edit = new QPlainTextEdit(parent);
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit->setReadOnly((c.style & style::ReadOnly) != 0);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        return edit;
    }
    case ControlKind::Icon: {
        // The program's icon, as large as the control.
        auto* label = new QLabel(parent);
        const int side = std::min(c.cx, c.cy) >= 16 ? 32 : 16;
        label->setPixmap(QGuiApplication::windowIcon().pixmap(side, side));
        return label;
    }
    case ControlKind::Label: {
        auto* label = new QLabel(text, parent);
        label->setTextFormat(Qt::PlainText);
        if ((c.style & style::Centred) != 0) {
            label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        }
        return label;
    }
    case ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        return bar;
    }
    }
    return nullptr;
}

} // namespace

QWidget* DialogControls::Item(int id) const {
    const auto it = m_items.find(id);
    return it == m_items.end() ? nullptr : it->second;
}

DialogUnits DialogUnits::ForFont(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    DialogUnits units;
    units.baseX = (width / 26 + 1) / 2;
    units.baseY = metrics.height();
    return units;
}

QFont DialogBuilder::DialogFont(const DialogTemplate& t) {
    QFont font;
    font.setFamilies({QString::fromUtf8(t.fontName), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("IPAGothic")});
    font.setPointSize(t.fontPoints);
    return font;
}

DialogControls DialogBuilder::Build(QDialog& dialog, const DialogTemplate& t,
                                    const std::map<int, Factory>& factories) {
    dialog.setWindowTitle(QString::fromUtf8(t.caption));
    dialog.setFont(DialogFont(t));
    const DialogUnits units = DialogUnits::ForFont(dialog.font());
    DialogControls controls;
    std::vector<QWidget*> tabOrder;
    std::vector<QWidget*> frames;
    for (const ControlTemplate& c : t.controls) {
        const auto factory = factories.find(c.id);
        QWidget* widget = factory != factories.end() ? factory->second(c, &dialog) : MakeControl(c, &dialog);
        widget->setGeometry(units.Rect(c.x, c.y, c.cx, c.cy));
        widget->setProperty("dialogId", c.id);
        widget->setEnabled((c.style & style::Disabled) == 0);
        if (c.kind == ControlKind::GroupBox) {
            frames.push_back(widget);
        } else if ((c.style & style::TabStop) != 0) {
            tabOrder.push_back(widget);
        } else if (widget->focusPolicy() != Qt::NoFocus) {
            widget->setFocusPolicy(Qt::ClickFocus);
        }
        if (c.id >= 0) {
            controls.Add(c.id, widget);
        }
    }
    for (QWidget* frame : frames) {
        frame->lower();
    }
    for (size_t i = 1; i < tabOrder.size(); ++i) {
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
    dialog.resize(units.X(t.cx), units.Y(t.cy));
    return controls;
}
