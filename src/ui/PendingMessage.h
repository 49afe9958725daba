#pragma once

#include <QString>

#include <mutex>

// The message a version check has the window show: written by the check's thread right before
// it asks the window to show it, read by the window while it shows it. The lock keeps two checks
// from writing it at once; a check holds it for as long as its messages are up.
extern QString g_pendingText;
extern QString g_pendingCaption;
extern unsigned g_pendingType;

std::mutex& PendingMessageLock();
