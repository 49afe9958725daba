#include "platform/Process.h"
#include "platform/Win32Files.h"

#include <shellapi.h>

namespace platform {
namespace {

std::string Variable(const wchar_t* name) {
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return {};
    }
    std::wstring value(size, L'\0');
    value.resize(::GetEnvironmentVariableW(name, value.data(), size));
    return Narrow(value);
}

HANDLE HandleOf(StdStream stream) {
    return ::GetStdHandle(stream == StdStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

} // namespace

std::string ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            return {};
        }
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    // The \\?\ form a long path may come in is not shown.
    if (path.rfind(L"\\\\?\\", 0) == 0 && path.rfind(L"\\\\?\\UNC\\", 0) != 0) {
        path.erase(0, 4);
    }
    return Narrow(path);
}

std::vector<std::string> Arguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        return {argv, argv + argc};
    }
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) {
        out.push_back(Narrow(wide[i]));
    }
    ::LocalFree(wide);
    return out;
}

std::string CurrentFolder() {
    const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
    if (size == 0) {
        return {};
    }
    std::wstring path(size, L'\0');
    path.resize(::GetCurrentDirectoryW(size, path.data()));
    return Narrow(path);
}

int ProcessId() {
    return static_cast<int>(::GetCurrentProcessId());
}

uint32_t EffectiveUser() {
    return 0; // rights go by token and access lists, not by one number
}

std::string HomeFolder() {
    return Variable(L"USERPROFILE");
}

std::string ConfigHome() {
    return Variable(L"APPDATA");
}

std::string StateHome() {
    return Variable(L"LOCALAPPDATA");
}

std::optional<unsigned> CurrentUmask() {
    return std::nullopt; // Windows has none: new files get their folder's inherited rights
}

bool IsTerminal(StdStream stream) {
    DWORD mode = 0;
    return ::GetConsoleMode(HandleOf(stream), &mode) != 0;
}

int TerminalColumns(StdStream stream) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(HandleOf(stream), &info)) {
        return 80;
    }
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    return columns > 0 ? columns : 80;
}

} // namespace platform
