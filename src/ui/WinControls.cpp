#include "ui/WinControls.h"

#include "ui/ControlIds.h"
#include "ui/WinCommon.h"

#include <vector>

namespace qm::ui {

HWND FindControl(HWND window, std::string_view name) {
    const int id = ControlIdOf(name);
    return id && window ? GetDlgItem(window, id) : nullptr;
}

COLORREF ControlTextColor(HWND control) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    SendMessageW(GetParent(control), WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(control));
    const COLORREF c = GetTextColor(dc);
    DeleteDC(dc);
    return c;
}

namespace {

struct TooltipSearch {
    HWND owner;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTooltip(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<TooltipSearch*>(lp);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (lstrcmpiW(cls, TOOLTIPS_CLASSW) == 0 && GetWindow(w, GW_OWNER) == s->owner) s->found.push_back(w);
    return TRUE;
}

} // namespace

std::string ControlTooltip(HWND control) {
    TooltipSearch search{GetAncestor(control, GA_ROOT), {}};
    EnumThreadWindows(GetWindowThreadProcessId(control, nullptr), CollectTooltip, LPARAM(&search));
    for (HWND tip : search.found) {
        std::wstring buffer(1024, L'\0');
        TOOLINFOW ti{};
        ti.cbSize = TTTOOLINFOW_V2_SIZE;
        ti.uFlags = TTF_IDISHWND;
        ti.hwnd = search.owner;
        ti.uId = UINT_PTR(control);
        ti.lpszText = buffer.data();
        if (!SendMessageW(tip, TTM_GETTOOLINFOW, 0, LPARAM(&ti))) continue;
        ti.lpszText = buffer.data();
        SendMessageW(tip, TTM_GETTEXTW, WPARAM(buffer.size()), LPARAM(&ti));
        return WideToUtf8(buffer.c_str());
    }
    return {};
}

int ListViewRows(HWND list) { return int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string ListViewCell(HWND list, int item, int column) {
    std::wstring buffer(4096, L'\0');
    LVITEMW it{};
    it.iSubItem = column;
    it.pszText = buffer.data();
    it.cchTextMax = int(buffer.size());
    const LRESULT n = SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(item), LPARAM(&it));
    return WideToUtf8(std::wstring_view(buffer.data(), size_t(n)));
}

std::string ListViewHeader(HWND list, int column) {
    std::wstring buffer(256, L'\0');
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT;
    c.pszText = buffer.data();
    c.cchTextMax = int(buffer.size());
    if (!SendMessageW(list, LVM_GETCOLUMNW, WPARAM(column), LPARAM(&c))) return {};
    return WideToUtf8(buffer.c_str());
}

int ListViewColumnWidth(HWND list, int column) {
    return int(SendMessageW(list, LVM_GETCOLUMNWIDTH, WPARAM(column), 0));
}

RECT ListViewCellRect(HWND list, int item, int column) {
    RECT r{};
    r.top = column;
    r.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETSUBITEMRECT, WPARAM(item), LPARAM(&r));
    // Column 0's bounds are the whole row; its own extent is its width from the left.
    if (column == 0) r.right = r.left + ListViewColumnWidth(list, 0);
    return r;
}

bool PumpMessagesUntil(const std::function<bool()>& done, int timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) {
                PostQuitMessage(int(m.wParam));
                return done();
            }
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        if (done()) return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= DWORD(timeoutMs)) return false;
        // Wakes for the next message, or soon enough to see a condition another thread changed.
        const DWORD left = DWORD(timeoutMs) - elapsed;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 20 ? left : 20, QS_ALLINPUT);
    }
}

} // namespace qm::ui
