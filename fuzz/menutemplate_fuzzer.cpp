// Parses arbitrary bytes as a menu template and checks what loading a menu relies on.
#include "menu/MenuTemplate.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto items = ParseMenuTemplate(std::span<const uint8_t>(data, size));
    if (!items) {
        return 0;
    }
    // Every level is closed: as many popups as levels, each closed by an item marked last.
    int open = 1;
    for (const MenuTemplateItem& item : *items) {
        if ((item.flags & MF_POPUP) != 0) {
            ++open;
        }
        if ((item.flags & MF_END) != 0) {
            --open;
        }
        if (open <= 0 && &item != &items->back()) {
            std::abort();
        }
    }
    if (open != 0) {
        std::abort();
    }
    // Written again, the items read back the same.
    if (ParseMenuTemplate(BuildMenuTemplate(*items)) != items) {
        std::abort();
    }
    (void)Utf8ToUtf16(Utf16ToUtf8(items->front().text));
    return 0;
}
