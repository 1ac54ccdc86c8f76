#pragma once
// A tiny HTTP/1.0 server on 127.0.0.1 (port chosen by the system) for client tests. One connection at a
// time; each request is answered from a route table and the connection closed. It stops with the object.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>

namespace qmtest {

class LocalHttpServer {
public:
    struct Reply {
        int status = 200;
        std::string headers;  // extra header lines, each ending in "\r\n"
        std::string body;
        bool hang = false;    // never answer; hold the connection until the client gives up
    };

    explicit LocalHttpServer(std::map<std::string, Reply> routes = {}) : routes_(std::move(routes)) {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), len);
        ::listen(listen_, 8);
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        if (!routes_.empty()) thread_ = std::thread([this] { loop(); });
    }
    ~LocalHttpServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        ::close(listen_);
    }

    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    int requests() const { return requests_; }

private:
    bool waitReadable(int fd) {
        pollfd p{fd, POLLIN, 0};
        for (int n = 0; !stop_ && n == 0;) n = ::poll(&p, 1, 50);
        return !stop_ && (p.revents & (POLLIN | POLLHUP)) != 0;
    }
    void loop() {
        while (waitReadable(listen_)) {
            const int c = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0) continue;
            serve(c);
            ::close(c);
        }
    }
    void serve(int c) {
        std::string request;
        char buf[4096];
        for (ssize_t n = 1; request.find("\r\n\r\n") == std::string::npos && n > 0;) {
            if (!waitReadable(c) || (n = ::recv(c, buf, sizeof buf, 0)) <= 0) return;
            request.append(buf, static_cast<size_t>(n));
        }
        ++requests_;
        const auto sp = request.find(' ');
        auto it = routes_.find(request.substr(sp + 1, request.find(' ', sp + 1) - sp - 1));
        const Reply r = it != routes_.end() ? it->second : Reply{404, "", "not here", false};
        if (r.hang) {  // wait for the client to close (recv gives 0) or for the server to stop
            while (waitReadable(c) && ::recv(c, buf, sizeof buf, 0) > 0) {
            }
            return;
        }
        const std::string out = "HTTP/1.0 " + std::to_string(r.status) + " X\r\nContent-Length: " +
                                std::to_string(r.body.size()) + "\r\n" + r.headers + "Connection: close\r\n\r\n" + r.body;
        for (size_t sent = 0; sent < out.size();) {
            const ssize_t n = ::send(c, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += static_cast<size_t>(n);
        }
    }

    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    std::map<std::string, Reply> routes_;
    std::thread thread_;
};

} // namespace qmtest
