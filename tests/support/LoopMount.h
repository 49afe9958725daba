#pragma once

#include "support/TestSupport.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace test {

// An ext4 file system of the test's own: an image made with mkfs, loop-mounted, and unmounted
// and removed when the object goes, also when the test fails. Mounting needs root and a loop
// device; where either is missing, Mounted() is false and SkipReason() says why:
//
//     test::LoopMount disk;
//     if (!disk.Mounted()) {
//         GTEST_SKIP() << disk.SkipReason();
//     }
//
// The root folder belongs to the unprivileged user of test::RunAsUnprivileged (uid and gid
// 65534, mode 0755) unless the options say otherwise, and every folder above it may be passed,
// so that the unprivileged child works in it as a person on their own disk.
class LoopMount {
public:
    struct Options {
        int sizeMiB = 32;
        std::vector<std::string> mkfsArgs; // e.g. {"-I", "128"}: ext4 that ends in 2038
        unsigned owner = 65534;            // of the root folder
    };

    LoopMount() : LoopMount(Options()) {}
    // A small disk of root's own, for a test that fills it up.
    static Options SmallRootDisk(int sizeMiB) { return Options{sizeMiB, /*mkfsArgs=*/{}, /*owner=*/0}; }
    explicit LoopMount(const Options& options);
    ~LoopMount();
    LoopMount(const LoopMount&) = delete;
    LoopMount& operator=(const LoopMount&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& SkipReason() const { return m_skip; }
    const std::string& Path() const { return m_path; }
    std::string operator/(std::string_view relative) const; // Path() + "/" + relative

private:
    TempDir m_base;
    std::string m_path;
    std::string m_skip;
    bool m_mounted = false;
};

// Runs body as the unprivileged user on a fresh disk made with options, given the disk's root,
// after asRoot (where given) has put there what the user does not own; body returns what went
// wrong, empty when nothing did. Skips the test where no disk can be mounted.
void OnOwnDisk(const std::function<std::string(const std::string&)>& body,
               const LoopMount::Options& options = LoopMount::Options(),
               const std::function<void(const std::string&)>& asRoot = nullptr);

// Writes to a mounted file system wait, for the life of the object or until Thaw(), as on a
// disk that has stopped answering; reads go on (FIFREEZE). A write already waiting finishes
// once thawed. Needs root; where the kernel refuses, Frozen() is false.
class FrozenFileSystem {
public:
    explicit FrozenFileSystem(const std::string& mountPoint);
    ~FrozenFileSystem() { Thaw(); }
    FrozenFileSystem(const FrozenFileSystem&) = delete;
    FrozenFileSystem& operator=(const FrozenFileSystem&) = delete;

    bool Frozen() const { return m_fd >= 0; }
    void Thaw();

private:
    int m_fd = -1;
};

} // namespace test
