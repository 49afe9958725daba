// The store's refusals and races where POSIX permissions, FIFOs, size limits and other users
// make them.
#include "platform/ProfileTestFixture.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace profile_test;
using namespace std::string_literals;

TEST_F(ProfileTest, WhatCannotBeReadOrWrittenIsNeverReplaced) {
    // Too big to be settings, no regular file, not for this user to read, read-only (no write bit,
    // which binds root too) or another user's; the folder lets anyone write, so only the store's
    // own refusal keeps them.
    constexpr off_t kSize = off_t{100} << 20;
    Put("[s]\nk=1\n");
    ASSERT_EQ(::truncate(m_path.c_str(), kSize), 0);
    const std::string fifo = m_dir / "fifo.ini";
    const std::string folder = m_dir / "folder.ini";
    const std::string secret = m_dir / "secret.ini";
    const std::string readOnly = m_dir / "readonly.ini";
    const std::string others = m_dir / "others.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    test::MakeFolder(folder);
    for (const auto& [path, mode] : {std::pair{secret, 0200}, {readOnly, 0444}, {others, 0644}}) {
        test::WriteFile(path, "[s]\nk=1\n");
        ASSERT_EQ(::chmod(path.c_str(), static_cast<mode_t>(mode)), 0);
    }
    ASSERT_EQ(::chmod(m_dir.Path().c_str(), 0777), 0);
    const uint64_t inode = Inode();
    // The value each reads as: unreadable ones give the default.
    std::vector<std::pair<std::string, int>> cases = {{m_path, kDefaultInt},
                                                      {fifo, kDefaultInt},
                                                      {folder, kDefaultInt},
                                                      {secret, kDefaultInt},
                                                      {readOnly, 1}};
    if (::geteuid() == 0) { // another user's file only where the tests can give it away
        cases.emplace_back(others, 1);
    }
    const auto refused = [&] {
        for (const auto& [path, value] : cases) {
            ProfileStore store(path);
            if (store.GetInt("s", "k", kDefaultInt) != value || store.WriteString("s", "k", "v")) {
                return 1;
            }
            ProfileStore::Batch batch(store);
            if (store.WriteString("s", "k", "v") && batch.Flush()) {
                return 2;
            }
        }
        return 0;
    };
    EXPECT_EQ(test::RunAsUnprivileged(refused), 0);
    // As the owner, or as root, the read-only file is still refused.
    cases = {{m_path, kDefaultInt}, {fifo, kDefaultInt}, {folder, kDefaultInt}, {readOnly, 1}};
    EXPECT_EQ(refused(), 0);
    EXPECT_EQ(Inode(), inode);
    EXPECT_EQ(test::StatOf(m_path).st_size, kSize);
    EXPECT_TRUE(S_ISFIFO(test::StatOf(fifo).st_mode));
    EXPECT_TRUE(S_ISDIR(test::StatOf(folder).st_mode));
    ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
    for (const std::string& path : {secret, readOnly, others}) {
        EXPECT_EQ(test::ReadFile(path), "[s]\nk=1\n") << path;
    }
    EXPECT_EQ(test::StatOf(readOnly).st_mode & 07777, 0444u);
    EXPECT_EQ(test::FolderNames(m_dir.Path()),
              (Names{"fifo.ini", "folder.ini", "others.ini", "readonly.ini", "secret.ini", "settings.ini"}));
}

TEST_F(ProfileTest, WriteStoppedByTheFileSizeLimitLeavesTheOldFile) {
    // A hard-linked file is rewritten in place; the limit must stop that before its first byte.
    const std::string original = "[s]\nk=old\n" + std::string(1000, ';') + "\n";
    const std::string link = m_dir / "link.ini";
    for (const bool linked : {false, true}) {
        for (const bool killed : {false, true}) {
            Put(original);
            if (linked && !test::Exists(link)) {
                ASSERT_EQ(::link(m_path.c_str(), link.c_str()), 0);
            }
            const int result = test::RunInChild([&] {
                const rlimit noCore{0, 0};
                ::setrlimit(RLIMIT_CORE, &noCore);
                if (!killed) {
                    ::signal(SIGXFSZ, SIG_IGN);
                }
                rlimit size{};
                ::getrlimit(RLIMIT_FSIZE, &size);
                size.rlim_cur = original.size() + 100;
                if (::setrlimit(RLIMIT_FSIZE, &size) != 0) {
                    return 90;
                }
                return ProfileStore(m_path).WriteString("s", "k", std::string(1 << 20, 'x')) ? 1 : 0;
            });
            EXPECT_EQ(result, killed ? -SIGXFSZ : 0) << linked;
            EXPECT_EQ(Content(), original);
            if (linked) {
                EXPECT_EQ(test::ReadFile(link), original);
            } else if (!killed) { // a killed process cannot clean up after itself
                EXPECT_EQ(test::FolderNames(m_dir.Path()), Names{"settings.ini"});
            }
        }
    }
}

TEST_F(ProfileTest, TwoProgramsSavingAtOnceKeepEachOthersKeys) {
    // Each saves keys of its own in batches, many times: first starting without a file, then on
    // a file with a second hard link, which is rewritten in place.
    constexpr int kSaves = 100;
    ASSERT_EQ(::chmod(m_dir.Path().c_str(), 0777), 0);
    const auto saves = [&](const std::string& name) {
        ProfileStore store(m_path);
        for (int i = 0; i < kSaves; ++i) {
            ProfileStore::Batch batch(store);
            if (!store.WriteInt(name, "k" + std::to_string(i), i) || !store.WriteInt("both", name, i) ||
                !batch.Flush()) {
                return 1;
            }
        }
        return 0;
    };
    for (const bool linked : {false, true}) {
        if (linked) {
            Put("[start]\n");
            ASSERT_EQ(::chmod(m_path.c_str(), 0666), 0);
            ASSERT_EQ(::link(m_path.c_str(), (m_dir / "link.ini").c_str()), 0);
        }
        // The second program is forked by the first, not from a second thread of this one: a
        // fork beside another thread may copy a lock that thread holds.
        const int result = test::RunAsUnprivileged([&] {
            const pid_t other = ::fork();
            if (other == 0) {
                ::_exit(saves("b"));
            }
            const int mine = saves("a");
            int status = 0;
            const bool otherDone = other > 0 && ::waitpid(other, &status, 0) == other && WIFEXITED(status) &&
                                   WEXITSTATUS(status) == 0;
            return mine == 0 && otherDone ? 0 : 1;
        });
        EXPECT_EQ(result, 0);
        int lost = 0;
        for (const std::string name : {"a", "b"}) {
            for (int i = 0; i < kSaves; ++i) {
                lost += GetInt(name, "k" + std::to_string(i)) == i ? 0 : 1;
            }
            EXPECT_EQ(GetInt("both", name), kSaves - 1);
        }
        EXPECT_EQ(lost, 0) << linked;
        EXPECT_EQ(test::StatOf(m_path).st_nlink, linked ? 2u : 1u);
    }
}

} // namespace
