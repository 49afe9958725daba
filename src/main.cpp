#include "version/AppVersion.h"

#include <cstdio>

int main() {
    std::printf("Datemark %s\n", APP_VERSION);
    return 0;
}
