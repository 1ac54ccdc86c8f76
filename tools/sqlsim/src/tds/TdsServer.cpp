#include "tds/TdsServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sqlsim::tds {

TdsServer::TdsServer(std::shared_ptr<Engine> engine, SessionConfig config)
    : engine_(std::move(engine)), config_(std::move(config)) {}

TdsServer::~TdsServer() { Stop(); }

bool TdsServer::Start(uint16_t port, std::string& error) {
    if (listenFd_ >= 0) {
        error = "already listening";
        return false;
    }
    if (::pipe2(wake_, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    const int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, SOMAXCONN) != 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        ::close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    stopping_ = false;
    acceptThread_ = std::thread([this] { AcceptLoop(); });
    return true;
}

void TdsServer::AcceptLoop() {
    while (!stopping_ && !dropped_) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        const int n = ::poll(fds, 2, 1000);
        Reap(false);
        if (n < 0 && errno != EINTR) break;
        if (n <= 0 || stopping_ || !(fds[0].revents & POLLIN)) continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        const int one = 1;
        // Small request/reply exchanges: Nagle would add a delayed-ACK wait to every batch.
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ++accepted_;
        const uint16_t spid = uint16_t(engine_->OpenSession());
        std::lock_guard<std::mutex> lock(mu_);
        if (dropped_) { // accepted just before the listener went away
            ::close(fd);
            break;
        }
        Conn& c = conns_.emplace_back();
        c.fd = fd;
        c.thread = std::thread([this, &c, spid] {
            RunSession(c.fd, spid, *engine_, config_, drop_, dropped_);
            ::shutdown(c.fd, SHUT_RDWR); // the client sees the end now; close() waits for the reaper
            c.done = true;
        });
    }
}

void TdsServer::Reap(bool all) {
    std::list<Conn> finished;
    {
        std::lock_guard<std::mutex> lock(mu_);
        for (auto it = conns_.begin(); it != conns_.end();) {
            if (all || it->done) {
                auto next = std::next(it);
                finished.splice(finished.end(), conns_, it);
                it = next;
            } else {
                ++it;
            }
        }
    }
    for (Conn& c : finished) {
        // The descriptor stays open until the session thread is joined, so it is never reused under it.
        if (!c.done) ::shutdown(c.fd, SHUT_RDWR);
        if (c.thread.joinable()) c.thread.join();
        ::close(c.fd);
    }
}

void TdsServer::Stop() {
    if (listenFd_ >= 0) {
        stopping_ = true;
        const char byte = 1;
        [[maybe_unused]] ssize_t w = ::write(wake_[1], &byte, 1);
        if (acceptThread_.joinable()) acceptThread_.join();
        ::close(listenFd_);
        listenFd_ = -1;
        Reap(true);
    }
    for (int& fd : wake_)
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
}

void TdsServer::Drop() {
    std::lock_guard<std::mutex> lock(mu_);
    if (dropped_ || listenFd_ < 0) return;
    dropped_ = true;
    // A listening socket shut down refuses new clients from now on; the accept loop then ends.
    ::shutdown(listenFd_, SHUT_RDWR);
    for (Conn& c : conns_)
        if (!c.done) ::shutdown(c.fd, SHUT_RDWR);
    const char byte = 1;
    [[maybe_unused]] ssize_t w = ::write(wake_[1], &byte, 1);
}

size_t TdsServer::ActiveConnections() const {
    std::lock_guard<std::mutex> lock(mu_);
    size_t n = 0;
    for (const Conn& c : conns_)
        if (!c.done) ++n;
    return n;
}

} // namespace sqlsim::tds
