#pragma once

#include "app/AppSettings.h"

#include <QSize>

#include <climits>

class QWidget;

// An edge the settings file does not hold.
inline constexpr int kNoEdge = INT_MIN;
inline constexpr WindowRect kNoPlacement{kNoEdge, kNoEdge, kNoEdge, kNoEdge};

// Where a window goes that has no usable stored place.
enum class Unplaced {
    TopLeft, // its frame at the top-left corner of the primary screen's work area
    Toolkit, // where the toolkit puts it (a dialog: centred over its owner)
};

// Puts a window that is not shown yet where the settings file says (its normal rectangle:
// the client area in screen pixels), never smaller than minimum. An edge not stored stays where
// the window is. With nothing stored, or a rectangle whose title bar no screen shows (a screen
// that is gone), the window keeps the size and goes where `unplaced` says.
void RestorePlacement(QWidget& window, const WindowRect& stored, QSize minimum, Unplaced unplaced);

// The normal rectangle to store: the client area, as it is when the window is neither
// minimised nor maximised.
WindowRect NormalPlacement(const QWidget& window);
