#include "ServerPaths.h"

#include <algorithm>

namespace sqlsim {

std::string PathStyle::Shown(const std::string& hostPath) const {
    if (!windows || hostPath.empty() || hostPath[0] != '/') return hostPath;
    std::string out = "Z:" + hostPath;
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

std::string PathStyle::Host(std::string_view p) const {
    if (!windows) return std::string(p);
    // A drive letter in either case; a path rooted without one is on the current drive, Z: here.
    if (p.size() >= 2 && p[1] == ':') {
        if (p[0] != 'Z' && p[0] != 'z') return {};
        p.remove_prefix(2);
    }
    if (p.empty() || (p[0] != '\\' && p[0] != '/')) return {};
    std::string out(p);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

} // namespace sqlsim
