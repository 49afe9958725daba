#include "platform/SysColors.h"

#include <mutex>

namespace platform {
namespace {

struct Tables {
    std::mutex mutex;
    SysColorTable colors = DefaultSysColors();
    std::array<int, 100> metrics{};
};

Tables& State() {
    static Tables tables;
    return tables;
}

} // namespace

SysColorTable DefaultSysColors() {
    SysColorTable t{};
    t.fill(RGB(192, 192, 192));
    t[COLOR_MENU] = RGB(192, 192, 192);
    t[COLOR_MENUTEXT] = RGB(0, 0, 0);
    t[COLOR_HIGHLIGHT] = RGB(0, 0, 128);
    t[COLOR_HIGHLIGHTTEXT] = RGB(255, 255, 255);
    t[COLOR_3DFACE] = RGB(192, 192, 192);
    t[COLOR_BTNSHADOW] = RGB(128, 128, 128);
    t[COLOR_GRAYTEXT] = RGB(128, 128, 128);
    t[COLOR_BTNTEXT] = RGB(0, 0, 0);
    t[COLOR_BTNHIGHLIGHT] = RGB(255, 255, 255);
    t[COLOR_3DLIGHT] = RGB(223, 223, 223);
    return t;
}

#ifndef _WIN32
void SetSysColors(const SysColorTable& colors) {
    const std::lock_guard lock(State().mutex);
    State().colors = colors;
}

void SetSystemMetric(int index, int value) {
    const std::lock_guard lock(State().mutex);
    if (index >= 0 && index < static_cast<int>(State().metrics.size())) {
        State().metrics[static_cast<size_t>(index)] = value;
    }
}
#endif

} // namespace platform

#ifndef _WIN32
COLORREF GetSysColor(int index) {
    auto& state = platform::State();
    const std::lock_guard lock(state.mutex);
    return index >= 0 && index < platform::kSysColorCount ? state.colors[static_cast<size_t>(index)] : 0;
}

int GetSystemMetrics(int index) {
    auto& state = platform::State();
    const std::lock_guard lock(state.mutex);
    if (index == SM_CYMENU && state.metrics[SM_CYMENU] == 0) {
        return 19; // a menu line at 96 dots per inch
    }
    return index >= 0 && index < static_cast<int>(state.metrics.size())
               ? state.metrics[static_cast<size_t>(index)]
               : 0;
}
#endif
