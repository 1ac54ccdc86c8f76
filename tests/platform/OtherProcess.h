#pragma once
// A second program (other_process.exe of this folder, Windows only) that takes something and keeps it
// until it is released or killed: an instance key, or a file opened without sharing, as the database
// server holds its files.
#include <string>

namespace qmtest {

class OtherProcess {
public:
    OtherProcess() = default;
    ~OtherProcess() { Release(); }
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;

    // mode "guard": TryAcquire(arg) of a LocalInstanceGuard; "hold": open the file arg, sharing nothing.
    // True once the other process reports that it took it.
    bool Start(const std::string& mode, const std::string& arg);
    void Release(); // it lets go and ends normally
    void Kill();    // it ends at once, as a crash would

private:
    void* process_ = nullptr;
    void* release_ = nullptr;
};

} // namespace qmtest
