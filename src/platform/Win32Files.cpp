#include "platform/Win32Files.h"

namespace platform {

std::wstring Wide(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int size =
        ::MultiByteToWideChar(kProgramCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(kProgramCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

std::string Narrow(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = ::WideCharToMultiByte(kProgramCodePage, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(kProgramCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                          nullptr, nullptr);
    return out;
}

std::wstring LongPath(const std::string& path) {
    const std::wstring wide = Wide(path);
    if (wide.rfind(L"\\\\?\\", 0) == 0) {
        return wide;
    }
    // GetFullPathNameW also turns "/" into "\" and takes "." and ".." away, which \\?\ paths
    // would keep as names.
    std::wstring full(wide.size() + MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) {
            return {};
        }
        if (n < full.size()) {
            full.resize(n);
            break;
        }
        full.resize(n);
    }
    if (full.rfind(L"\\\\", 0) == 0) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

std::error_code Win32Error(DWORD code) {
    return {static_cast<int>(code), std::system_category()};
}

UtcTime FromFileTime(const FILETIME& time) {
    return FromFileTimeTicks(static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime);
}

bool ToFileTime(const UtcTime& time, FILETIME& out) {
    const auto ticks = ToFileTimeTicks(time);
    if (!ticks) {
        return false;
    }
    out.dwLowDateTime = static_cast<DWORD>(*ticks);
    out.dwHighDateTime = static_cast<DWORD>(*ticks >> 32);
    return true;
}

} // namespace platform
