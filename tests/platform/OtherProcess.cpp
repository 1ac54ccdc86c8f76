#include "OtherProcess.h"

#include "platform/Text.h"

#include <windows.h>

#include <algorithm>

namespace qmtest {

bool OtherProcess::Start(const std::string& mode, const std::string& arg) {
    Release();
    static unsigned counter = 0;
    const std::wstring tag = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    const std::wstring readyName = L"Local\\qm-ready-" + tag, releaseName = L"Local\\qm-release-" + tag;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, readyName.c_str());
    release_ = CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str());
    // The build tree is a Linux path; Wine shows it on Z:.
    std::wstring program = qm::Utf8ToWide(std::string("Z:") + QM_OTHER_PROCESS_EXE);
    std::replace(program.begin(), program.end(), L'/', L'\\');
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

} // namespace qmtest
