#include "res/Bitmaps.h"

#include <QFile>

namespace {

struct BitmapResource {
    int id;
    const char* path;
};

constexpr BitmapResource kBitmaps[] = {
    {idb::Toolbar, ":/bitmaps/toolbar150.bmp"},
    {idb::Commands, ":/bitmaps/menu151.bmp"},
    {idb::Exit, ":/bitmaps/menu152.bmp"},
};

} // namespace

QByteArray LoadBitmapResource(int id) {
    for (const BitmapResource& bitmap : kBitmaps) {
        if (bitmap.id == id) {
            QFile file(QString::fromLatin1(bitmap.path));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }
    }
    return {};
}
