#include "platform/Paths.h"

#include "platform/Text.h"

#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qm {

char PathSeparator() {
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (folder.back() == '/' || folder.back() == PathSeparator())) return folder + name;
    return folder + PathSeparator() + name;
}

std::string ParentFolder(const std::string& path) {
    const auto pos = path.find_last_of(PathSeparator() == '\\' ? "\\/" : "/");
    if (pos == std::string::npos) return {};
    if (pos == 0) return path.substr(0, 1);
    return path.substr(0, pos);
}

namespace {

std::string CurrentFolder() {
    std::error_code ec;
    auto p = std::filesystem::current_path(ec);
    if (ec) return ".";
#ifdef _WIN32
    return WideToUtf8(p.wstring());
#else
    return p.string();
#endif
}
} // namespace

std::string ExecutableFolder() {
#ifdef _WIN32
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return CurrentFolder();
        if (n < buf.size()) {
            buf.resize(n);
            break;
        }
        if (buf.size() > 32768) return CurrentFolder();
        buf.resize(buf.size() * 2);
    }
    const std::string folder = ParentFolder(WideToUtf8(buf));
    return folder.empty() ? CurrentFolder() : folder;
#else
    std::string buf(256, '\0');
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return CurrentFolder();
        if (static_cast<size_t>(n) < buf.size()) {
            buf.resize(static_cast<size_t>(n));
            break;
        }
        if (buf.size() > 65536) return CurrentFolder();
        buf.resize(buf.size() * 2);
    }
    const std::string folder = ParentFolder(buf);
    return folder.empty() ? CurrentFolder() : folder;
#endif
}

std::string FindPathIgnoringCase(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    if (path.empty()) return path;
    struct stat st;
    if (stat(path.c_str(), &st) == 0) return path;
    const auto pos = path.rfind('/');
    const std::string folder = pos == std::string::npos ? "." : (pos == 0 ? "/" : path.substr(0, pos));
    const std::string name = pos == std::string::npos ? path : path.substr(pos + 1);
    if (name.empty()) return path;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return path;
    std::string found = path;
    while (dirent* e = readdir(dir)) {
        if (EqualsNoCase(e->d_name, name)) {
            found = pos == std::string::npos ? std::string(e->d_name) : path.substr(0, pos + 1) + e->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
#endif
}

} // namespace qm
