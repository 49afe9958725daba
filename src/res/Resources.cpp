#include "res/Resources.h"

#include <QtGlobal>

void InitResources() {
    Q_INIT_RESOURCE(images);
    Q_INIT_RESOURCE(bitmaps);
}
