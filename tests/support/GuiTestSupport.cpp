#include "support/GuiTestSupport.h"

#include <QApplication>
#include <QTest>

namespace test {

void Settle() {
    QApplication::processEvents();
    QApplication::processEvents();
}

void ShowAndSettle(QWidget& window) {
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    Settle();
}

void ResizeAndSettle(QWidget& window, int width, int height) {
    window.resize(width, height);
    Settle();
}

} // namespace test
