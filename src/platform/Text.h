#pragma once
// The text toolkit. Text is UTF-8 std::string everywhere inside the tool and the simulator; this is the
// one place that trims it, changes its letter case, walks its characters, converts it at the edges
// (UTF-16 for SQLWCHAR, TDS and the W functions; the ANSI code page or GB18030 for local files) and
// quotes a value in a connection text. Nothing here fails: malformed input becomes U+FFFD.
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// What a trim removes. kSpaces is VB's Trim and the server's padding; profile files also drop tabs.
inline constexpr std::string_view kSpaces = " ";
inline constexpr std::string_view kBlanks = " \t";
inline constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";

std::string_view TrimView(std::string_view s, std::string_view chars = kSpaces);
std::string_view TrimRightView(std::string_view s, std::string_view chars = kSpaces);
inline std::string Trim(std::string_view s, std::string_view chars = kSpaces) {
    return std::string(TrimView(s, chars));
}
inline std::string TrimRight(std::string_view s, std::string_view chars = kSpaces) {
    return std::string(TrimRightView(s, chars));
}

// ASCII letters only: every other byte (a Chinese path) stays, so byte offsets into the text hold.
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
std::string AsciiLower(std::string_view s);
std::string AsciiUpper(std::string_view s);
// Equal but for the case of ASCII letters.
bool EqualsNoCase(std::string_view a, std::string_view b);

// One character of UTF-8 text at byte i. A well-formed sequence gives its code point. Anything else
// gives U+FFFD with ok false: a complete sequence of an invalid value (overlong, surrogate, above
// U+10FFFF) as one character, otherwise the single byte.
struct Utf8Char {
    char32_t cp = 0;
    size_t len = 1;
    bool ok = true;
};
Utf8Char DecodeUtf8(std::string_view s, size_t i);
void AppendUtf8(std::string& out, char32_t cp);
bool IsValidUtf8(std::string_view bytes);
// Where the character that ends just before byte pos (> 0) starts; pos - 1 when the bytes there are
// not one well-formed character.
size_t Utf8CharStartBefore(std::string_view s, size_t pos);
// Cuts UTF-8 text to at most maxChars characters, never inside a sequence.
std::string TruncateUtf8(std::string_view text, size_t maxChars);
// The text split into characters, each as its bytes.
std::vector<std::string> Utf8Chars(std::string_view s);

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// UTF-16 as little- or big-endian byte pairs; a dangling odd byte becomes U+FFFD.
std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian);
#ifdef _WIN32
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
#endif

// Bytes in the system's ANSI code page to UTF-8. Windows: CP_ACP. Elsewhere there is no ANSI code page,
// so valid UTF-8 stays as it is and anything else is read as GB18030 (a superset of GBK, the code page
// of a Chinese Windows). Undecodable bytes become U+FFFD (on Windows the system's own substitute, "?").
std::string AnsiToUtf8(std::string_view bytes);
// Like AnsiToUtf8, but a UTF-8 or UTF-16 (LE or BE) byte-order mark decides the encoding when present.
std::string DecodeTextFile(std::string_view bytes);

// Text into lines, as a text file is read: LF ends a line, CR before it is dropped, a final line
// without LF counts, nothing after a final LF does ("" has no line).
std::vector<std::string> SplitTextLines(std::string_view text);

// Connection texts ("k=v;k={v;w};k='v'"), ADO's and ODBC's alike. A value may be enclosed in {…}, "…"
// or '…', the closing character doubled inside; an unenclosed value ends at the next ';' and loses
// the blanks around it.
struct ConnectionItem {
    std::string key;   // as written, blanks around it removed
    std::string value; // as meant, unenclosed
};
// Items without '=' carry nothing and are skipped; an enclosure left open runs to the end.
std::vector<ConnectionItem> ParseConnectionText(std::string_view text);
// Last item with that key (letter case ignored); nullopt when absent.
std::optional<std::string> FindConnectionItem(const std::vector<ConnectionItem>& items, std::string_view key);
// The value of the first of `keys` (synonyms, in order of preference) that is present; "" when none is.
std::string FirstConnectionItem(const std::vector<ConnectionItem>& items, std::initializer_list<std::string_view> keys);
// The value as it stands where it can (FreeTDS reads a doubled "}}" inside braces as two characters, so
// bare is the only exact form for a '}'), else enclosed in {…}: a ';', blanks at either end or an
// opening '{', '"' or '\'' would otherwise change what is read back.
std::string QuoteConnectionValue(std::string_view value);
// The value always enclosed: `open` then the value with the closing character doubled, then the close.
std::string EncloseConnectionValue(std::string_view value, char open);

} // namespace qm
