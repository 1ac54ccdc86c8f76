#pragma once
// Small text helpers with SQL Server's name rules: letter case ignored (ASCII), trailing blanks ignored.
#include <string>
#include <string_view>
#include <vector>

namespace sqlsim::text {

std::string Lower(std::string_view s);
std::string Upper(std::string_view s);
std::string TrimRight(std::string_view s);   // trailing blanks only, as padded comparison does
std::string Trim(std::string_view s);        // blanks, tabs and line breaks at both ends

// Collation of the simulated server (Chinese_PRC_CI_AS as far as the tool can tell): ASCII letters
// compare without case, trailing blanks do not count, other bytes compare as they are.
int CompareCI(std::string_view a, std::string_view b);
bool NameEquals(std::string_view a, std::string_view b);
bool ContainsCI(std::string_view hay, std::string_view needle);

// UTF-8 text split into characters (code points, each as its byte sequence).
std::vector<std::string> Utf8Chars(std::string_view s);

std::string JsonQuote(std::string_view s);   // a JSON string literal

} // namespace sqlsim::text
