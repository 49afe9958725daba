#pragma once

#include <QByteArray>
#include <QString>
#include <QThread>

#include <functional>
#include <list>
#include <memory>

// What one check is asked to do; the callbacks run on the check's own thread.
struct VersionCheckJob {
    QString url;
    int timeoutMs = 20000;
    qsizetype maxBytes = 64 * 1024; // a version file is a few lines: more is not read
    // The body, when the server sent one; at most maxBytes of it.
    std::function<void(const QByteArray& body)> parse;
    // The download failed; the text says why (empty when nobody said).
    std::function<void(const QString& error)> failed;
};

// The body of one check's thread: an HTTP GET of the version file through the system's proxy
// settings, never from a cache, with the application's name as user agent; time-outs end a
// server that does not answer; a body larger than the cap is cut there. A failure is handed to
// job.failed first; then whatever body came is handed to job.parse. Returns 1.
unsigned VersionCheckThread(VersionCheckJob& job);

// The checks of one window: each runs on a thread of its own; none outlives the window.
class VersionChecks {
public:
    VersionChecks() = default;
    ~VersionChecks();
    VersionChecks(const VersionChecks&) = delete;
    VersionChecks& operator=(const VersionChecks&) = delete;

    void Start(VersionCheckJob job);
    // Checks still running.
    int Running() const;
    // Asks every check to stop and waits for them, serving the calling (window) thread's
    // events meanwhile, since a check may be waiting for the window to show something.
    void Shutdown();

private:
    struct Check {
        std::unique_ptr<QThread> thread;
        VersionCheckJob job;
    };
    std::list<Check> m_checks;
};
