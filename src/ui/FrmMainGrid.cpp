// The main window's grid: a report-view ListView showing the model's rows (grid row r is item r - 1,
// the model's header row is the column header), ticking by double-click, Ctrl+S, and the report cells'
// tooltips with the row's statements.
#include "ui/FrmMain.h"

#include "ui/GridActions.h"

#include <algorithm>
#include <array>

namespace qm::ui {

namespace {

// Column widths (twips) the list is shown with when the load did not set them.
constexpr std::array<int, kShownColumns> kDefaultColumnTwips{0, 500, 800, 2000, 500, 4000, 3000, 2000};
constexpr const char* kVerifyHeader = "校验";

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
    grid_ = AddControl(WC_LISTVIEWW, Ctl::grdTable, "", WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                       TwipsToScreenPixels(t.left), TwipsToScreenPixels(t.top), TwipsToScreenPixels(t.width),
                       TwipsToScreenPixels(t.height), GuiFont(), WS_EX_CLIENTEDGE);
    SendMessageW(grid_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (int c = 0; c < kShownColumns; ++c) {
        LVCOLUMNW col{};
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = c == kColSelect ? LVCFMT_CENTER : LVCFMT_LEFT;
        col.cx = 0;
        col.pszText = const_cast<wchar_t*>(L"");
        col.iSubItem = c;
        SendMessageW(grid_, LVM_INSERTCOLUMNW, WPARAM(c), LPARAM(&col));
    }
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

void FrmMain::SetCell(int item, int column, const std::string& text) {
    std::wstring wide = Utf8ToWide(text);
    LVITEMW it{};
    it.iSubItem = column;
    it.pszText = wide.data();
    SendMessageW(grid_, LVM_SETITEMTEXTW, WPARAM(item), LPARAM(&it));
}

void FrmMain::SyncGridFromModel() {
    const AccountGrid& g = model_.grid;
    SendMessageW(grid_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(grid_, LVM_DELETEALLITEMS, 0, 0);
    for (int c = 0; c < kShownColumns; ++c) {
        std::wstring header = Utf8ToWide(c == kVerifyColumn && g.Cell(0, c).empty() ? kVerifyHeader : g.Cell(0, c));
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT;
        col.pszText = header.data();
        SendMessageW(grid_, LVM_SETCOLUMNW, WPARAM(c), LPARAM(&col));
        const int twips = c < int(g.colWidthsTwips.size()) ? g.colWidthsTwips[size_t(c)] : kDefaultColumnTwips[size_t(c)];
        // The database name column is the rows' key, never shown. The header's padding is wider than the
        // width was made for: a narrow column still shows its whole title.
        const int fit = int(SendMessageW(grid_, LVM_GETSTRINGWIDTHW, 0, LPARAM(header.c_str()))) + ScaledPixels(14);
        SendMessageW(grid_, LVM_SETCOLUMNWIDTH, WPARAM(c),
                     c == kColDb ? 0 : std::max(fit, TwipsToScreenPixels(float(twips))));
    }
    for (int r = 1; r < g.Rows(); ++r) {
        std::wstring key = Utf8ToWide(g.Cell(r, kColDb));
        LVITEMW it{};
        it.mask = LVIF_TEXT;
        it.iItem = r - 1;
        it.pszText = key.data();
        SendMessageW(grid_, LVM_INSERTITEMW, 0, LPARAM(&it));
        for (int c = 1; c < kShownColumns; ++c) SetCell(r - 1, c, g.Cell(r, c));
    }
    if (g.currentRow >= 1 && g.currentRow < g.Rows()) {
        LVITEMW it{};
        it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        it.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(grid_, LVM_SETITEMSTATE, WPARAM(g.currentRow - 1), LPARAM(&it));
    }
    SendMessageW(grid_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(grid_, nullptr, TRUE);
}

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
    if (n.code == TTN_GETDISPINFOW && n.idFrom == UINT_PTR(grid_)) {
        auto& d = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(n));
        tipText_ = hoverItem_ >= 0 && hoverColumn_ == kColReport
                       ? Utf8ToWide(run_->Transcript().TooltipFor(hoverItem_ + 1))
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
    if (ToggleSelection(model_.grid, row, hit.iSubItem)) SetCell(hit.iItem, hit.iSubItem, model_.grid.Cell(row, hit.iSubItem));
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
        if (const auto& n = *reinterpret_cast<const NMHDR*>(lp); IsHeaderTrack(n) &&
                                                                reinterpret_cast<const NMHEADERW&>(n).iItem == kColDb)
            return TRUE;
        break;
    default:
        break;
    }
    return CallWindowProcW(self->gridProc_, w, msg, wp, lp);
}

} // namespace qm::ui
