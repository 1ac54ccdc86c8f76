#include "discovery/AccountGrid.h"

namespace qm {

const std::string& AccountGrid::Cell(int row, int col) const {
    static const std::string kEmpty;
    if (row < 0 || row >= Rows() || col < 0 || col >= int(cells_[row].size())) return kEmpty;
    return cells_[row][col];
}

void AccountGrid::SetCell(int row, int col, const std::string& text) {
    if (row < 0 || row >= Rows() || col < 0 || col >= kGridColumns) return;
    cells_[row][col] = text;
}

void AccountGrid::InsertRow(int index, const std::string& tabSeparated) {
    std::vector<std::string> row;
    std::string cur;
    for (char c : tabSeparated) {
        if (c == '\t') {
            row.push_back(cur);
            cur.clear();
        } else cur += c;
    }
    if (!cur.empty()) row.push_back(cur);
    row.resize(kGridColumns);
    if (index < 0) index = 0;
    if (index > Rows()) index = Rows();
    cells_.insert(cells_.begin() + index, std::move(row));
}

} // namespace qm
