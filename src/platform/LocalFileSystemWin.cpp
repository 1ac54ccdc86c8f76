// The file layer on Windows, through the wide-character API.
#ifdef _WIN32
#include "platform/FileErrors.h"
#include "platform/LocalFileSystem.h"
#include "platform/Text.h"

#include <windows.h>

#include <atomic>
#include <vector>

namespace qm {
namespace {

std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::string out;
    if (n > 0 && text) out = WideToUtf8(std::wstring_view(text, n));
    if (text) LocalFree(text);
    return out;
}

bool Fail(std::string& error, DWORD code) {
    error = DescribeWindowsError(code, SystemMessage(code));
    return false;
}

bool WriteAllTo(HANDLE h, const char* data, size_t size) {
    while (size > 0) {
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(h, data, chunk, &written, nullptr)) return false;
        data += written;
        size -= written;
    }
    return true;
}

} // namespace

bool LocalFileSystem::Exists(const std::string& path) {
    if (path.empty()) return false;
    const DWORD attr = GetFileAttributesW(Utf8ToWide(path).c_str());
    if (attr == INVALID_FILE_ATTRIBUTES) return false;
    return (attr & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

bool LocalFileSystem::Copy(const std::string& from, const std::string& to, std::string& error) {
    if (from.empty() || to.empty()) return Fail(error, ERROR_FILE_NOT_FOUND);
    // CopyFileW writes the target in place; a copy first written beside it and then renamed over it
    // leaves the old target whole when the copy fails half-way.
    static std::atomic<unsigned> counter{0};
    const std::wstring target = Utf8ToWide(to);
    const std::wstring temp =
        target + L".~qm" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter.fetch_add(1));
    if (!CopyFileW(Utf8ToWide(from).c_str(), temp.c_str(), TRUE)) return Fail(error, GetLastError());
    SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = GetLastError();
        DeleteFileW(temp.c_str());
        return Fail(error, code);
    }
    return true;
}

bool LocalFileSystem::Move(const std::string& from, const std::string& to, std::string& error) {
    if (from.empty() || to.empty()) return Fail(error, ERROR_FILE_NOT_FOUND);
    // Without MOVEFILE_REPLACE_EXISTING an existing target makes the move fail.
    if (!MoveFileExW(Utf8ToWide(from).c_str(), Utf8ToWide(to).c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH))
        return Fail(error, GetLastError());
    return true;
}

bool LocalFileSystem::Remove(const std::string& path, std::string& error) {
    if (path.empty()) return Fail(error, ERROR_FILE_NOT_FOUND); // never touches anything
    if (!DeleteFileW(Utf8ToWide(path).c_str())) return Fail(error, GetLastError());
    return true;
}

bool LocalFileSystem::ReadAll(const std::string& path, std::string& bytes, std::string& error) {
    bytes.clear();
    if (path.empty()) return Fail(error, ERROR_FILE_NOT_FOUND);
    HANDLE h =
        CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail(error, GetLastError());
    char buf[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(h, buf, sizeof buf, &got, nullptr)) {
            const DWORD code = GetLastError();
            CloseHandle(h);
            bytes.clear();
            return Fail(error, code);
        }
        if (got == 0) break;
        bytes.append(buf, got);
    }
    CloseHandle(h);
    return true;
}

bool LocalFileSystem::WriteAtomic(const std::string& path, const std::string& bytes, std::string& error) {
    if (path.empty()) return Fail(error, ERROR_FILE_NOT_FOUND);
    static std::atomic<unsigned> counter{0};
    const std::wstring target = Utf8ToWide(path);
    std::wstring temp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
        temp = target + L".~qm" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter.fetch_add(1));
        h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return Fail(error, GetLastError());
    }
    if (h == INVALID_HANDLE_VALUE) return Fail(error, ERROR_FILE_EXISTS);
    bool ok = WriteAllTo(h, bytes.data(), bytes.size()) && FlushFileBuffers(h);
    DWORD code = ok ? ERROR_SUCCESS : GetLastError();
    CloseHandle(h);
    if (ok && !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        code = GetLastError();
    }
    if (!ok) {
        DeleteFileW(temp.c_str());
        return Fail(error, code);
    }
    return true;
}

bool LocalFileSystem::MakeFolder(const std::string& path, std::string& error) {
    if (path.empty()) return Fail(error, ERROR_PATH_NOT_FOUND);
    const std::wstring wide = Utf8ToWide(path);
    if (CreateDirectoryW(wide.c_str(), nullptr)) return true;
    const DWORD code = GetLastError();
    const DWORD attr = GetFileAttributesW(wide.c_str());
    if (code == ERROR_ALREADY_EXISTS && attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    return Fail(error, code);
}

namespace {

class OwnedHandle {
public:
    explicit OwnedHandle(HANDLE h) : h_(h) {}
    ~OwnedHandle() { Close(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    bool Close() {
        const bool closed = h_ == INVALID_HANDLE_VALUE || CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE h_;
};

// The bytes of `in` into `out` in large pieces, telling `progress` after each; false with the system's
// code, or with `cancelled` set.
bool CopyHandle(HANDLE in, HANDLE out, std::uint64_t total, const FileSystem::CopyProgress& progress, bool& cancelled,
                DWORD& code) {
    std::vector<char> buf(1 << 20);
    std::uint64_t done = 0;
    cancelled = progress && !progress(0, total);
    while (!cancelled) {
        DWORD got = 0;
        if (!ReadFile(in, buf.data(), DWORD(buf.size()), &got, nullptr)) return code = GetLastError(), false;
        if (got == 0) return true;
        if (!WriteAllTo(out, buf.data(), got)) return code = GetLastError(), false;
        done += got;
        cancelled = progress && !progress(done, total);
    }
    return false;
}

} // namespace

// Its own loop rather than CopyFileExW: the progress routine is not called everywhere the program runs
// (Wine), and the operator must see the copy move and be able to stop it.
bool LocalFileSystem::CopyNew(const std::string& from, const std::string& to, const CopyProgress& progress,
                              std::string& error) {
    if (from.empty() || to.empty()) return Fail(error, ERROR_FILE_NOT_FOUND);
    const std::wstring target = Utf8ToWide(to);
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) return Fail(error, ERROR_FILE_EXISTS);
    // SQL Server shares its open files for reading only: a reader must let it keep writing.
    OwnedHandle in(CreateFileW(Utf8ToWide(from).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in.ok()) return Fail(error, GetLastError());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(in.get(), &size)) return Fail(error, GetLastError());
    // Under a temporary name, so that no one takes a half-written file for the copy.
    static std::atomic<unsigned> counter{0};
    const std::wstring temp =
        target + L".~qm" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter.fetch_add(1));
    OwnedHandle out(
        CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!out.ok()) return Fail(error, GetLastError());
    bool cancelled = false;
    DWORD code = 0;
    bool ok = CopyHandle(in.get(), out.get(), std::uint64_t(size.QuadPart), progress, cancelled, code);
    if (ok) {
        FILETIME created, accessed, written;
        if (GetFileTime(in.get(), &created, &accessed, &written)) SetFileTime(out.get(), &created, &accessed, &written);
        if (!FlushFileBuffers(out.get())) ok = false, code = GetLastError();
    }
    if (!out.Close() && ok) ok = false, code = GetLastError();
    if (ok && !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) ok = false, code = GetLastError();
    if (ok) return true;
    DeleteFileW(temp.c_str());
    if (cancelled) {
        error = kTextCopyCancelled;
        return false;
    }
    return Fail(error, code);
}

bool LocalFileSystem::FreeBytes(const std::string& folder, std::uint64_t& bytes, std::string& error) {
    ULARGE_INTEGER available{};
    if (folder.empty() || !GetDiskFreeSpaceExW(Utf8ToWide(folder).c_str(), &available, nullptr, nullptr))
        return Fail(error, folder.empty() ? ERROR_PATH_NOT_FOUND : GetLastError());
    bytes = available.QuadPart;
    return true;
}

bool LocalFileSystem::SizeOf(const std::string& path, std::uint64_t& bytes, std::string& error) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.empty() || !GetFileAttributesExW(Utf8ToWide(path).c_str(), GetFileExInfoStandard, &data))
        return Fail(error, path.empty() ? ERROR_FILE_NOT_FOUND : GetLastError());
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return Fail(error, ERROR_ACCESS_DENIED);
    bytes = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

} // namespace qm
#endif
