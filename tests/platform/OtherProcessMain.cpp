// other_process.exe MODE ARG READY_EVENT RELEASE_EVENT: takes ARG (mode "guard": an instance key;
// "hold": a file opened without sharing), sets READY_EVENT, and keeps it until RELEASE_EVENT is set.
// Exit code 2 when it could not take it.
#include "platform/LocalInstanceGuard.h"
#include "platform/Text.h"

#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) return 1;
    const std::wstring mode = argv[1];
    qm::LocalInstanceGuard guard;
    HANDLE file = INVALID_HANDLE_VALUE;
    if (mode == L"hold") {
        file = CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return 2;
    } else {
        if (!guard.TryAcquire(qm::WideToUtf8(argv[2]))) return 2;
    }
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]);
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[4]);
    if (!ready || !release) return 1;
    SetEvent(ready);
    WaitForSingleObject(release, 60000); // never outlives a test that forgot it
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return 0;
}
