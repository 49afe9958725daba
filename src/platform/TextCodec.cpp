#include "platform/TextCodec.h"

#include "platform/Cp932Table.h"

#include <memory>

namespace platform {

uint16_t Cp932Code(char32_t c) {
    if (c < 0x80) {
        return static_cast<uint16_t>(c);
    }
    if (c >= 0x10000) {
        return 0;
    }
    // Built once, on first use.
    static const std::unique_ptr<Cp932Table> table = [] {
        auto t = std::make_unique<Cp932Table>();
        t->fill(0);
        FillCp932Table(*t);
        return t;
    }();
    return (*table)[c];
}

} // namespace platform
