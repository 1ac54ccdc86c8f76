#include "platform/Connection.h"

#include "platform/Text.h"

namespace qm {

int Recordset::columnIndex(const std::string& name) const {
    for (size_t i = 0; i < columns.size(); ++i)
        if (EqualsNoCase(columns[i], name)) return int(i);
    return -1;
}

} // namespace qm
