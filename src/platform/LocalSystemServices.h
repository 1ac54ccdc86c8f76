#pragma once
// The small operating-system services of this computer: shell open, clock, registry probe, computer name.
#include "platform/SystemServices.h"

#include <string>

namespace qm {

// Windows: ShellExecuteW with "open". Elsewhere: xdg-open when it is on the PATH, started without waiting;
// silently nothing when it is not.
class LocalShell final : public Shell {
public:
    void Open(const std::string& address) override;
};

class SystemClock final : public Clock {
public:
    std::chrono::system_clock::time_point Now() override;
};

// Windows: RegOpenKeyExW under HKEY_LOCAL_MACHINE for reading, in the 32-bit view of the registry, where
// the accounting products (32-bit programs) write their keys. Elsewhere no key opens.
class LocalRegistry final : public Registry {
public:
    bool CanOpenLocalMachineKey(const std::string& subKeyUtf8) override;
};

class LocalSystemInfo final : public SystemInfo {
public:
    std::string ComputerName() override;
    std::string UserName() override;
    // Elsewhere: $XDG_DATA_HOME, else ~/.local/share.
    std::string LocalAppDataFolder() override;
};

// The full path of `program` found on the PATH (a name with "/" is taken as it is), or "" when none.
std::string FindOnPath(const std::string& program);

} // namespace qm
