#pragma once
// How the main window's grid fits its width, worked out without a widget: the columns' shown widths, and
// paths too long for their cell shortened in the middle for display (the cell keeps its whole text).
#include <functional>
#include <string>
#include <vector>

namespace qm::ui {

// The widths the grid shows its columns with: as given, except that when they add up to more than
// `available`, the path and report columns give up the excess, each in proportion to what it has above
// `floor`. When even that is not enough the grid scrolls sideways.
std::vector<int> FitGridColumns(std::vector<int> widths, int available, int floor);

// `path` as it is drawn where `fits` says whether a text has room: whole when it fits, otherwise with
// its middle left out — the drive and first folder, "…", then as many of its last parts as fit
// ("D:\U8SOFT\…\2015\UFDATA.MDF"); failing that the drive alone before "…"; failing that the text's two
// ends around "…".
std::string ElidePathMiddle(const std::string& path, const std::function<bool(const std::string&)>& fits);

} // namespace qm::ui
