#include "SimProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qme2e {

namespace {

using Clock = std::chrono::steady_clock;

int MillisLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

// Forks and runs `args`, with stdout on `outFd` when it is not -1. The child dies with the launcher, so
// nothing outlives a launcher that crashed or was killed by a test timeout.
pid_t Spawn(const std::vector<std::string>& args, int outFd, std::string& error) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        return -1;
    }
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        if (outFd >= 0) ::dup2(outFd, STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

// Waits for `pid` until the deadline; true with its wait status when it ended.
bool WaitUntil(pid_t pid, Clock::time_point deadline, int& status) {
    for (;;) {
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return true;
        if (r < 0 && errno != EINTR) return true;
        if (MillisLeft(deadline) == 0) return false;
        ::poll(nullptr, 0, 10);  // short pause between checks of the child
    }
}

// "listening on 127.0.0.1:PORT" gives PORT; anything else 0.
int ParseListeningPort(const std::string& line) {
    int port = 0;
    return std::sscanf(line.c_str(), "listening on 127.0.0.1:%d", &port) == 1 && port > 0 && port <= 65535 ? port : 0;
}

} // namespace

SimProcess::~SimProcess() { Stop(); }

bool SimProcess::Start(std::vector<std::string> args, int timeoutMs, std::string& error) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    args.insert(args.end(), {"--port", "0"});
    pid_ = Spawn(args, fds[1], error);
    ::close(fds[1]);
    if (pid_ < 0) {
        ::close(fds[0]);
        return false;
    }

    // Only the first line matters; the rest of the output goes nowhere (the pipe closes with us).
    std::string line;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    bool done = false;
    while (!done) {
        pollfd p{fds[0], POLLIN, 0};
        int left = MillisLeft(deadline);
        if (left == 0) break;
        int r = ::poll(&p, 1, left);
        if (r < 0 && errno == EINTR) continue;
        char c;
        if (r <= 0 || ::read(fds[0], &c, 1) <= 0) break;
        if (c == '\n') done = true;
        else if (c != '\r') line += c;
    }
    ::close(fds[0]);
    port_ = done ? ParseListeningPort(line) : 0;
    if (port_ == 0) {
        error = done ? "unexpected first line from the simulator: " + line
                     : "the simulator did not report its port (program " + args[0] + ")";
        Stop(1000);
        return false;
    }
    return true;
}

void SimProcess::Stop(int graceMs) {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    if (!WaitUntil(pid_, Clock::now() + std::chrono::milliseconds(graceMs), status)) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
}

int RunProgram(const std::vector<std::string>& args, int timeoutMs, std::string& error) {
    pid_t pid = Spawn(args, -1, error);
    if (pid < 0) return -1;
    int status = 0;
    if (!WaitUntil(pid, Clock::now() + std::chrono::milliseconds(timeoutMs), status)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        error = args[0] + " did not end within " + std::to_string(timeoutMs / 1000) + " s";
        return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    error = args[0] + " ended by signal " + std::to_string(WTERMSIG(status));
    return -1;
}

} // namespace qme2e
