#include "SimProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
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

} // namespace

int ParseListeningPort(const std::string& line) {
    static const std::string prefix = "listening on 127.0.0.1:";
    if (line.rfind(prefix, 0) != 0) return 0;
    int port = 0;
    size_t i = prefix.size();
    if (i >= line.size()) return 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
        port = port * 10 + (line[i] - '0');
        if (port > 65535) return 0;
    }
    return port;
}

SimProcess::~SimProcess() { Stop(); }

bool SimProcess::Start(const std::string& program, const std::string& scenario, const std::string& dataDir,
                       const std::string& transcript, int timeoutMs, std::string& error) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> args{program, "--scenario", scenario, "--data-dir", dataDir, "--port", "0"};
    if (!transcript.empty()) {
        args.push_back("--transcript");
        args.push_back(transcript);
    }
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (pid == 0) {
        // The server must not outlive a harness that crashed or was killed by a test timeout.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(127);
        ::dup2(fds[1], STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    pid_ = pid;
    ::close(fds[1]);

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
        if (r <= 0) break;
        char c;
        ssize_t n = ::read(fds[0], &c, 1);
        if (n <= 0) break;
        if (c == '\n') done = true;
        else if (c != '\r') line += c;
    }
    ::close(fds[0]);
    port_ = done ? ParseListeningPort(line) : 0;
    if (port_ == 0) {
        error = done ? "unexpected first line from the simulator: " + line
                     : "the simulator did not report its port (program " + program + ")";
        Stop(1000);
        return false;
    }
    return true;
}

void SimProcess::Stop(int graceMs) {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    auto deadline = Clock::now() + std::chrono::milliseconds(graceMs);
    for (;;) {
        int status = 0;
        pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_ || (r < 0 && errno != EINTR)) break;
        if (MillisLeft(deadline) == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        ::poll(nullptr, 0, 10);  // short pause between checks of the child
    }
    pid_ = -1;
}

} // namespace qme2e
