#include "platform/Error.h"
#include "platform/Win32Files.h"

namespace platform {
namespace {

// "ja_JP.UTF-8" as Windows names languages ("ja-JP"); 0, the user's own, when none is named or
// Windows does not know it.
LANGID LanguageOf(const char* localeName) {
    if (localeName == nullptr || *localeName == '\0') {
        return 0;
    }
    std::string name(localeName);
    name = name.substr(0, name.find_first_of(".@"));
    for (char& c : name) {
        c = c == '_' ? '-' : c;
    }
    const LCID lcid = ::LocaleNameToLCID(Wide(name).c_str(), 0);
    return lcid != 0 ? LANGIDFROMLCID(lcid) : 0;
}

std::wstring MessageOf(DWORD code, LANGID language) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, language, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer != nullptr ? buffer : L"", length);
    ::LocalFree(buffer);
    return text;
}

} // namespace

std::error_code LastError() {
    return Win32Error(::GetLastError());
}

std::string SystemErrorText(int code, const char* localeName) {
    const auto dword = static_cast<DWORD>(code);
    std::wstring text = MessageOf(dword, LanguageOf(localeName));
    if (text.empty()) {
        text = MessageOf(dword, 0);
    }
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return Narrow(text);
}

} // namespace platform
