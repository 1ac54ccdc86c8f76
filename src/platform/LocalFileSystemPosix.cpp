// The file layer on POSIX systems (Linux: development, tests and the simulator's data folders).
#ifndef _WIN32
#include "platform/FileErrors.h"
#include "platform/LocalFileSystem.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <vector>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace qm {
namespace {

std::string StripTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string LastComponent(const std::string& path) {
    const auto pos = path.rfind('/');
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string FolderOf(const std::string& path) {
    const auto pos = path.rfind('/');
    if (pos == std::string::npos) return ".";
    if (pos == 0) return "/";
    return path.substr(0, pos);
}

bool Fail(std::string& error, int err) {
    error = DescribeErrno(err);
    return false;
}

// A file to copy from, open for reading; -1 with the description when it is missing or a folder.
int OpenSource(const std::string& from, struct stat& src, std::string& error) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return Fail(error, errno), -1;
    if (::fstat(in, &src) != 0 || S_ISDIR(src.st_mode)) {
        const int err = S_ISDIR(src.st_mode) ? EISDIR : errno;
        ::close(in);
        return Fail(error, err), -1;
    }
    return in;
}

bool WriteAllTo(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Streams one open file into another; errno tells why it stopped.
bool CopyFd(int in, int out) {
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        if (!WriteAllTo(out, buf, static_cast<size_t>(n))) return false;
    }
}

void SyncFolder(const std::string& folder) {
    const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

// Creates a fresh file beside `path`, lets `fill` write it, flushes it and renames it over `path`.
// On any failure the temporary file is gone and `path` is untouched; errno says why.
bool ReplaceViaTemp(const std::string& path, const std::function<bool(int fd)>& fill) {
    static std::atomic<unsigned> counter{0};
    const std::string folder = FolderOf(path);
    const std::string name = LastComponent(path);
    struct stat old;
    const bool hadOld = ::stat(path.c_str(), &old) == 0;
    if (hadOld && S_ISDIR(old.st_mode)) {
        errno = EISDIR;
        return false;
    }

    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = (folder == "/" ? "" : folder) + "/." + name + ".qm" + std::to_string(::getpid()) + "-" +
               std::to_string(counter.fetch_add(1));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;

    bool ok = fill(fd);
    if (ok && hadOld) ::fchmod(fd, old.st_mode & 07777); // keep the target's permissions
    if (ok) ok = ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        errno = err;
        return false;
    }
    SyncFolder(folder);
    return true;
}

} // namespace

bool LocalFileSystem::Exists(const std::string& path) {
    if (path.empty()) return false;
    const std::string p = StripTrailingSlashes(path);
    const std::string last = LastComponent(p);
    if (!last.empty() && last[0] == '.' && last != "." && last != "..") return false;
    struct stat st;
    if (::stat(p.c_str(), &st) != 0) return false;
    return S_ISREG(st.st_mode) || S_ISDIR(st.st_mode);
}

bool LocalFileSystem::Copy(const std::string& from, const std::string& to, std::string& error) {
    if (from.empty() || to.empty()) return Fail(error, ENOENT);
    struct stat src {};
    const int in = OpenSource(from, src, error);
    if (in < 0) return false;
    struct stat dst;
    if (::stat(to.c_str(), &dst) == 0 && dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) {
        ::close(in);
        return true; // a file copied onto itself is already what was asked for
    }
    const bool ok = ReplaceViaTemp(to, [&](int out) { return CopyFd(in, out); });
    const int err = errno;
    ::close(in);
    if (!ok) return Fail(error, err);
    return true;
}

bool LocalFileSystem::Move(const std::string& from, const std::string& to, std::string& error) {
    if (from.empty() || to.empty()) return Fail(error, ENOENT);
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    int err = errno;
    if (err == EINVAL || err == ENOSYS) {
        // A file system without no-replace renames: check, then rename (one user, one thread).
        struct stat st;
        if (::lstat(to.c_str(), &st) == 0) return Fail(error, EEXIST);
        if (::rename(from.c_str(), to.c_str()) == 0) return true;
        err = errno;
    }
    if (err != EXDEV) return Fail(error, err);

    // Another disk: copy into a new file that must not exist yet, then remove the source.
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return Fail(error, errno);
    struct stat src {};
    if (::fstat(in, &src) != 0 || !S_ISREG(src.st_mode)) {
        const int e = S_ISREG(src.st_mode) ? errno : EISDIR;
        ::close(in);
        return Fail(error, e);
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, src.st_mode & 07777);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        return Fail(error, e);
    }
    bool ok = CopyFd(in, out) && ::fsync(out) == 0;
    err = errno;
    ::close(out);
    ::close(in);
    if (ok && ::unlink(from.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(to.c_str());
        return Fail(error, err);
    }
    return true;
}

bool LocalFileSystem::Remove(const std::string& path, std::string& error) {
    if (path.empty()) return Fail(error, ENOENT); // never touches anything
    if (::unlink(path.c_str()) != 0) return Fail(error, errno);
    return true;
}

bool LocalFileSystem::ReadAll(const std::string& path, std::string& bytes, std::string& error) {
    bytes.clear();
    if (path.empty()) return Fail(error, ENOENT);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Fail(error, errno);
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return Fail(error, EISDIR);
    }
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            bytes.clear();
            return Fail(error, err);
        }
        if (n == 0) break;
        bytes.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

bool LocalFileSystem::WriteAtomic(const std::string& path, const std::string& bytes, std::string& error) {
    if (path.empty()) return Fail(error, ENOENT);
    const bool ok = ReplaceViaTemp(path, [&](int fd) { return WriteAllTo(fd, bytes.data(), bytes.size()); });
    if (!ok) return Fail(error, errno);
    return true;
}

bool LocalFileSystem::MakeFolder(const std::string& path, std::string& error) {
    if (path.empty()) return Fail(error, ENOENT);
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    const int err = errno;
    struct stat st;
    if (err == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
    return Fail(error, err);
}

bool LocalFileSystem::CopyNew(const std::string& from, const std::string& to, const CopyProgress& progress,
                              std::string& error) {
    if (from.empty() || to.empty()) return Fail(error, ENOENT);
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) return Fail(error, EEXIST);
    struct stat src {};
    const int in = OpenSource(from, src, error);
    if (in < 0) return false;
    static std::atomic<unsigned> counter{0};
    const std::string temp = FolderOf(to) + "/." + LastComponent(to) + ".qm" + std::to_string(::getpid()) + "-" +
                             std::to_string(counter.fetch_add(1));
    const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0) {
        const int err = errno;
        ::close(in);
        return Fail(error, err);
    }
    const std::uint64_t total = std::uint64_t(src.st_size);
    std::vector<char> buf(1 << 20);
    std::uint64_t done = 0;
    bool cancelled = progress && !progress(0, total);
    int err = 0;
    while (!cancelled && err == 0) {
        const ssize_t n = ::read(in, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            err = n < 0 ? errno : 0;
            break;
        }
        if (!WriteAllTo(out, buf.data(), size_t(n))) err = errno;
        done += std::uint64_t(n);
        cancelled = err == 0 && progress && !progress(done, total);
    }
    if (!cancelled && err == 0 && ::fsync(out) != 0) err = errno;
    if (::close(out) != 0 && err == 0) err = errno;
    ::close(in);
    if (!cancelled && err == 0) {
        if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
        err = errno;
        if ((err == EINVAL || err == ENOSYS) && ::lstat(to.c_str(), &st) != 0) {
            if (::rename(temp.c_str(), to.c_str()) == 0) return true;
            err = errno;
        }
    }
    ::unlink(temp.c_str());
    if (cancelled) {
        error = kTextCopyCancelled;
        return false;
    }
    return Fail(error, err);
}

bool LocalFileSystem::FreeBytes(const std::string& folder, std::uint64_t& bytes, std::string& error) {
    struct statvfs vs;
    if (folder.empty() || ::statvfs(folder.c_str(), &vs) != 0) return Fail(error, folder.empty() ? ENOENT : errno);
    bytes = std::uint64_t(vs.f_bavail) * std::uint64_t(vs.f_frsize);
    return true;
}

bool LocalFileSystem::SizeOf(const std::string& path, std::uint64_t& bytes, std::string& error) {
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return Fail(error, path.empty() ? ENOENT : errno);
    if (S_ISDIR(st.st_mode)) return Fail(error, EISDIR);
    bytes = std::uint64_t(st.st_size);
    return true;
}

} // namespace qm
#endif
