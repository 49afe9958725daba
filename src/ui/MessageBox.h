#pragma once

#include <QString>

class QWidget;

// Message box types and answers with the values Windows gives them.
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_YESNO = 0x4;
inline constexpr unsigned MB_ICONSTOP = 0x10;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// A modal message box with exactly this text, caption, icon and buttons; the text is always
// plain text. Returns the button pressed (IDOK, IDYES, IDNO).
int ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned type);
