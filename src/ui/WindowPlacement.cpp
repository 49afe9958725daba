#include "ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

// How much of a window's top edge a screen must show for the user to grab its title bar.
constexpr int kGrabWidth = 100;
constexpr int kGrabHeight = 32;

bool TitleBarShown(const QRect& client) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        const int overlap = std::min(client.right(), area.right()) - std::max(client.left(), area.left()) + 1;
        if (client.top() >= area.top() && client.top() <= area.bottom() - kGrabHeight &&
            overlap >= std::min(kGrabWidth, client.width())) {
            return true;
        }
    }
    return false;
}

} // namespace

void RestorePlacement(QWidget& window, const WindowRect& stored, QSize minimum, Unplaced unplaced) {
    const QRect now = window.geometry();
    const int left = stored.left == kNoEdge ? now.left() : stored.left;
    const int top = stored.top == kNoEdge ? now.top() : stored.top;
    const int right = stored.right == kNoEdge ? now.left() + now.width() : stored.right;
    const int bottom = stored.bottom == kNoEdge ? now.top() + now.height() : stored.bottom;
    const QSize size = QSize(right - left, bottom - top).expandedTo(minimum);
    const QRect wanted(QPoint(left, top), size);
    if (stored != kNoPlacement && TitleBarShown(wanted)) {
        window.setGeometry(wanted);
        return;
    }
    window.resize(size);
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen && unplaced == Unplaced::TopLeft) {
        // Before the window is shown, move() places its frame, which the window manager adds.
        window.move(screen->availableGeometry().topLeft());
    }
}

WindowRect NormalPlacement(const QWidget& window) {
    const QRect r =
        window.isMaximized() || window.isMinimized() ? window.normalGeometry() : window.geometry();
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}
