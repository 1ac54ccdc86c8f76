#include "ui/WinGrid.h"

#include "platform/Text.h"
#include "ui/GridFit.h"

#include <algorithm>

namespace qm::ui {

namespace {

// The narrowest the path and report columns get to make the grid fit; below it the grid scrolls.
constexpr float kShrinkFloorTwips = 1500;

// Room between a cell's edges and its text, as the list leaves it.
int CellPadding() { return ScaledPixels(6); }

} // namespace

HWND GridView::Create(HWND parent, int id, const RECT& place, int columns) {
    columns_ = columns;
    list_ = CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA, place.left,
        place.top, place.right - place.left, place.bottom - place.top, parent, reinterpret_cast<HMENU>(INT_PTR(id)),
        GetModuleHandleW(nullptr), nullptr);
    if (!list_) return nullptr;
    SendMessageW(list_, WM_SETFONT, WPARAM(GuiFont()), FALSE);
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (int c = 0; c < columns; ++c) {
        LVCOLUMNW col{};
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = c == kColSelect ? LVCFMT_CENTER : LVCFMT_LEFT;
        col.pszText = const_cast<wchar_t*>(L"");
        col.iSubItem = c;
        SendMessageW(list_, LVM_INSERTCOLUMNW, WPARAM(c), LPARAM(&col));
    }
    return list_;
}

int GridView::ColumnWidthFor(const AccountGrid& g, int c, const std::wstring& header,
                             const std::vector<int>& defaultTwips) const {
    // The database name column is the rows' key, never shown.
    if (c == kColDb) return 0;
    const int twips = c < int(g.colWidthsTwips.size()) ? g.colWidthsTwips[size_t(c)]
                      : c < int(defaultTwips.size())   ? defaultTwips[size_t(c)]
                                                       : 0;
    // The header's padding is wider than the width was made for: a narrow column still shows its whole title.
    const int fit = int(SendMessageW(list_, LVM_GETSTRINGWIDTHW, 0, LPARAM(header.c_str()))) + ScaledPixels(14);
    return std::max(fit, TwipsToScreenPixels(float(twips)));
}

void GridView::Fill(const AccountGrid& g, const std::vector<int>& defaultTwips,
                    const std::vector<std::string>& defaultHeader) {
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    std::vector<int> widths;
    for (int c = 0; c < columns_; ++c) {
        const std::string& given = g.Cell(0, c);
        std::wstring header =
            Utf8ToWide(given.empty() && c < int(defaultHeader.size()) ? defaultHeader[size_t(c)] : given);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT;
        col.pszText = header.data();
        SendMessageW(list_, LVM_SETCOLUMNW, WPARAM(c), LPARAM(&col));
        widths.push_back(ColumnWidthFor(g, c, header, defaultTwips));
    }
    // Fitted to the width the list has beside a vertical scroll bar, whether one shows now or not: a long
    // list gets one, and its last column must not go under it.
    RECT client{};
    GetClientRect(list_, &client);
    int available = client.right - client.left;
    if (!(GetWindowLongW(list_, GWL_STYLE) & WS_VSCROLL)) available -= GetSystemMetrics(SM_CXVSCROLL);
    widths = FitGridColumns(std::move(widths), available, TwipsToScreenPixels(kShrinkFloorTwips));
    for (int c = 0; c < columns_; ++c) SendMessageW(list_, LVM_SETCOLUMNWIDTH, WPARAM(c), widths[size_t(c)]);

    rows_.assign(size_t(std::max(0, g.Rows() - 1)), {});
    shortPaths_.assign(rows_.size(), {-1, {}});
    for (int r = 1; r < g.Rows(); ++r) {
        auto& row = rows_[size_t(r - 1)];
        row.reserve(size_t(columns_));
        for (int c = 0; c < columns_; ++c) row.push_back(Utf8ToWide(g.Cell(r, c)));
    }
    // Emptied first, so the new list starts at its top with nothing selected.
    SendMessageW(list_, LVM_SETITEMCOUNT, 0, 0);
    SendMessageW(list_, LVM_SETITEMCOUNT, WPARAM(rows_.size()), 0);
    if (g.currentRow >= 1 && g.currentRow < g.Rows()) {
        LVITEMW it{};
        it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        it.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list_, LVM_SETITEMSTATE, WPARAM(g.currentRow - 1), LPARAM(&it));
    }
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

void GridView::SetCell(int item, int column, const std::string& text) {
    if (!Has(item, column)) return;
    rows_[size_t(item)][size_t(column)] = Utf8ToWide(text);
    if (column == kColPath) shortPaths_[size_t(item)].first = -1;
    SendMessageW(list_, LVM_REDRAWITEMS, WPARAM(item), LPARAM(item));
}

std::string GridView::Text(int item, int column) const {
    if (!Has(item, column)) return {};
    return WideToUtf8(rows_[size_t(item)][size_t(column)]);
}

bool GridView::OnNotify(const NMHDR& n, LRESULT& result) {
    if (n.hwndFrom != list_) return false;
    switch (n.code) {
    case LVN_GETDISPINFOW: {
        auto& d = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(n));
        const int item = d.item.iItem, column = d.item.iSubItem;
        if ((d.item.mask & LVIF_TEXT) && d.item.pszText && d.item.cchTextMax > 0)
            lstrcpynW(d.item.pszText, Has(item, column) ? rows_[size_t(item)][size_t(column)].c_str() : L"",
                      d.item.cchTextMax);
        result = 0;
        return true;
    }
    case NM_CUSTOMDRAW:
        result = CustomDraw(const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(n)));
        return true;
    default: return false;
    }
}

LRESULT GridView::CustomDraw(NMLVCUSTOMDRAW& cd) {
    switch (cd.nmcd.dwDrawStage) {
    case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        return cd.iSubItem == kColPath && DrawElidedPath(cd) ? CDRF_SKIPDEFAULT : CDRF_DODEFAULT;
    default: return CDRF_DODEFAULT;
    }
}

// Draws a path cell whose text is wider than the cell; false (the list draws it) when it fits.
bool GridView::DrawElidedPath(const NMLVCUSTOMDRAW& cd) {
    const int item = int(cd.nmcd.dwItemSpec);
    if (!Has(item, kColPath)) return false;
    const std::wstring& path = rows_[size_t(item)][size_t(kColPath)];
    RECT cell{};
    cell.top = kColPath;
    cell.left = LVIR_LABEL;
    if (!SendMessageW(list_, LVM_GETSUBITEMRECT, WPARAM(item), LPARAM(&cell))) return false;
    HDC dc = cd.nmcd.hdc;
    const int room = cell.right - cell.left - 2 * CellPadding();
    auto& [madeFor, shown] = shortPaths_[size_t(item)];
    if (madeFor != room) {
        auto fits = [&](const std::wstring& text) {
            SIZE size{};
            GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
            return size.cx <= room;
        };
        madeFor = room;
        shown = fits(path) ? std::wstring() : Utf8ToWide(ElidePathMiddle(WideToUtf8(path), [&](const std::string& t) {
            return fits(Utf8ToWide(t));
        }));
    }
    // Empty: the whole path fits, and the list draws it.
    if (shown.empty()) return false;

    const bool selected = SendMessageW(list_, LVM_GETITEMSTATE, WPARAM(item), LVIS_SELECTED) & LVIS_SELECTED;
    const bool focused = GetFocus() == list_;
    const COLORREF back = selected ? GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE)
                                   : COLORREF(SendMessageW(list_, LVM_GETTEXTBKCOLOR, 0, 0));
    const COLORREF fore = selected ? GetSysColor(focused ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT)
                                   : COLORREF(SendMessageW(list_, LVM_GETTEXTCOLOR, 0, 0));
    // CLR_DEFAULT and CLR_NONE stand for the window's own colours.
    FillRect(dc, &cell, SolidBrushOf(back == CLR_NONE || back == CLR_DEFAULT ? GetSysColor(COLOR_WINDOW) : back));
    SetTextColor(dc, fore == CLR_DEFAULT ? GetSysColor(COLOR_WINDOWTEXT) : fore);
    SetBkMode(dc, TRANSPARENT);
    RECT text = cell;
    text.left += CellPadding();
    text.right -= CellPadding();
    DrawTextW(dc, shown.c_str(), int(shown.size()), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    return true;
}

} // namespace qm::ui
