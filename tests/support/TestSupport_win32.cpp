// The test helpers on Windows: folders under the user's temporary folder, made and removed with
// the wide-character calls.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <filesystem>
#include <windows.h>

namespace test {
namespace fs = std::filesystem;

TempDir::TempDir() {
    static unsigned serial = 0;
    const fs::path base = fs::temp_directory_path();
    for (;;) {
        const fs::path candidate = base / ("datemark-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                           std::to_string(++serial));
        if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
            m_path = candidate.string();
            return;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            ADD_FAILURE() << "cannot make a folder in " << base.string() << ": " << ::GetLastError();
            return;
        }
    }
}

TempDir::~TempDir() {
    // Read-only items cannot be removed: everything gets plain attributes first.
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(m_path, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        ::SetFileAttributesW(it->path().c_str(),
                             it->is_directory(ec) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(m_path, ec);
}

std::string TempDir::operator/(std::string_view relative) const {
    return m_path + "\\" + std::string(relative);
}

void MakeFolder(const std::string& path) {
    if (!::CreateDirectoryA(path.c_str(), nullptr)) {
        ADD_FAILURE() << "CreateDirectory " << path << ": " << ::GetLastError();
    }
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

uint64_t FileIdOf(const std::string& path) {
    const HANDLE file = ::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = file != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(file, &info);
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
    }
    EXPECT_TRUE(ok) << path;
    return static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
}

bool UnderWine() {
    static const bool wine = [] {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

} // namespace test
