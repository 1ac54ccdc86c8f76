#pragma once
// A tiny HTTP/1.0 server on 127.0.0.1 (port chosen by the system) for client tests, in the test process
// over BSD sockets or Winsock. One connection at a time; each request is answered from a route table and
// the connection closed. It stops with the object.
#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <atomic>
#include <map>
#include <string>
#include <thread>

namespace qmtest {

class LocalHttpServer {
public:
    struct Reply {
        int status = 200;
        std::string headers; // extra header lines, each ending in "\r\n"
        std::string body;
        bool hang = false; // never answer; hold the connection until the client gives up
    };

#ifdef _WIN32
    using Socket = SOCKET;
    using AddrLen = int;
    static void CloseSocket(Socket s) { ::closesocket(s); }
    static constexpr int kSendFlags = 0;
#else
    using Socket = int;
    using AddrLen = socklen_t;
    static void CloseSocket(Socket s) { ::close(s); }
    static constexpr int kSendFlags = MSG_NOSIGNAL;
#endif

    explicit LocalHttpServer(std::map<std::string, Reply> routes = {}) : routes_(std::move(routes)) {
#ifdef _WIN32
        WSADATA wsa;
        ::WSAStartup(MAKEWORD(2, 2), &wsa);
#endif
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        AddrLen len = sizeof addr;
        ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), len);
        ::listen(listen_, 8);
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        if (!routes_.empty()) thread_ = std::thread([this] { loop(); });
    }
    ~LocalHttpServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        CloseSocket(listen_);
    }

    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    int requests() const { return requests_; }

private:
    bool waitReadable(Socket s) {
        while (!stop_) {
            fd_set set;
            FD_ZERO(&set);
            FD_SET(s, &set);
            timeval tv{0, 50000};
            const int n = ::select(int(s) + 1, &set, nullptr, nullptr, &tv);
            if (n != 0) return n > 0;
        }
        return false;
    }
    void loop() {
        while (waitReadable(listen_)) {
            const Socket c = ::accept(listen_, nullptr, nullptr);
            if (c == Socket(-1)) continue;
            serve(c);
            CloseSocket(c);
        }
    }
    void serve(Socket c) {
        std::string request;
        char buf[4096];
        for (long n = 1; request.find("\r\n\r\n") == std::string::npos && n > 0;) {
            if (!waitReadable(c) || (n = ::recv(c, buf, sizeof buf, 0)) <= 0) return;
            request.append(buf, static_cast<size_t>(n));
        }
        ++requests_;
        const auto sp = request.find(' ');
        auto it = routes_.find(request.substr(sp + 1, request.find(' ', sp + 1) - sp - 1));
        const Reply r = it != routes_.end() ? it->second : Reply{404, "", "not here", false};
        if (r.hang) { // wait for the client to close (recv gives 0) or for the server to stop
            while (waitReadable(c) && ::recv(c, buf, sizeof buf, 0) > 0) {}
            return;
        }
        const std::string out = "HTTP/1.0 " + std::to_string(r.status) +
                                " X\r\nContent-Length: " + std::to_string(r.body.size()) + "\r\n" + r.headers +
                                "Connection: close\r\n\r\n" + r.body;
        for (size_t sent = 0; sent < out.size();) {
            const long n = ::send(c, out.data() + sent, int(out.size() - sent), kSendFlags);
            if (n <= 0) return;
            sent += static_cast<size_t>(n);
        }
    }

    Socket listen_;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    std::map<std::string, Reply> routes_;
    std::thread thread_;
};

} // namespace qmtest
