#include "support/HttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace test {
namespace {

int Listen(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
        return -1;
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return fd;
}

void SendAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return; // the client went away: the cap or a time-out
        }
        sent += static_cast<size_t>(n);
    }
}

} // namespace

HttpServer::HttpServer(Handler handler) : m_handler(std::move(handler)) {
    m_listener = Listen(m_port);
    m_thread = std::thread([this] { Serve(); });
}

HttpServer::~HttpServer() {
    m_stop = true;
    m_thread.join();
    for (const int fd : m_open) {
        ::close(fd);
    }
    if (m_listener >= 0) {
        ::close(m_listener);
    }
}

std::string HttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<std::string> HttpServer::Requests() const {
    const std::lock_guard lock(m_mutex);
    return m_requests;
}

HttpServer::Answer HttpServer::Reply(const std::string& body, int status, const std::string& reason) {
    return {"HTTP/1.1 " + std::to_string(status) + " " + reason +
                "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
                "\r\nConnection: close\r\n\r\n" + body,
            false};
}

void HttpServer::Serve() {
    while (!m_stop) {
        pollfd p{m_listener, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) {
            continue;
        }
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            pollfd c{client, POLLIN, 0};
            if (::poll(&c, 1, 2000) <= 0) {
                break;
            }
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) {
                break;
            }
            request.append(buffer, static_cast<size_t>(n));
        }
        {
            const std::lock_guard lock(m_mutex);
            m_requests.push_back(request);
        }
        const Answer answer = m_handler(request);
        if (answer.hang) {
            m_open.push_back(client); // closed when the server goes
            continue;
        }
        SendAll(client, answer.bytes);
        ::shutdown(client, SHUT_WR);
        ::close(client);
    }
}

} // namespace test
