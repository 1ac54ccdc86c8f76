#include "platform/Connection.h"

#include <algorithm>
#include <cctype>

namespace qm {

int Recordset::columnIndex(const std::string& name) const {
    auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        return s;
    };
    const std::string want = lower(name);
    for (size_t i = 0; i < columns.size(); ++i)
        if (lower(columns[i]) == want) return int(i);
    return -1;
}

} // namespace qm
