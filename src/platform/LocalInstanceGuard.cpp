#include "platform/LocalInstanceGuard.h"

#include <cstdint>
#include <cstdio>

#ifdef _WIN32
#include "platform/Text.h"
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace qm {

std::string InstanceLockName(const std::string& key) {
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : key) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
    return std::string("quillmere-") + hex;
}

LocalInstanceGuard::~LocalInstanceGuard() {
#ifdef _WIN32
    if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
#else
    if (fd_ >= 0) ::close(fd_); // closing the only descriptor releases the lock
#endif
}

bool LocalInstanceGuard::TryAcquire(const std::string& key) {
#ifdef _WIN32
    if (handle_) return key == heldKey_;
    const std::wstring name = Utf8ToWide("Local\\" + InstanceLockName(key));
    HANDLE h = CreateMutexW(nullptr, FALSE, name.c_str());
    if (!h) return GetLastError() != ERROR_ACCESS_DENIED; // denied: another user's copy holds it
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(h);
        return false;
    }
    handle_ = h;
    heldKey_ = key;
    return true;
#else
    if (fd_ >= 0) return key == heldKey_;
    const std::string path = "/tmp/" + InstanceLockName(key) + ".lock";
    // O_CLOEXEC: a program the tool starts (the browser) must not inherit and keep the lock.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC); // made by another user
    if (fd < 0) return true;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return !held;
    }
    fd_ = fd;
    heldKey_ = key;
    return true;
#endif
}

} // namespace qm
