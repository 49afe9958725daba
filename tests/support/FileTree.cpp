#include "support/FileTree.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace test {

bool MakeChain(const std::string& folder, int depth, const std::string& name) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < depth && fd >= 0; ++i) {
        const int next = ::mkdirat(fd, name.c_str(), 0755) == 0
                             ? ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                             : -1;
        ::close(fd);
        fd = next;
    }
    const int leaf = fd >= 0 ? ::openat(fd, "leaf", O_CREAT | O_WRONLY | O_CLOEXEC, 0644) : -1;
    for (const int open : {leaf, fd}) {
        if (open >= 0) {
            ::close(open);
        }
    }
    return leaf >= 0;
}

namespace {

// Unlinks everything in the folder but its subfolders; the name of one of those, or empty.
std::string ClearFiles(int fd) {
    DIR* dir = ::fdopendir(::dup(fd));
    std::string folder;
    while (const dirent* e = dir != nullptr ? ::readdir(dir) : nullptr) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        struct stat st {};
        if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
            folder = name;
        } else {
            ::unlinkat(fd, name.c_str(), 0);
        }
    }
    if (dir != nullptr) {
        ::closedir(dir);
    }
    return folder;
}

} // namespace

void RemoveTree(const std::string& path) {
    ::chmod(path.c_str(), 0700);
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        ::unlink(path.c_str());
        return;
    }
    // Down into one subfolder at a time, back up through ".." once it is empty: one descriptor
    // and one name per level.
    std::vector<std::string> names;
    for (;;) {
        const std::string sub = ClearFiles(fd);
        if (!sub.empty()) {
            ::fchmodat(fd, sub.c_str(), 0700, 0);
            const int child = ::openat(fd, sub.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0) {
                names.push_back(sub);
                ::close(fd);
                fd = child;
                continue;
            }
            if (::unlinkat(fd, sub.c_str(), AT_REMOVEDIR) != 0) {
                break; // cannot get in: leave it
            }
            continue;
        }
        if (names.empty()) {
            break;
        }
        const int parent = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = parent;
        if (fd < 0 || ::unlinkat(fd, names.back().c_str(), AT_REMOVEDIR) != 0) {
            break;
        }
        names.pop_back();
    }
    if (fd >= 0) {
        ::close(fd);
    }
    ::rmdir(path.c_str());
}

} // namespace test
