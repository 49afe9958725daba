#pragma once

#include "platform/Win32Constants.h"

#include <QString>

class QWidget;

// A modal message box with exactly this text, caption, icon and buttons; the text is always
// plain text. type: win32::mb values. Returns the button pressed (win32::id Ok, Yes, No).
int ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned type);
