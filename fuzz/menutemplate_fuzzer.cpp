// Parses arbitrary bytes as a menu template and checks what loading a menu relies on.
#include "FuzzCheck.h"
#include "menu/MenuTemplate.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto items = ParseMenuTemplate(std::span<const uint8_t>(data, size));
    if (!items) {
        return 0;
    }
    // Every level is closed, by the last item and not before; a popup's items are one level
    // below it, and an item never goes deeper otherwise.
    int open = 1;
    const MenuTemplateItem* previous = nullptr;
    for (const MenuTemplateItem& item : *items) {
        Check(open > 0, "an item after the last level ended");
        const bool opened = previous == nullptr || (previous->flags & win32::mf::Popup) != 0;
        const int above = previous != nullptr ? previous->level : -1;
        Check(opened ? item.level == above + 1 : item.level >= 0 && item.level <= above, "a wrong level");
        open += ((item.flags & win32::mf::Popup) != 0 ? 1 : 0) - ((item.flags & win32::mf::End) != 0 ? 1 : 0);
        previous = &item;
    }
    Check(open == 0, "a level left open");
    return 0;
}
