#include "res/Bitmaps.h"

#include "res/DialogTemplate.h"

#include <QFile>

#include <algorithm>
#include <iterator>

namespace {

// The buttons of toolbar 150 in order; 0 is a separator.
constexpr unsigned kMainToolbar[] = {
    idc::AddFiles, idc::AddFolder, idc::Delete, 0, idc::Properties, idc::Explorer, 0, idc::Update,
};

} // namespace

QByteArray LoadBitmapResource(int id) {
    QFile file(QStringLiteral(":/bitmaps/%1.bmp").arg(id));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool FindToolbarImage(unsigned commandId, int toolbarId, int* imageIndex) {
    const auto* button = std::find(std::begin(kMainToolbar), std::end(kMainToolbar), commandId);
    if (toolbarId != idb::Toolbar || commandId == 0 || button == std::end(kMainToolbar)) {
        return false;
    }
    const auto image = std::count_if(std::begin(kMainToolbar), button, [](unsigned c) { return c != 0; });
    if (image > 0 && imageIndex != nullptr) {
        *imageIndex = static_cast<int>(image);
    }
    return true;
}
