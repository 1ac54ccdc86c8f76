// Trimming, letter case, UTF-8 and UTF-16, connection-text quoting: plain C++ on every system.
#include "platform/Text.h"

namespace qm {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += char16_t(cp);
    } else {
        cp -= 0x10000;
        out += char16_t(0xD800 + (cp >> 10));
        out += char16_t(0xDC00 + (cp & 0x3FF));
    }
}

} // namespace

std::string_view TrimView(std::string_view s, std::string_view chars) {
    const size_t first = s.find_first_not_of(chars);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(chars) - first + 1);
}

std::string_view TrimRightView(std::string_view s, std::string_view chars) {
    const size_t last = s.find_last_not_of(chars);
    return last == std::string_view::npos ? std::string_view() : s.substr(0, last + 1);
}

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

std::string AsciiUpper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = AsciiUpper(c);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

Utf8Char DecodeUtf8(std::string_view s, size_t i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) return {b0, 1, true};
    size_t len = 0;
    char32_t min = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        min = 0x80;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        min = 0x800;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        min = 0x10000;
        cp = b0 & 0x07;
    } else return {kReplacement, 1, false};
    if (i + len > s.size()) return {kReplacement, 1, false};
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return {kReplacement, 1, false};
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {kReplacement, len, false};
    return {cp, len, true};
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

bool IsValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        const Utf8Char c = DecodeUtf8(bytes, i);
        if (!c.ok) return false;
        i += c.len;
    }
    return true;
}

size_t Utf8CharStartBefore(std::string_view s, size_t pos) {
    size_t i = pos - 1;
    while (i > 0 && pos - i < 4 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
    const Utf8Char c = DecodeUtf8(s, i);
    return c.ok && i + c.len == pos ? i : pos - 1;
}

std::string TruncateUtf8(std::string_view text, size_t maxChars) {
    size_t i = 0;
    for (size_t count = 0; i < text.size() && count < maxChars; ++count) i += DecodeUtf8(text, i).len;
    return std::string(text.substr(0, i));
}

std::vector<std::string> Utf8Chars(std::string_view s) {
    std::vector<std::string> out;
    for (size_t i = 0; i < s.size();) {
        const size_t len = DecodeUtf8(s, i).len;
        out.emplace_back(s.substr(i, len));
        i += len;
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view in) {
    std::u16string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size();) {
        const Utf8Char c = DecodeUtf8(in, i);
        AppendUtf16(out, c.cp);
        i += c.len;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view in) {
    std::string out;
    out.reserve(in.size() * 3 / 2);
    for (size_t i = 0; i < in.size(); ++i) {
        char32_t cp = in[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (size_t k = 0; k + 1 < bytes.size(); k += 2) {
        const auto a = static_cast<unsigned char>(bytes[k]);
        const auto b = static_cast<unsigned char>(bytes[k + 1]);
        units += bigEndian ? char16_t((a << 8) | b) : char16_t((b << 8) | a);
    }
    if (bytes.size() % 2) units += char16_t(kReplacement);
    return Utf16ToUtf8(units);
}

#ifdef _WIN32
// wchar_t is a UTF-16 unit on Windows.
std::wstring Utf8ToWide(std::string_view utf8) {
    const std::u16string units = Utf8ToUtf16(utf8);
    return std::wstring(units.begin(), units.end());
}

std::string WideToUtf8(std::wstring_view wide) { return Utf16ToUtf8(std::u16string(wide.begin(), wide.end())); }
#endif

std::vector<ConnectionItem> ParseConnectionText(std::string_view text) {
    std::vector<ConnectionItem> items;
    size_t i = 0;
    while (i < text.size()) {
        const size_t eq = text.find('=', i);
        const size_t semi = text.find(';', i);
        if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
            if (semi == std::string_view::npos) break;
            i = semi + 1;
            continue;
        }
        ConnectionItem item;
        item.key = Trim(text.substr(i, eq - i), kWhiteSpace);
        size_t j = eq + 1;
        while (j < text.size() && text[j] == ' ') ++j;
        const char open = j < text.size() ? text[j] : '\0';
        if (open == '{' || open == '"' || open == '\'') {
            const char close = open == '{' ? '}' : open;
            for (++j; j < text.size(); ++j) {
                if (text[j] != close) {
                    item.value += text[j];
                } else if (j + 1 < text.size() && text[j + 1] == close) {
                    item.value += close;
                    ++j;
                } else {
                    ++j;
                    break;
                }
            }
            const size_t end = text.find(';', j);
            i = end == std::string_view::npos ? text.size() : end + 1;
        } else {
            const size_t end = text.find(';', eq + 1);
            const size_t stop = end == std::string_view::npos ? text.size() : end;
            item.value = Trim(text.substr(eq + 1, stop - eq - 1), kWhiteSpace);
            i = end == std::string_view::npos ? text.size() : end + 1;
        }
        if (!item.key.empty()) items.push_back(std::move(item));
    }
    return items;
}

std::optional<std::string> FindConnectionItem(const std::vector<ConnectionItem>& items, std::string_view key) {
    std::optional<std::string> found;
    for (const ConnectionItem& it : items)
        if (EqualsNoCase(it.key, key)) found = it.value;
    return found;
}

std::string FirstConnectionItem(const std::vector<ConnectionItem>& items,
                                std::initializer_list<std::string_view> keys) {
    for (std::string_view k : keys)
        if (auto v = FindConnectionItem(items, k)) return *v;
    return {};
}

std::string QuoteConnectionValue(std::string_view value) {
    const bool needs = value.find(';') != std::string_view::npos ||
                       (!value.empty() && (kWhiteSpace.find(value.front()) != std::string_view::npos ||
                                           kWhiteSpace.find(value.back()) != std::string_view::npos ||
                                           value.front() == '{' || value.front() == '"' || value.front() == '\''));
    return needs ? EncloseConnectionValue(value, '{') : std::string(value);
}

std::string EncloseConnectionValue(std::string_view value, char open) {
    const char close = open == '{' ? '}' : open;
    std::string out(1, open);
    for (char c : value) {
        out += c;
        if (c == close) out += close;
    }
    out += close;
    return out;
}

std::vector<std::string> SplitTextLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const bool last = end == std::string::npos;
        if (last) end = text.size();
        size_t len = end - start;
        if (len > 0 && text[start + len - 1] == '\r') --len;
        lines.emplace_back(text.substr(start, len));
        if (last) break;
        start = end + 1;
    }
    return lines;
}

} // namespace qm
