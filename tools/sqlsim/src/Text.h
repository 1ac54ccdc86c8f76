#pragma once
// The simulated server's name rules on top of the tool's text toolkit (platform/Text.h): letter case
// ignored (ASCII), trailing blanks ignored.
#include "platform/Text.h"

#include <string>
#include <string_view>

namespace sqlsim::text {

// Collation of the simulated server (Chinese_PRC_CI_AS as far as the tool can tell): ASCII letters
// compare without case, trailing blanks do not count, other bytes compare as they are.
int CompareCI(std::string_view a, std::string_view b);
bool NameEquals(std::string_view a, std::string_view b);
bool ContainsCI(std::string_view hay, std::string_view needle);

std::string JsonQuote(std::string_view s); // a JSON string literal

} // namespace sqlsim::text
