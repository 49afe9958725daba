#include "ui/PendingMessage.h"

QString g_pendingText;
QString g_pendingCaption;
unsigned g_pendingType = 0;

std::mutex& PendingMessageLock() {
    static std::mutex lock;
    return lock;
}
