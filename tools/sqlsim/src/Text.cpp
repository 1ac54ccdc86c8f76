#include "Text.h"

#include <nlohmann/json.hpp>

namespace sqlsim::text {

int CompareCI(std::string_view a, std::string_view b) {
    a = qm::TrimRightView(a);
    b = qm::TrimRightView(b);
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(qm::AsciiLower(a[i]));
        const auto y = static_cast<unsigned char>(qm::AsciiLower(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool NameEquals(std::string_view a, std::string_view b) { return CompareCI(a, b) == 0; }

bool ContainsCI(std::string_view hay, std::string_view needle) {
    return qm::AsciiLower(hay).find(qm::AsciiLower(needle)) != std::string::npos;
}

std::string JsonQuote(std::string_view s) {
    return nlohmann::json(std::string(s)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace sqlsim::text
