// The main window's grid: a report-view ListView showing the model's rows (grid row r is item r - 1,
// the model's header row is the column header), ticking by double-click, Ctrl+S, and the cells' tooltips:
// the row's statements on a report cell, the whole path on a path cell.
#include "ui/FrmMain.h"

#include "ui/GridActions.h"

#include <string>
#include <vector>

namespace qm::ui {

namespace {

// Column widths (twips) the list is shown with when the load did not set them, and the headers it shows
// where the load gave none.
const std::vector<int> kDefaultColumnTwips{0, 500, 800, 2000, 500, 4000, 3000, 2000};
const std::vector<std::string> kDefaultHeaders{"", "", "", "", "", "", "", "校验"};

int ShiftMaskNow() {
    int mask = 0;
    if (GetKeyState(VK_SHIFT) < 0) mask |= kShiftMask;
    if (GetKeyState(VK_CONTROL) < 0) mask |= kCtrlMask;
    if (GetKeyState(VK_MENU) < 0) mask |= kAltMask;
    return mask;
}

bool IsHeaderTrack(const NMHDR& n) {
    return n.code == HDN_BEGINTRACKW || n.code == HDN_BEGINTRACKA || n.code == HDN_DIVIDERDBLCLICKW ||
           n.code == HDN_DIVIDERDBLCLICKA;
}

} // namespace

void FrmMain::BuildGrid() {
    const TwipsRect t = FixedPlacementOf("grdTable");
    const int left = TwipsToScreenPixels(t.left), top = TwipsToScreenPixels(t.top);
    grid_ = view_.Create(Hwnd(), Id(Ctl::grdTable),
                         {left, top, left + TwipsToScreenPixels(t.width), top + TwipsToScreenPixels(t.height)},
                         kShownColumns);
    SetWindowLongPtrW(grid_, GWLP_USERDATA, LONG_PTR(this));
    gridProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(grid_, GWLP_WNDPROC, LONG_PTR(&FrmMain::GridProc)));

    // The report cells' tooltip asks for its text each time it shows.
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = Hwnd();
    ti.uId = UINT_PTR(grid_);
    ti.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(Tooltip(), TTM_ADDTOOLW, 0, LPARAM(&ti));
}

void FrmMain::SetCell(int item, int column, const std::string& text) { view_.SetCell(item, column, text); }

void FrmMain::SyncGridFromModel() { view_.Fill(model_.grid, kDefaultColumnTwips, kDefaultHeaders); }

void FrmMain::SyncResultCells() {
    for (int r = 1; r < model_.grid.Rows(); ++r) {
        SetCell(r - 1, kColReport, model_.grid.Cell(r, kColReport));
        SetCell(r - 1, kVerifyColumn, model_.grid.Cell(r, kVerifyColumn));
    }
}

LRESULT FrmMain::OnNotify(const NMHDR& n) {
    if (n.hwndFrom == grid_ && n.code == NM_DBLCLK) {
        OnGridDoubleClick(reinterpret_cast<const NMITEMACTIVATE&>(n).ptAction);
        return 0;
    }
    if (LRESULT result = 0; view_.OnNotify(n, result)) return result;
    if (n.code == TTN_GETDISPINFOW && n.idFrom == UINT_PTR(grid_)) {
        auto& d = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(n));
        tipText_ = hoverItem_ < 0               ? std::wstring()
                   : hoverColumn_ == kColReport ? Utf8ToWide(run_->Transcript().TooltipFor(hoverItem_ + 1))
                   : hoverColumn_ == kColPath   ? Utf8ToWide(view_.Text(hoverItem_, kColPath))
                                                : std::wstring();
        d.lpszText = tipText_.data();
        d.szText[0] = L'\0';
        d.hinst = nullptr;
        return 0;
    }
    return 0;
}

void FrmMain::OnGridDoubleClick(POINT at) {
    // The worker owns the model while a run goes.
    if (Running()) return;
    LVHITTESTINFO hit{};
    hit.pt = at;
    if (SendMessageW(grid_, LVM_SUBITEMHITTEST, 0, LPARAM(&hit)) < 0 || hit.iItem < 0) return;
    const int row = hit.iItem + 1;
    if (ToggleSelection(model_.grid, row, hit.iSubItem))
        SetCell(hit.iItem, hit.iSubItem, model_.grid.Cell(row, hit.iSubItem));
}

LRESULT CALLBACK FrmMain::GridProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<FrmMain*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    switch (msg) {
    case WM_KEYUP:
        // The run reads the product kind, so it is only cleared between runs.
        if (!self->Running() && IsClearProductKey(int(wp), ShiftMaskNow())) self->app_.cProduct.clear();
        break;
    case WM_MOUSEMOVE: {
        LVHITTESTINFO hit{};
        hit.pt = {short(LOWORD(lp)), short(HIWORD(lp))};
        SendMessageW(w, LVM_SUBITEMHITTEST, 0, LPARAM(&hit));
        if (hit.iItem != self->hoverItem_ || hit.iSubItem != self->hoverColumn_) {
            self->hoverItem_ = hit.iItem;
            self->hoverColumn_ = hit.iSubItem;
            // The shown tip belongs to the cell left behind; the next one asks for its own text.
            SendMessageW(self->Tooltip(), TTM_POP, 0, 0);
        }
        break;
    }
    case WM_NOTIFY:
        // Column 0 stays hidden: its divider can be neither dragged nor double-clicked open.
        if (const auto& n = *reinterpret_cast<const NMHDR*>(lp);
            IsHeaderTrack(n) && reinterpret_cast<const NMHEADERW&>(n).iItem == kColDb)
            return TRUE;
        break;
    default: break;
    }
    return CallWindowProcW(self->gridProc_, w, msg, wp, lp);
}

} // namespace qm::ui
