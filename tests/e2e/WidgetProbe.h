#pragma once
// Reads what the main window shows, by object name, the way an operator sees it: label texts and
// colours, the grid's header and cells.
#include <QString>

#include <string>
#include <vector>

class QAbstractItemView;
class QLabel;
class QWidget;

namespace qme2e {

std::string ToUtf8(const QString& s);

// "#rrggbb" of the text colour a label shows: its style sheet's "color" when it has one, else its palette.
std::string LabelColor(const QLabel& label);
// The colour value of a style sheet's "color" property as "#rrggbb"; "" when there is none.
std::string StyleSheetColor(const QString& styleSheet);

struct GridSnapshot {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};
GridSnapshot ReadGrid(const QAbstractItemView& view);

// The grid rows (1-based, as the operator counts them) that "--tick all" or "--tick 1,3" names;
// false for a malformed list.
bool ParseTickList(const std::string& spec, int count, std::vector<int>& rows);

} // namespace qme2e
