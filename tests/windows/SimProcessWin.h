#pragma once
// Linux programs seen from a Windows test under Wine: the simulator started on a free loopback port,
// and the few Linux commands a test needs (kill, sh). Wine runs a Linux path given to CreateProcessW as
// a Linux program, but it hands it neither pipes nor a usable process handle, so the port line comes
// through a file and the program is ended by its Linux process id.
#include <string>

namespace qmtest {

// Wine shows the Linux root as drive Z:. "/tmp/a" <-> "Z:\tmp\a" (either slash accepted from Windows).
std::string WindowsPathOf(const std::string& linuxPath);
std::string LinuxPathOf(const std::string& windowsPath);

// Starts `/bin/sh -c script` as a Linux program and does not wait for it.
bool StartLinuxShell(const std::string& script, std::string& error);

class SimProcessWin {
public:
    SimProcessWin() = default;
    ~SimProcessWin() { Stop(); }
    SimProcessWin(const SimProcessWin&) = delete;
    SimProcessWin& operator=(const SimProcessWin&) = delete;

    // Writes `scenarioJson` into `folder` (a Windows path under Z:), starts the native simulator on it
    // with a data folder beside it, and waits for its port. `extraArgs` are passed
    // on as they are (e.g. "--windows-paths").
    bool Start(const std::string& folder, const std::string& scenarioJson, std::string& error,
               const std::string& extraArgs = "");
    // The server name the tool writes for it: "127.0.0.1,PORT".
    std::string Server() const { return "127.0.0.1," + std::to_string(port_); }
    void Stop();

private:
    std::string folder_;
    std::string linuxPid_;
    int port_ = 0;
};

} // namespace qmtest
