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

bool InRange(int index, size_t size) {
    return index >= 0 && static_cast<size_t>(index) < size;
}

} // namespace

SysColorTable DefaultSysColors() {
    using namespace win32::color;
    SysColorTable t{};
    t.fill(Rgb(192, 192, 192));
    t[MenuText] = Rgb(0, 0, 0);
    t[Highlight] = Rgb(0, 0, 128);
    t[HighlightText] = Rgb(255, 255, 255);
    t[BtnShadow] = Rgb(128, 128, 128);
    t[GrayText] = Rgb(128, 128, 128);
    t[BtnText] = Rgb(0, 0, 0);
    t[BtnHighlight] = Rgb(255, 255, 255);
    t[Light3d] = Rgb(223, 223, 223);
    return t;
}

void SetSysColors(const SysColorTable& colors) {
    const std::lock_guard lock(State().mutex);
    State().colors = colors;
}

uint32_t SysColor(int index) {
    const std::lock_guard lock(State().mutex);
    return InRange(index, State().colors.size()) ? State().colors[static_cast<size_t>(index)] : 0;
}

void SetSystemMetric(int index, int value) {
    const std::lock_guard lock(State().mutex);
    if (InRange(index, State().metrics.size())) {
        State().metrics[static_cast<size_t>(index)] = value;
    }
}

int SystemMetric(int index) {
    const std::lock_guard lock(State().mutex);
    if (!InRange(index, State().metrics.size())) {
        return 0;
    }
    const int value = State().metrics[static_cast<size_t>(index)];
    return index == win32::sm::CyMenu && value == 0 ? 19 : value;
}

} // namespace platform
