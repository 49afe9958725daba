#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace test {

// A small HTTP server on 127.0.0.1 for the tests of the version check: each connection's
// request is read up to its blank line and answered with what the handler returns.
class HttpServer {
public:
    struct Answer {
        std::string bytes; // the whole response, status line included
        bool hang = false; // accept, read, and never answer
    };
    using Handler = std::function<Answer(const std::string& request)>;

    explicit HttpServer(Handler handler);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    std::string Url(const std::string& path = "/version/version.txt") const;
    std::vector<std::string> Requests() const;

    // A complete response with this status and body.
    static Answer Reply(const std::string& body, int status = 200, const std::string& reason = "OK");

private:
    void Serve();

    Handler m_handler;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
    std::vector<int> m_open;
    std::thread m_thread;
};

} // namespace test
