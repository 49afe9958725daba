#include "ui/MessageBox.h"

#include <QMessageBox>

int ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned type) {
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (type & 0xF0) {
    case win32::mb::IconStop:
        box.setIcon(QMessageBox::Critical);
        break;
    case win32::mb::IconQuestion:
        box.setIcon(QMessageBox::Question);
        break;
    case win32::mb::IconExclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case win32::mb::IconInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    if ((type & 0xF) == win32::mb::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int pressed = box.exec();
    return pressed == QMessageBox::Yes  ? win32::id::Yes
           : pressed == QMessageBox::No ? win32::id::No
                                        : win32::id::Ok;
}
