#include "support/LoopMount.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace test {

LoopMount::LoopMount(const Options& options) : m_path(m_base / "mnt") {
    if (::geteuid() != 0) {
        m_skip = "mounting an ext4 image needs root";
        return;
    }
    if (::access("/dev/loop-control", F_OK) != 0) {
        m_skip = "no loop devices here (/dev/loop-control)";
        return;
    }
    const std::string image = m_base / "disk.img";
    ::chmod(m_base.Path().c_str(), 0755);
    MakeFolder(m_path);
    WriteFile(image, "");
    if (::truncate(image.c_str(), static_cast<off_t>(options.sizeMiB) << 20) != 0) {
        m_skip = "cannot size the image";
        return;
    }
    std::vector<std::string> mkfs = {"mkfs.ext4", "-q", "-F"};
    mkfs.insert(mkfs.end(), options.mkfsArgs.begin(), options.mkfsArgs.end());
    mkfs.push_back(image);
    if (RunProgram(mkfs) != 0) {
        m_skip = "mkfs.ext4 is missing or failed";
        return;
    }
    if (RunProgram({"mount", "-o", "loop", image, m_path}) != 0) {
        m_skip = "mount -o loop failed (no free loop device, or no ext4 driver)";
        return;
    }
    m_mounted = true;
    ::chown(m_path.c_str(), options.owner, options.owner);
    ::chmod(m_path.c_str(), 0755);
}

LoopMount::~LoopMount() {
    if (m_mounted && ::umount2(m_path.c_str(), 0) != 0) {
        ::umount2(m_path.c_str(), MNT_DETACH); // a child still inside: let go as soon as it leaves
    }
}

void OnOwnDisk(const std::function<std::string(const std::string&)>& body, const LoopMount::Options& options,
               const std::function<void(const std::string&)>& asRoot) {
    const LoopMount disk(options);
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.SkipReason();
    }
    if (asRoot) {
        asRoot(disk.Path());
    }
    ExpectUnprivileged([&] { return body(disk.Path()); });
}

FrozenFileSystem::FrozenFileSystem(const std::string& mountPoint)
    : m_fd(::open(mountPoint.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (m_fd >= 0 && ::ioctl(m_fd, FIFREEZE, 0) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void FrozenFileSystem::Thaw() {
    if (m_fd >= 0) {
        ::ioctl(m_fd, FITHAW, 0);
        ::close(m_fd);
        m_fd = -1;
    }
}

std::string LoopMount::operator/(std::string_view relative) const {
    return m_path + "/" + std::string(relative);
}

} // namespace test
