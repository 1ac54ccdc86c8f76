#pragma once
// The simulator's TDS listener on 127.0.0.1: one thread per connection, each running a session
// against the shared engine. Stop() (or destruction) closes every connection and joins every thread.
// A session that meets the configured drop text calls Drop(): a server lost mid-run.
#include "sqlsim/Engine.h"
#include "tds/TdsSession.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace sqlsim::tds {

class TdsServer {
public:
    TdsServer(std::shared_ptr<Engine> engine, SessionConfig config);
    ~TdsServer();
    TdsServer(const TdsServer&) = delete;
    TdsServer& operator=(const TdsServer&) = delete;

    // Binds 127.0.0.1:port (0: a free port the system picks) and starts accepting.
    bool Start(uint16_t port, std::string& error);
    uint16_t Port() const { return port_; }
    void Stop();
    // Stops listening and closes every connection at once; threads are joined by Stop().
    void Drop();
    bool Dropped() const { return dropped_.load(); }

    size_t ActiveConnections() const; // sessions still running
    size_t AcceptedConnections() const { return accepted_.load(); }

private:
    struct Conn {
        int fd = -1;
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void AcceptLoop();
    void Reap(bool all);

    std::shared_ptr<Engine> engine_;
    SessionConfig config_;
    int listenFd_ = -1;
    int wake_[2] = {-1, -1};
    uint16_t port_ = 0;
    std::thread acceptThread_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> dropped_{false}; // written under mu_
    std::function<void()> drop_ = [this] { Drop(); };
    std::atomic<size_t> accepted_{0};
    mutable std::mutex mu_;
    std::list<Conn> conns_;
};

} // namespace sqlsim::tds
