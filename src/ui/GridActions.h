#pragma once
// What the main window's grid gestures do to the list, kept apart from the widgets.
#include "discovery/AccountGrid.h"

namespace qm::ui {

// Shift/Ctrl/Alt as a mask: Shift 1, Ctrl 2, Alt 4.
inline constexpr int kShiftMask = 1;
inline constexpr int kCtrlMask = 2;
inline constexpr int kAltMask = 4;
inline constexpr int kKeyS = 83;

// Double-click on (row, col): only the selection column of a data row flips between "Y" and "".
// Returns whether the cell changed.
bool ToggleSelection(AccountGrid& grid, int row, int col);

// Ticks (or unticks) every row after the header, the single empty row of an empty list included.
void SetAllSelections(AccountGrid& grid, bool ticked);

// Key-up that clears the product kind: S with exactly Ctrl held.
bool IsClearProductKey(int keyCode, int shiftMask);

} // namespace qm::ui
