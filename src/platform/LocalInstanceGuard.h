#pragma once
// The single-instance guard of this computer. Linux: an exclusive flock on a lock file in /tmp named
// from a hash of the key; the kernel drops it when the holder ends, however it ends. Windows: a named
// mutex in the session, which the system closes with its last handle.
#include "platform/SystemServices.h"

#include <string>

namespace qm {

class LocalInstanceGuard final : public InstanceGuard {
public:
    LocalInstanceGuard() = default;
    ~LocalInstanceGuard() override;
    LocalInstanceGuard(const LocalInstanceGuard&) = delete;
    LocalInstanceGuard& operator=(const LocalInstanceGuard&) = delete;

    // True when this process now holds the key (also when it already did). The hold lasts as long as
    // this object. When the system gives no way to test (no lock file can be made), the answer is True:
    // refusing to start for that reason would be the worse mistake.
    bool TryAcquire(const std::string& key) override;

private:
    std::string heldKey_;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

// The name the key is held under: "quillmere-" and 16 hex digits of a 64-bit FNV-1a hash of the key.
std::string InstanceLockName(const std::string& key);

} // namespace qm
