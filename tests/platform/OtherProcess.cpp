#include "OtherProcess.h"

#include "platform/LocalInstanceGuard.h"

#ifdef _WIN32
#include "platform/Text.h"
#include <windows.h>
#else
#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace qmtest {

#ifdef _WIN32

bool OtherProcess::Start(const std::string& mode, const std::string& arg) {
    Release();
    static unsigned counter = 0;
    const std::wstring tag = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    const std::wstring readyName = L"Local\\qm-ready-" + tag, releaseName = L"Local\\qm-release-" + tag;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, readyName.c_str());
    release_ = CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str());
    // The build tree is a Linux path; Wine shows it on Z:.
    std::wstring program = qm::Utf8ToWide(std::string("Z:") + QM_OTHER_PROCESS_EXE);
    for (wchar_t& c : program)
        if (c == L'/') c = L'\\';
    std::wstring cmd = L"\"" + program + L"\" " + qm::Utf8ToWide(mode) + L" \"" + qm::Utf8ToWide(arg) + L"\" " +
                       readyName + L" " + releaseName;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    bool ok = CreateProcessW(program.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    if (ok) {
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        HANDLE both[2] = {ready, pi.hProcess};
        ok = WaitForMultipleObjects(2, both, FALSE, 20000) == WAIT_OBJECT_0;
    }
    CloseHandle(ready);
    if (!ok) Kill();
    return ok;
}

void OtherProcess::Release() {
    if (release_) SetEvent(static_cast<HANDLE>(release_));
    if (process_) {
        if (WaitForSingleObject(static_cast<HANDLE>(process_), 20000) != WAIT_OBJECT_0)
            TerminateProcess(static_cast<HANDLE>(process_), 3);
        CloseHandle(static_cast<HANDLE>(process_));
    }
    if (release_) CloseHandle(static_cast<HANDLE>(release_));
    process_ = release_ = nullptr;
}

void OtherProcess::Kill() {
    if (process_) {
        TerminateProcess(static_cast<HANDLE>(process_), 9);
        WaitForSingleObject(static_cast<HANDLE>(process_), 20000);
    }
    Release();
}

#else

bool OtherProcess::Start(const std::string& mode, const std::string& arg) {
    Release();
    if (mode != "guard") return false;  // POSIX has no sharing modes to hold a file with
    int ready[2], hold[2];
    if (::pipe(ready) != 0 || ::pipe(hold) != 0) return false;
    const pid_t pid = ::fork();
    if (pid == 0) {
        qm::LocalInstanceGuard guard;
        const char answer = guard.TryAcquire(arg) ? 'y' : 'n';
        (void)!::write(ready[1], &answer, 1);
        ::close(hold[1]);
        char c;
        while (::read(hold[0], &c, 1) > 0) {
        }
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(hold[0]);
    pid_ = pid;
    release_ = hold[1];
    pollfd p{ready[0], POLLIN, 0};
    char answer = 0;
    const bool ok = ::poll(&p, 1, 10000) == 1 && ::read(ready[0], &answer, 1) == 1 && answer == 'y';
    ::close(ready[0]);
    if (!ok) Kill();
    return ok;
}

void OtherProcess::Release() {
    if (release_ >= 0) ::close(release_);
    if (pid_ > 0) {
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    pid_ = release_ = -1;
}

void OtherProcess::Kill() {
    if (pid_ > 0) ::kill(pid_, SIGKILL);
    Release();
}

#endif

} // namespace qmtest
