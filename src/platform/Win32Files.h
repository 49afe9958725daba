#pragma once

// What the Windows bodies of the layer share; not part of its interface.

#include "platform/FileSystem.h"
#include "platform/Win32.h"

#include <string>
#include <string_view>
#include <system_error>

namespace platform {

// The code page of every path and text the program holds on Windows (see platform/Path.h).
inline constexpr UINT kProgramCodePage = 932;

// The program's bytes as UTF-16, and back; a character with no code page 932 code becomes the
// code page's default character.
std::wstring Wide(std::string_view text);
std::string Narrow(std::wstring_view text);

// A path as the wide-character calls take it: made absolute, and prefixed with \\?\ (\\?\UNC\ for
// a share) so that no length limit applies. Empty when it cannot be made absolute.
std::wstring LongPath(const std::string& path);

std::error_code Win32Error(DWORD code);

// Owns a handle and closes it once.
class UniqueHandle {
public:
    explicit UniqueHandle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE Get() const { return m_handle; }
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE Release() {
        HANDLE h = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return h;
    }
    void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (Valid()) {
            ::CloseHandle(m_handle);
        }
        m_handle = handle;
    }

private:
    HANDLE m_handle;
};

// The door of the Windows bodies to an item's handle and the path it was opened by.
struct ItemAccess {
    static HANDLE Handle(const Item& item) { return reinterpret_cast<HANDLE>(item.m_handle); }
    static UtcTime Updated(const Item& item) { return item.m_updated; }
    // An item over an open handle, which it then owns.
    static Item Adopt(HANDLE handle, std::error_code& error);
};

// The same for folders: the handle a listing reads.
struct DirectoryAccess {
    static HANDLE Handle(const Directory& folder);
};

// Times between Windows file times and UtcTime.
UtcTime FromFileTime(const FILETIME& time);
bool ToFileTime(const UtcTime& time, FILETIME& out);

} // namespace platform
