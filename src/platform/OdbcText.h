#pragma once
// UTF-8 <-> UTF-16 at the edges where wide characters are spoken (SQLWCHAR, TDS UCS-2 fields).
// Malformed input never fails: bad sequences and unpaired surrogates become U+FFFD.
#include <string>
#include <string_view>

namespace qm {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

} // namespace qm
