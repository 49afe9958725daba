#pragma once

// What the POSIX bodies of the layer share; not part of its interface.

#include <string>
#include <system_error>
#include <unistd.h>

namespace platform {

// Owns a file descriptor and closes it once.
class UniqueFd {
public:
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return m_fd; }
    // Closes now, so that an error of close (NFS reports write errors there) can be seen.
    int Close() {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

// Reads the target of a symbolic link as stored; sizeHint is where the buffer starts.
std::error_code ReadLink(const char* path, std::string& target, size_t sizeHint = 64);

} // namespace platform
