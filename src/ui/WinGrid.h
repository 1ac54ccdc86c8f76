#pragma once
// The main window's grid as a virtual (owner-data) report ListView: the window keeps the shown texts
// itself and the list asks for the rows it draws, so a list of any length is shown in one step, with no
// work per row in the control. Cells keep their whole texts (LVM_GETITEMTEXT gives them); a path that
// does not fit its cell is drawn with its middle left out.
#include "discovery/AccountGrid.h"
#include "ui/WinCommon.h"

#include <string>
#include <utility>
#include <vector>

namespace qm::ui {

class GridView {
public:
    // Creates the list as a child `id` of `parent` with `columns` columns, all zero wide.
    HWND Create(HWND parent, int id, const RECT& place, int columns);
    HWND Hwnd() const { return list_; }

    // Shows `grid` (row 0 the column headers, `defaultHeader` for an empty header cell; rows 1… the
    // items): widths from the grid or `defaultTwips`, fitted to the list's width, the current row selected.
    void Fill(const AccountGrid& grid, const std::vector<int>& defaultTwips,
              const std::vector<std::string>& defaultHeader);
    // One cell of item `item` (grid row item + 1); out of range: ignored, or "".
    void SetCell(int item, int column, const std::string& text);
    std::string Text(int item, int column) const;

    // The list's notifications to its parent (texts asked for, custom drawing); true when handled,
    // with the answer in `result`.
    bool OnNotify(const NMHDR& n, LRESULT& result);

private:
    bool Has(int item, int column) const {
        return item >= 0 && item < int(rows_.size()) && column >= 0 && column < columns_;
    }
    LRESULT CustomDraw(NMLVCUSTOMDRAW& cd);
    bool DrawElidedPath(const NMLVCUSTOMDRAW& cd);
    int ColumnWidthFor(const AccountGrid& grid, int column, const std::wstring& header,
                       const std::vector<int>& defaultTwips) const;

    HWND list_ = nullptr;
    int columns_ = 0;
    std::vector<std::vector<std::wstring>> rows_;
    // Each row's path as last drawn shortened, and the room it was made for (-1: not yet): painting and
    // scrolling ask again and again.
    std::vector<std::pair<int, std::wstring>> shortPaths_;
};

} // namespace qm::ui
