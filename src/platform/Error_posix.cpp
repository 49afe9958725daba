#include "platform/Error.h"

#include <cerrno>
#include <cstring>
#include <locale.h>

namespace platform {
namespace {

locale_t UserLocale() {
    // Made once: strerror_l needs a locale object, and the process locale may still be "C"
    // when the core runs without the GUI.
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_ALL_MASK, "", nullptr);
        return l != nullptr ? l : newlocale(LC_ALL_MASK, "C", nullptr);
    }();
    return locale;
}

} // namespace

std::error_code LastError() {
    return {errno, std::system_category()};
}

std::string SystemErrorText(int code, const char* localeName) {
    // glibc invents "Unknown error N" for codes it has no text for; the line then gets none.
    if (strerrorname_np(code) == nullptr) {
        return {};
    }
    locale_t named = nullptr;
    if (localeName != nullptr && *localeName != '\0') {
        named = newlocale(LC_ALL_MASK, localeName, nullptr);
    }
    std::string text = strerror_l(code, named != nullptr ? named : UserLocale());
    if (named != nullptr) {
        freelocale(named);
    }
    return text;
}

} // namespace platform
