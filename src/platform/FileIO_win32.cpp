// Whole-file reads and replacements with the wide-character calls. Windows refuses to rename a
// file over one that is open, so UpdateFile cannot hold the old file from the read to the
// replacement as POSIX does: a named mutex per path keeps two updates apart instead, and
// ReadFileBytes takes it only where a file is rewritten in place (more than one link), as a
// replaced file is never seen half-written.
#include "platform/Error.h"
#include "platform/FileIO.h"
#include "platform/Path.h"
#include "platform/Win32Files.h"

#include <io.h>

namespace platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string FolderOf(const std::string& path) {
    std::string folder = SplitPath(path, PathStyle::Windows).folder;
    while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/') &&
           folder[folder.size() - 2] != ':') {
        folder.pop_back();
    }
    return folder.empty() ? std::string(".") : folder;
}

std::error_code MakeFolders(const std::string& folder) {
    const std::wstring wide = LongPath(folder);
    if (::GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return {};
    }
    const std::string parent = FolderOf(folder);
    if (parent != folder) {
        if (auto ec = MakeFolders(parent)) {
            return ec;
        }
    }
    return ::CreateDirectoryW(wide.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS
               ? std::error_code()
               : LastError();
}

std::error_code OpenExisting(const std::string& path, DWORD access, UniqueHandle& out) {
    const std::wstring wide = LongPath(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return LastError();
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    // Said before opening: Windows refuses a read-only file to writers, but Wine lets an
    // administrator (root) open it.
    if ((access & GENERIC_WRITE) != 0 && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return Win32Error(ERROR_ACCESS_DENIED);
    }
    out.Reset(::CreateFileW(wide.c_str(), access, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    if (!out.Valid()) {
        return LastError();
    }
    return ::GetFileType(out.Get()) == FILE_TYPE_DISK ? std::error_code()
                                                      : std::make_error_code(std::errc::invalid_argument);
}

std::error_code ReadOpenFile(HANDLE file, size_t maxBytes, std::string& out) {
    out.clear();
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) {
        return LastError();
    }
    if (static_cast<uint64_t>(size.QuadPart) > maxBytes) {
        return std::make_error_code(std::errc::file_too_large);
    }
    out.resize(static_cast<size_t>(size.QuadPart));
    LARGE_INTEGER start{};
    ::SetFilePointerEx(file, start, nullptr, FILE_BEGIN);
    DWORD n = 0;
    if (!out.empty() && !::ReadFile(file, out.data(), static_cast<DWORD>(out.size()), &n, nullptr)) {
        return LastError();
    }
    out.resize(n);
    return {};
}

std::error_code WriteAll(HANDLE file, std::string_view bytes) {
    DWORD n = 0;
    if (!bytes.empty() && !::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr)) {
        return LastError();
    }
    return n == bytes.size() ? std::error_code() : Win32Error(ERROR_DISK_FULL);
}

// Held while a file is read, changed and written back: one per path, across processes.
class UpdateMutex {
public:
    explicit UpdateMutex(const std::wstring& longPath) {
        // Windows names are case-blind: so is the mutex's. FNV-1a keeps the name short.
        uint64_t hash = 14695981039346656037ULL;
        for (const wchar_t c : longPath) {
            hash = (hash ^ static_cast<uint16_t>(::towlower(c))) * 1099511628211ULL;
        }
        const std::wstring name = L"Local\\Datemark-update-" + std::to_wstring(hash);
        m_handle.Reset(::CreateMutexW(nullptr, FALSE, name.c_str()));
        if (m_handle.Valid()) {
            const DWORD waited = ::WaitForSingleObject(m_handle.Get(), INFINITE);
            m_owned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED; // abandoned: its holder died
        }
    }
    ~UpdateMutex() {
        if (m_owned) {
            ::ReleaseMutex(m_handle.Get());
        }
    }
    UpdateMutex(const UpdateMutex&) = delete;
    UpdateMutex& operator=(const UpdateMutex&) = delete;

private:
    UniqueHandle m_handle{nullptr};
    bool m_owned = false;
};

// Writes bytes to a new file beside target and puts it in target's place, with target's
// attributes; the temporary file is gone whatever happens.
std::error_code Replace(const std::wstring& target, DWORD attributes, std::string_view bytes) {
    const std::wstring temporary = target + L"." + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
    UniqueHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        return LastError();
    }
    std::error_code ec = WriteAll(file.Get(), bytes);
    if (!ec && !::FlushFileBuffers(file.Get())) {
        ec = LastError();
    }
    file.Reset();
    if (!ec &&
        !::SetFileAttributesW(temporary.c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes)) {
        ec = LastError();
    }
    // A reader holding the old file open for a moment makes the rename fail: it is tried again
    // for up to a second.
    for (int tries = 0; !ec; ++tries) {
        if (::MoveFileExW(temporary.c_str(), target.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            break;
        }
        const DWORD code = ::GetLastError();
        if ((code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION) || tries == 100) {
            ec = Win32Error(code);
        } else {
            ::Sleep(10);
        }
    }
    if (ec) {
        ::SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(temporary.c_str());
    }
    return ec;
}

std::error_code RewriteInPlace(HANDLE file, const std::string& old, std::string_view bytes) {
    LARGE_INTEGER start{};
    ::SetFilePointerEx(file, start, nullptr, FILE_BEGIN);
    std::error_code ec = WriteAll(file, bytes);
    if (!ec && !::SetEndOfFile(file)) {
        ec = LastError();
    }
    if (ec) {
        ::SetFilePointerEx(file, start, nullptr, FILE_BEGIN);
        WriteAll(file, old);
        ::SetEndOfFile(file);
    }
    return ec;
}

std::error_code CreateNew(const std::wstring& target, std::string_view bytes, bool& existed) {
    existed = false;
    UniqueHandle file(
        ::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        existed = ::GetLastError() == ERROR_FILE_EXISTS;
        return LastError();
    }
    std::error_code ec = WriteAll(file.Get(), bytes);
    if (!ec && !::FlushFileBuffers(file.Get())) {
        ec = LastError();
    }
    file.Reset();
    if (ec) {
        ::DeleteFileW(target.c_str());
    }
    return ec;
}

} // namespace

std::error_code ReadFileBytes(const std::string& path, size_t maxBytes, std::string& out) {
    out.clear();
    UniqueHandle file;
    if (auto ec = OpenExisting(path, GENERIC_READ, file)) {
        return ec;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(file.Get(), &info) && info.nNumberOfLinks > 1) {
        const UpdateMutex update(LongPath(path));
        return ReadOpenFile(file.Get(), maxBytes, out);
    }
    return ReadOpenFile(file.Get(), maxBytes, out);
}

std::error_code UpdateFile(const std::string& path, size_t maxBytes, CreateFolders createFolders,
                           const FileChange& change) {
    const std::wstring target = LongPath(path);
    if (target.empty()) {
        return LastError();
    }
    const UpdateMutex update(target);
    for (;;) {
        UniqueHandle file;
        std::error_code ec = OpenExisting(path, GENERIC_READ | GENERIC_WRITE, file);
        if (ec == std::errc::no_such_file_or_directory) {
            if (createFolders == CreateFolders::Yes) {
                if (auto made = MakeFolders(FolderOf(path))) {
                    return made;
                }
            }
            const auto bytes = change(std::nullopt);
            if (!bytes) {
                return {};
            }
            bool existed = false;
            ec = CreateNew(target, *bytes, existed);
            if (!existed) {
                return ec;
            }
            continue; // made meanwhile by a program that does not take the mutex
        }
        if (ec) {
            return ec;
        }
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(file.Get(), &info)) {
            return LastError();
        }
        std::string old;
        if (auto read = ReadOpenFile(file.Get(), maxBytes, old)) {
            return read;
        }
        const auto bytes = change(old);
        if (!bytes) {
            return {};
        }
        if (info.nNumberOfLinks > 1) {
            return RewriteInPlace(file.Get(), old, *bytes);
        }
        file.Reset();
        return Replace(target, info.dwFileAttributes, *bytes);
    }
}

bool CanUpdateFile(const std::string& path) {
    const std::wstring target = LongPath(path);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
            return false;
        }
        UniqueHandle file(::CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) {
            return false;
        }
    }
    // The folder, by making a file in it that goes when closed.
    const std::string name = "datemark-probe-" + std::to_string(::GetCurrentProcessId()) + "-" +
                             std::to_string(::GetCurrentThreadId()) + ".tmp";
    const std::wstring probe = LongPath(JoinPath(FolderOf(path), name, PathStyle::Windows));
    UniqueHandle file(::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return file.Valid();
}

std::unique_ptr<AppendFile> AppendFile::Create(const std::string& path, CreateFolders createFolders,
                                               size_t reserveBytes, std::error_code& error) {
    error.clear();
    if (createFolders == CreateFolders::Yes && (error = MakeFolders(FolderOf(path)))) {
        return nullptr;
    }
    const std::wstring wide = LongPath(path);
    UniqueHandle file(::CreateFileW(wide.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        error = LastError();
        return nullptr;
    }
    // Held as allocation only: the size stays 0 and appending uses the space.
    if (reserveBytes > 0) {
        FILE_ALLOCATION_INFO allocation{};
        allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(reserveBytes);
        if (!::SetFileInformationByHandle(file.Get(), FileAllocationInfo, &allocation, sizeof allocation) &&
            ::GetLastError() == ERROR_DISK_FULL) {
            error = LastError();
            file.Reset();
            ::DeleteFileW(wide.c_str());
            return nullptr;
        }
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file.Get()), 0);
    if (fd < 0) {
        error = std::make_error_code(std::errc::too_many_files_open);
        return nullptr;
    }
    file.Release();
    return std::unique_ptr<AppendFile>(new AppendFile(fd, 0)); // the allocation above holds the space
}

AppendFile::~AppendFile() {
    Close();
}

std::error_code AppendFile::Append(std::string_view record) {
    // One write for the record (see the POSIX body): whole, or a length and check that show it.
    return WriteAll(reinterpret_cast<HANDLE>(::_get_osfhandle(m_fd)), record);
}

std::error_code AppendFile::Sync() {
    return ::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(m_fd))) ? std::error_code()
                                                                                : LastError();
}

std::error_code AppendFile::Close() {
    if (m_fd < 0) {
        return {};
    }
    // Closing gives the allocation beyond the end back by itself.
    const int result = ::_close(m_fd);
    m_fd = -1;
    return result == 0 ? std::error_code() : std::make_error_code(std::errc::io_error);
}

std::error_code ListFolder(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    const std::wstring pattern = LongPath(JoinPath(folder, "*", PathStyle::Windows));
    WIN32_FIND_DATAW data{};
    HANDLE find =
        ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
        return ::GetLastError() == ERROR_FILE_NOT_FOUND ? std::error_code() : LastError();
    }
    do {
        const std::wstring_view name(data.cFileName);
        if (name != L"." && name != L"..") {
            names.push_back(Narrow(name));
        }
    } while (::FindNextFileW(find, &data));
    const std::error_code error = ::GetLastError() != ERROR_NO_MORE_FILES ? LastError() : std::error_code();
    ::FindClose(find);
    return error;
}

std::error_code RemoveFile(const std::string& path) {
    return ::DeleteFileW(LongPath(path).c_str()) ? std::error_code() : LastError();
}

} // namespace platform
