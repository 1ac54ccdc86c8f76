#include "ui/GridActions.h"

namespace qm::ui {

bool ToggleSelection(AccountGrid& grid, int row, int col) {
    if (col != kColSelect || row < 1 || row >= grid.Rows()) return false;
    grid.SetCell(row, kColSelect, grid.Cell(row, kColSelect).empty() ? "Y" : "");
    return true;
}

void SetAllSelections(AccountGrid& grid, bool ticked) {
    for (int r = 1; r < grid.Rows(); ++r) grid.SetCell(r, kColSelect, ticked ? "Y" : "");
}

bool IsClearProductKey(int keyCode, int shiftMask) {
    return keyCode == kKeyS && (shiftMask & (kShiftMask | kCtrlMask | kAltMask)) == kCtrlMask;
}

} // namespace qm::ui
