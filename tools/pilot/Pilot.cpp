// quillmere-pilot.exe: plays the operator of the shipped quillmere.exe for the screenshot of the demo.
// Starts the program, confirms its SQL login dialog, ticks every row, repairs, rests the mouse on the
// first row's report cell until its tooltip shows, prints the screen rectangle to take, and keeps the
// program up until its own input ends. Drives the program's windows from outside by control id.
//
//   quillmere-pilot.exe PATH\quillmere.exe
//
// Prints "login MS", "main MS" (the main window listed, counted from the start) and
// "ready LEFT TOP WIDTH HEIGHT"; exit status 0, or 1 with the reason on stderr.
#include "ui/ControlIds.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <string>

namespace {

constexpr DWORD kTimeoutMs = 60000;

DWORD g_pid = 0;

HWND Control(HWND w, const char* name) { return GetDlgItem(w, qm::ui::ControlIdOf(name)); }

struct Search {
    const char* name;
    HWND found;
};

BOOL CALLBACK Visit(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != g_pid || !IsWindowVisible(w) || !Control(w, s->name)) return TRUE;
    s->found = w;
    return FALSE;
}

// The program's visible top-level window that has control `name`.
HWND WindowWith(const char* name) {
    Search s{name, nullptr};
    EnumWindows(Visit, LPARAM(&s));
    return s.found;
}

// Polls `done` until it holds; false after the deadline.
bool WaitFor(const std::function<bool()>& done) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > kTimeoutMs) return false;
        Sleep(20); // another process's windows: nothing to wait on but their state
    }
    return true;
}

std::wstring Text(HWND w) {
    wchar_t buf[512] = {};
    SendMessageW(w, WM_GETTEXT, 512, LPARAM(buf));
    return buf;
}

// The screen rectangle of a ListView cell of another process (the RECT is read and written there).
bool CellRect(HANDLE process, HWND list, int item, int column, RECT& out) {
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    if (!remote) return false;
    RECT r{LVIR_BOUNDS, column, 0, 0};
    bool ok = WriteProcessMemory(process, remote, &r, sizeof r, nullptr) &&
              SendMessageW(list, LVM_GETSUBITEMRECT, WPARAM(item), LPARAM(remote)) &&
              ReadProcessMemory(process, remote, &out, sizeof out, nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&out), 2);
    return ok;
}

HWND VisibleTooltip() {
    for (HWND t = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); t;
         t = FindWindowExW(nullptr, t, TOOLTIPS_CLASSW, nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(t, &pid);
        if (pid == g_pid && IsWindowVisible(t)) return t;
    }
    return nullptr;
}

int Fail(const char* why) {
    std::fprintf(stderr, "quillmere-pilot: %s\n", why);
    return 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return Fail("usage: quillmere-pilot.exe PATH\\quillmere.exe");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
    const DWORD start = GetTickCount();
    if (!CreateProcessW(argv[1], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return Fail("cannot start the program");
    g_pid = pi.dwProcessId;
    struct Ending {
        HANDLE process;
        ~Ending() { TerminateProcess(process, 0); }
    } ending{pi.hProcess};

    HWND login = nullptr, main = nullptr;
    if (!WaitFor([&] { return (login = WindowWith("txtServerName")) != nullptr; })) return Fail("no login dialog");
    std::printf("login %lu\n", GetTickCount() - start);
    SendMessageW(Control(login, "cmdConfirm"), BM_CLICK, 0, 0);

    // Listed: the report label has left its initial text.
    if (!WaitFor([&] {
            main = WindowWith("grdTable");
            return main && Text(Control(main, "labReport")) != L"结果报告";
        }))
        return Fail("the main window did not list the databases");
    std::printf("main %lu\n", GetTickCount() - start);
    std::fflush(stdout);

    SendMessageW(Control(main, "cmdSelect"), BM_CLICK, 0, 0);
    SendMessageW(Control(main, "cmdConfirm"), BM_CLICK, 0, 0);
    HWND confirm = Control(main, "cmdConfirm"), stop = Control(main, "cmdStop");
    if (!WaitFor([&] { return IsWindowEnabled(confirm) && !IsWindowEnabled(stop); }))
        return Fail("the run did not end");

    RECT cell;
    if (!CellRect(pi.hProcess, Control(main, "grdTable"), 0, 6, cell)) return Fail("no report cell");
    // Two positions, so the pointer really moves over the cell and its tooltip starts.
    SetCursorPos(cell.left + 10, (cell.top + cell.bottom) / 2);
    SetCursorPos(cell.left + 14, (cell.top + cell.bottom) / 2);
    HWND tip = nullptr;
    if (!WaitFor([&] { return (tip = VisibleTooltip()) != nullptr; })) return Fail("no tooltip on the report cell");

    RECT shot, t;
    GetWindowRect(main, &shot);
    GetWindowRect(tip, &t);
    UnionRect(&shot, &shot, &t);
    shot.left = shot.left < 0 ? 0 : shot.left;
    shot.top = shot.top < 0 ? 0 : shot.top;
    std::printf("ready %ld %ld %ld %ld\n", shot.left, shot.top, shot.right - shot.left, shot.bottom - shot.top);
    std::fflush(stdout);

    // Up until whoever took the picture closes our input.
    char buf[64];
    while (std::fgets(buf, sizeof buf, stdin)) {}
    return 0;
}
