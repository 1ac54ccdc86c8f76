#pragma once
// Linux programs seen from a Windows test under Wine: the simulator started on a free loopback port,
// and the few Linux commands a test needs (kill, sh). Wine runs a Linux path given to CreateProcessW as
// a Linux program, but it hands it neither pipes nor a usable process handle, so the port line comes
// through a file and the program is ended by its Linux process id.
#include "platform/TempFolder.h"

#include <algorithm>
#include <string>

#include <windows.h>

#ifndef QM_SQLSIM_NATIVE
#error QM_SQLSIM_NATIVE names the native simulator program
#endif

namespace qmtest {

// A word for sh: single-quoted, with its own single quotes closed and escaped.
inline std::string ShellWord(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Wine shows the Linux root as drive Z:. "/tmp/a" <-> "Z:\tmp\a" (either slash accepted from Windows).
inline std::string WindowsPathOf(const std::string& linuxPath) {
    std::string out = "Z:" + linuxPath;
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

inline std::string LinuxPathOf(const std::string& windowsPath) {
    std::string out = windowsPath;
    if (out.size() >= 2 && (out[0] == 'Z' || out[0] == 'z') && out[1] == ':') out.erase(0, 2);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

// Starts `/bin/sh -c script` as a Linux program and does not wait for it.
inline bool StartLinuxShell(const std::string& script, std::string& error) {
    // Wine splits the command line by the Windows rules: a double-quoted argument with \" inside.
    std::string quoted;
    for (char c : script) quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
    std::wstring cmd = WidePath("/bin/sh -c \"" + quoted + "\"");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        error = "cannot start /bin/sh: error " + std::to_string(GetLastError());
        return false;
    }
    // Wine gives no process for a Linux program: the handles are placeholders.
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    return true;
}

class SimProcessWin {
public:
    SimProcessWin() = default;
    ~SimProcessWin() { Stop(); }
    SimProcessWin(const SimProcessWin&) = delete;
    SimProcessWin& operator=(const SimProcessWin&) = delete;

    // Writes `scenarioJson` into `folder` (a Windows path under Z:), starts the native simulator on it
    // with a data folder beside it, and waits for its port. `extraArgs` are passed on as they are (e.g.
    // "--windows-paths").
    bool Start(const std::string& folder, const std::string& scenarioJson, std::string& error,
               const std::string& extraArgs = "") {
        Stop();
        folder_ = LinuxPathOf(folder);
        std::ofstream(Native(folder + "/scenario.json"), std::ios::binary) << scenarioJson;
        TempFolder::MakeFolder(folder + "/data");
        // timeout bounds the server's life should the test die without stopping it; it passes SIGTERM on.
        // The shell stays to leave a mark once the server has ended.
        const std::string script =
            "timeout 300 " + ShellWord(QM_SQLSIM_NATIVE) + " --scenario " + ShellWord(folder_ + "/scenario.json") +
            " --data-dir " + ShellWord(folder_ + "/data") + " --port 0 " + extraArgs + " > " +
            ShellWord(folder_ + "/sim.out") + " 2> " + ShellWord(folder_ + "/sim.err") + " & echo $! > " +
            ShellWord(folder_ + "/sim.pid") + "; wait; : > " + ShellWord(folder_ + "/sim.ended");
        if (!StartLinuxShell(script, error)) return false;
        static const std::string prefix = "listening on 127.0.0.1:";
        for (const DWORD started = GetTickCount(); GetTickCount() - started < 20000; Sleep(10)) {
            const std::string out = TempFolder::read(folder + "/sim.out");
            linuxPid_ = TempFolder::read(folder + "/sim.pid"); // "PID\n" once the shell wrote it whole
            if (out.rfind(prefix, 0) == 0 && out.find('\n') != out.npos && linuxPid_.find('\n') != linuxPid_.npos) {
                linuxPid_.pop_back();
                port_ = std::atoi(out.c_str() + prefix.size());
                return port_ > 0;
            }
        }
        error = "the simulator did not start: " + TempFolder::read(folder + "/sim.err");
        if (!linuxPid_.empty() && linuxPid_.back() == '\n') linuxPid_.pop_back();
        Stop();
        return false;
    }
    // The server name the tool writes for it: "127.0.0.1,PORT".
    std::string Server() const { return "127.0.0.1," + std::to_string(port_); }
    void Stop() {
        if (!linuxPid_.empty() && linuxPid_.find_first_not_of("0123456789") == std::string::npos) {
            std::string ignored;
            if (StartLinuxShell("kill -TERM " + linuxPid_, ignored)) {
                // Wait for the end, so that the folder can go.
                const std::string ended = WindowsPathOf(folder_ + "/sim.ended");
                const DWORD asked = GetTickCount();
                while (GetFileAttributesW(WidePath(ended).c_str()) == INVALID_FILE_ATTRIBUTES &&
                       GetTickCount() - asked < 5000)
                    Sleep(10);
            }
        }
        linuxPid_.clear();
        port_ = 0;
    }

private:
    std::string folder_;
    std::string linuxPid_;
    int port_ = 0;
};

} // namespace qmtest
