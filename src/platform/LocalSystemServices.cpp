#include "platform/LocalSystemServices.h"

#include "platform/Threads.h"

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include "platform/Text.h"
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

extern char** environ;
#endif

namespace qm {

std::tm LocalTime(std::chrono::system_clock::time_point t) {
    static Mutex m;
    const std::time_t tt = std::chrono::system_clock::to_time_t(t);
    LockGuard lock(m);
    const std::tm* p = std::localtime(&tt);
    return p ? *p : std::tm{};
}

std::string FormatLocalTime(std::chrono::system_clock::time_point t, const char* pattern) {
    const std::tm tm = LocalTime(t);
    char buf[64];
    std::snprintf(buf, sizeof buf, pattern, tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                  tm.tm_sec);
    return buf;
}

std::string FindOnPath(const std::string& program) {
    if (program.empty()) return {};
#ifdef _WIN32
    const char sep = ';';
    auto usable = [](const std::string& p) {
        const DWORD a = GetFileAttributesW(Utf8ToWide(p).c_str());
        return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
    };
    const char* dirSep = "\\";
#else
    const char sep = ':';
    auto usable = [](const std::string& p) {
        struct stat st;
        return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(p.c_str(), X_OK) == 0;
    };
    const char* dirSep = "/";
#endif
    if (program.find('/') != std::string::npos) return usable(program) ? program : std::string();
    const char* env = std::getenv("PATH");
    if (!env) return {};
    const std::string path = env;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(sep, start);
        if (end == std::string::npos) end = path.size();
        const std::string dir = end > start ? path.substr(start, end - start) : ".";
        const std::string candidate = dir + dirSep + program;
        if (usable(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

void LocalShell::Open(const std::string& address) {
    if (address.empty()) return;
#ifdef _WIN32
    ShellExecuteW(nullptr, L"open", Utf8ToWide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
#else
    if (address[0] == '-') return; // would be read as an option
    const std::string opener = FindOnPath("xdg-open");
    if (opener.empty()) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string arg0 = opener;
    std::string arg1 = address;
    char* argv[] = {arg0.data(), arg1.data(), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, opener.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return;
    // Reaped in the background so that no zombie stays and the window never waits for the browser.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    }).detach();
#endif
}

std::chrono::system_clock::time_point SystemClock::Now() { return std::chrono::system_clock::now(); }

bool LocalRegistry::CanOpenLocalMachineKey(const std::string& subKeyUtf8) {
#ifdef _WIN32
    HKEY key = nullptr;
    const LONG rc =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, Utf8ToWide(subKeyUtf8).c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key);
    if (rc != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
#else
    (void)subKeyUtf8;
    return false;
#endif
}

std::string LocalSystemInfo::ComputerName() {
#ifdef _WIN32
    wchar_t buf[MAX_COMPUTERNAME_LENGTH + 1] = {0};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(buf, &size)) return {};
    return WideToUtf8(std::wstring_view(buf, size));
#else
    char buf[256] = {0};
    if (::gethostname(buf, sizeof buf - 1) != 0) return {};
    return std::string(buf);
#endif
}

std::string LocalSystemInfo::UserName() {
#ifdef _WIN32
    wchar_t buf[257] = {0};
    DWORD size = 257;
    if (!GetUserNameW(buf, &size) || size == 0) return {};
    return WideToUtf8(std::wstring_view(buf, size - 1));
#else
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) return pw->pw_name;
    const char* user = std::getenv("USER");
    return user ? user : "";
#endif
}

std::string LocalSystemInfo::LocalAppDataFolder() {
#ifdef _WIN32
    wchar_t buf[MAX_PATH] = {0};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, buf))) return {};
    return WideToUtf8(buf);
#else
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return xdg;
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/.local/share" : std::string();
#endif
}

} // namespace qm
