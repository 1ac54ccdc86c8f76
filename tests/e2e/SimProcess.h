#pragma once
// Child processes of the launcher: the simulator's TDS server, started on a free loopback port and
// stopped (always) when the launcher is done with it; and the Windows harness, run to its end.
#include <string>
#include <vector>

namespace qme2e {

class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts `args` (the program first; "--port 0" is added) and waits, up to the deadline, for its first
    // line "listening on 127.0.0.1:PORT". False with a description on any failure; a child that did
    // start is stopped again.
    bool Start(std::vector<std::string> args, int timeoutMs, std::string& error);
    int Port() const { return port_; }
    // Asks the server to end, and kills it when it has not ended within the grace period.
    void Stop(int graceMs = 5000);

private:
    int pid_ = -1;
    int port_ = 0;
};

// Runs `args` with the launcher's own output and waits for it. Its exit status; -1 with a description
// when it could not start, died of a signal, or ran past the deadline (then it is killed).
int RunProgram(const std::vector<std::string>& args, int timeoutMs, std::string& error);

} // namespace qme2e
