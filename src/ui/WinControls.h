#pragma once
// Finding and reading the windows' controls by name, for whoever drives the real windows in-process
// (the window tests, the end-to-end harness): no pixel positions, no waiting by the clock.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace qm::ui {

// The control `name` (see ControlIds.h) of a window; null when the window has none.
HWND FindControl(HWND window, std::string_view name);

// The text colour the control is drawn with, as its window answers WM_CTLCOLORSTATIC.
COLORREF ControlTextColor(HWND control);
// The tooltip text its window's tooltip control holds for the control; "" without one.
std::string ControlTooltip(HWND control);

// A report-view ListView: rows, cell texts, header texts, column widths in pixels.
int ListViewRows(HWND list);
std::string ListViewCell(HWND list, int item, int column);
std::string ListViewHeader(HWND list, int column);
int ListViewColumnWidth(HWND list, int column);
// The client rectangle of a cell.
RECT ListViewCellRect(HWND list, int item, int column);

// Dispatches this thread's messages until `done` holds; false when `timeoutMs` passed first. Waits for
// messages in between, so it takes no processor while nothing happens.
bool PumpMessagesUntil(const std::function<bool()>& done, int timeoutMs);

} // namespace qm::ui
