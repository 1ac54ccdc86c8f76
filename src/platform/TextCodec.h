#pragma once
// Decoding of local text files (profile files, the read-me) into the UTF-8 the engine works in, and the
// UTF-8 <-> wide conversions the Windows adapters need at their edges.
#include <string>
#include <string_view>

namespace qm {

// Bytes in the system's ANSI code page to UTF-8. Windows: CP_ACP. Elsewhere there is no ANSI code page,
// so valid UTF-8 stays as it is and anything else is read as GB18030 (a superset of GBK, the code page
// of a Chinese Windows). Undecodable bytes become U+FFFD (on Windows the system's own substitute, "?");
// this never fails.
std::string AnsiToUtf8(std::string_view bytes);

// Like AnsiToUtf8, but a UTF-8 or UTF-16 (LE or BE) byte-order mark decides the encoding when present.
std::string DecodeTextFile(std::string_view bytes);

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// UTF-16 code units (as little- or big-endian byte pairs) to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian);

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);

// Cuts UTF-8 text to at most maxChars code points, never inside a sequence.
std::string TruncateUtf8(const std::string& text, size_t maxChars);

#ifdef _WIN32
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
#endif

} // namespace qm
