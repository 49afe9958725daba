#pragma once

#include "support/LoopMount.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace test {

// A real smbd on 127.0.0.1 and a port of its own, serving one guest share "share" over a folder
// on ext4 (a loop-mounted image where the temporary folder is on another file system), with
// Samba's defaults for DOS attributes (store dos attributes = yes). Its configuration, state,
// log and share all live in one temporary folder; it runs in the foreground as a child of the
// tests and dies with them. Needs root, smbd and smbclient (Debian: samba, smbclient).
class SambaServer {
public:
    SambaServer();  // starts it; Problem() says why when it could not
    ~SambaServer(); // stops it and every process it started, then removes the folder
    SambaServer(const SambaServer&) = delete;
    SambaServer& operator=(const SambaServer&) = delete;

    // Empty while it runs; otherwise why it does not, for a test to skip with.
    const std::string& Problem() const { return m_problem; }
    // A name inside the share, where it lives on this machine.
    std::string operator/(std::string_view name) const;

    struct Reply {
        int status = -1; // smbclient's exit status
        std::string output;
    };
    // Runs smbclient //127.0.0.1/share -p PORT -N -c commands as a guest. Dates it prints and
    // reads ("utimes") are in UTC.
    Reply Client(const std::string& commands) const;
    // The text after "name:" on a line of allinfo's output ("(no name)" when there is none).
    static std::string InfoLine(const std::string& output, const std::string& name);

private:
    std::string Start();
    std::string PrepareShare();
    std::string Launch();
    void Stop();

    TempDir m_dir;
    std::optional<LoopMount> m_disk; // where the temporary folder is not on ext4
    std::string m_share = m_dir / "share";
    std::string m_config = m_dir / "smb.conf";
    std::string m_smbd;
    std::string m_smbclient;
    std::string m_problem;
    int m_port = 0;
    pid_t m_pid = -1;
};

// The fixture of tests that share one server: started before the first, stopped after the last;
// each test skips, saying why, where the server cannot run.
class SambaTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_server = std::make_unique<SambaServer>(); }
    static void TearDownTestSuite() { s_server.reset(); }
    void SetUp() override {
        if (!s_server->Problem().empty()) {
            GTEST_SKIP() << s_server->Problem();
        }
    }

    static inline std::unique_ptr<SambaServer> s_server;
};

} // namespace test
