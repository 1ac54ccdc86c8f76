#pragma once
// The simulator's TDS server as a child process of the harness: started on a free loopback port,
// stopped (always) when the harness is done with it.
#include <string>
#include <vector>

namespace qme2e {

class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts `program --scenario S --data-dir D --port 0 --transcript T` and waits (up to the deadline)
    // for its first line "listening on 127.0.0.1:PORT". False with a description on any failure; a
    // child that did start is stopped again.
    bool Start(const std::string& program, const std::string& scenario, const std::string& dataDir,
               const std::string& transcript, int timeoutMs, std::string& error);
    int Port() const { return port_; }
    // Asks the server to end, and kills it when it has not ended within the grace period.
    void Stop(int graceMs = 5000);

private:
    int pid_ = -1;
    int port_ = 0;
};

// Parses "listening on 127.0.0.1:PORT"; 0 when the line does not have that form.
int ParseListeningPort(const std::string& line);

} // namespace qme2e
