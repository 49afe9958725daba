#include "res/Bitmaps.h"

#include <QFile>

QByteArray LoadBitmapResource(int id) {
    QFile file(QStringLiteral(":/bitmaps/%1.bmp").arg(id));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
