#pragma once

#include <QWidget>

namespace test {

// Shows a window offscreen and lets Qt deliver what showing it sends.
void ShowAndSettle(QWidget& window);

// Gives a shown window a new client size and delivers the resize.
void ResizeAndSettle(QWidget& window, int width, int height);

// Lets Qt deliver pending events.
void Settle();

} // namespace test
