#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace test {

// A fresh folder of the test's own, removed with everything in it (permissions and immutable
// flags set by the test included) when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(std::string_view relative) const; // Path() + separator + relative

private:
    std::string m_path;
};

void WriteFile(const std::string& path, std::string_view content);
std::string ReadFile(const std::string& path);
void MakeFolder(const std::string& path);
bool Exists(const std::string& path);
std::vector<std::string> FolderNames(const std::string& folder); // sorted
// Text with "\n" line ends as the program writes a new text file: CR LF on Windows.
std::string NewTextFile(std::string_view text);
// The file's number on its volume (the inode on POSIX); a failure fails the test.
uint64_t FileIdOf(const std::string& path);

// Whether the tests run under Wine, which keeps some of what Windows stores otherwise: no
// creation times, archive on every file, no read-only folders.
bool UnderWine();

#ifndef _WIN32
struct ::stat StatOf(const std::string& path); // lstat; a failure fails the test
// The last-write time of the path itself (a link is not followed), and setting it; a failure to
// set fails the test.
int64_t MtimeOf(const std::string& path);
void SetMtime(const std::string& path, int64_t seconds, long nanoseconds = 0);
// The raw user.DOSATTRIB record of the path itself; empty when there is none.
std::string DosRecord(const std::string& path);
// Empty when ok, else what followed by a line end: what a child collects and prints before it exits.
std::string Check(bool ok, const std::string& what);

// Runs body in a child process and returns its exit status, or -(signal) when a signal ended it.
int RunInChild(const std::function<int()>& body);
// RunInChild, the child giving up root (uid and gid 65534) first when the tests run as root.
int RunAsUnprivileged(const std::function<int()>& body);
// RunAsUnprivileged for a body that returns what went wrong, empty when nothing did: the child
// prints it, and the test fails on it.
void ExpectUnprivileged(const std::function<std::string()>& body);
// Runs a program found on PATH, without a shell, its output discarded. Its exit status, or -1
// when it could not run.
int RunProgram(const std::vector<std::string>& argv);
// RunProgram with `input` on its standard input and `env` ("NAME=value") added to its
// environment; `output` gets what it wrote to standard output and standard error, up to the end
// of the last process that holds them open, or only standard output where `errors` is given to
// take standard error apart.
int RunProgram(const std::vector<std::string>& argv, std::string_view input, std::string& output,
               const std::vector<std::string>& env = {}, std::string* errors = nullptr);

// A port on 127.0.0.1 where nothing listens just now.
int ClosedPort();

// Sets or clears the immutable flag (chattr +i), which binds root too. False where the file
// system or the caller cannot.
bool SetImmutable(const std::string& path, bool on);

// Sets TZ for the life of the object, then puts the old value back.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    bool m_had = false;
    std::string m_old;
};
#endif

} // namespace test

// Skips a test of what Windows does and Wine does not, with the reason.
#define SKIP_UNDER_WINE(reason)                                                                              \
    if (test::UnderWine()) {                                                                                 \
        GTEST_SKIP() << "Wine " << reason;                                                                   \
    }
