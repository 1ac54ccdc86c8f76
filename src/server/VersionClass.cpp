#include "server/VersionClass.h"

#include <string_view>

namespace qm {

// The texts GetServerVersion makes for majors 8, 9 and 10 begin with the product name; any other major
// yields the raw product version ("12.0.2000.8. …"), which must not be mistaken for one of them even
// when its digits happen to contain "2000".
VersionClass GetVersionClass(const std::string& versionText) {
    const std::string_view t(versionText);
    auto named = [&](std::string_view year) {
        const std::string prefix = std::string("SQL Server ") + std::string(year);
        if (t.substr(0, prefix.size()) != prefix) return false;
        // "SQL Server 2005" followed by the end, a blank or anything but another digit.
        return t.size() == prefix.size() || !(t[prefix.size()] >= '0' && t[prefix.size()] <= '9');
    };
    if (named("2000")) return VersionClass::Sql2000;
    if (named("2005")) return VersionClass::Sql2005;
    if (named("2008")) return VersionClass::Sql2008;
    return VersionClass::None;
}

} // namespace qm
