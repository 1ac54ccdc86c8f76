#pragma once
// Small operating-system services behind interfaces so that start-up and the windows can be tested.
#include <chrono>
#include <ctime>
#include <string>

namespace qm {

// Refuses a second running copy. The key names what "the same program" is (the tool's folder);
// a crashed copy must not leave the key held.
class InstanceGuard {
public:
    virtual ~InstanceGuard() = default;
    virtual bool TryAcquire(const std::string& key) = 0;
};

// Opens an address with the shell's "Open" verb; the outcome is not reported.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void Open(const std::string& address) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::system_clock::time_point Now() = 0;
};

// `t` in the local time zone. std::localtime shares one buffer per process; this is the one caller of it,
// under one lock, so the window and a repair run never mix their dates.
std::tm LocalTime(std::chrono::system_clock::time_point t);
// `t` in the local time zone through a printf pattern that takes year, month, day, hour, minute and
// second in that order ("%04d%02d%02d%02d%02d%02d").
std::string FormatLocalTime(std::chrono::system_clock::time_point t, const char* pattern);

// Tests whether a key under HKEY_LOCAL_MACHINE can be opened for reading. Off Windows nothing opens.
class Registry {
public:
    virtual ~Registry() = default;
    virtual bool CanOpenLocalMachineKey(const std::string& subKeyUtf8) = 0;
};

class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    virtual std::string ComputerName() = 0; // "" when the system does not give it
    virtual std::string UserName() = 0;     // the account the tool runs as; "" when not given
    // The user's local application data folder (SHGetFolderPathW with CSIDL_LOCAL_APPDATA, which
    // Windows XP has too); "" when the system names none.
    virtual std::string LocalAppDataFolder() = 0;
};

} // namespace qm
