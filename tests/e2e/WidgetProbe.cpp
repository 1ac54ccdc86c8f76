#include "WidgetProbe.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QColor>
#include <QLabel>
#include <QRegularExpression>

#include <algorithm>
#include <sstream>

namespace qme2e {

std::string ToUtf8(const QString& s) { return s.toUtf8().toStdString(); }

std::string StyleSheetColor(const QString& styleSheet) {
    // "color" on its own, not "background-color" or "selection-color".
    static const QRegularExpression re(R"((?:^|[;{\s])color\s*:\s*([^;}]+))",
                                       QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch last;
    for (auto it = re.globalMatch(styleSheet); it.hasNext();) last = it.next();
    if (!last.hasMatch()) return {};
    QString value = last.captured(1).trimmed();
    static const QRegularExpression rgb(R"(^rgba?\(\s*(\d+)\s*,\s*(\d+)\s*,\s*(\d+))",
                                        QRegularExpression::CaseInsensitiveOption);
    auto m = rgb.match(value);
    QColor c = m.hasMatch() ? QColor(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt())
                            : QColor::fromString(value);
    return c.isValid() ? ToUtf8(c.name(QColor::HexRgb)) : std::string();
}

std::string LabelColor(const QLabel& label) {
    std::string fromSheet = StyleSheetColor(label.styleSheet());
    if (!fromSheet.empty()) return fromSheet;
    return ToUtf8(label.palette().color(label.foregroundRole()).name(QColor::HexRgb));
}

GridSnapshot ReadGrid(const QAbstractItemView& view) {
    GridSnapshot g;
    const QAbstractItemModel* model = view.model();
    if (!model) return g;
    int cols = model->columnCount();
    for (int c = 0; c < cols; ++c) g.header.push_back(ToUtf8(model->headerData(c, Qt::Horizontal).toString()));
    for (int r = 0; r < model->rowCount(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < cols; ++c) row.push_back(ToUtf8(model->data(model->index(r, c)).toString()));
        g.rows.push_back(std::move(row));
    }
    return g;
}

bool ParseTickList(const std::string& spec, int count, std::vector<int>& rows) {
    rows.clear();
    if (spec == "all") {
        for (int r = 1; r <= count; ++r) rows.push_back(r);
        return true;
    }
    if (spec == "none" || spec.empty()) return true;
    std::stringstream in(spec);
    std::string item;
    while (std::getline(in, item, ',')) {
        if (item.empty() || !std::all_of(item.begin(), item.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
            return false;
        if (item.size() > 6) return false;
        int r = std::stoi(item);
        if (r < 1) return false;
        rows.push_back(r);
    }
    return true;
}

} // namespace qme2e
