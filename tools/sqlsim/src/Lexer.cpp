#include "Lexer.h"

#include "Text.h"

#include <cctype>

namespace sqlsim {

bool Token::Is(std::string_view keyword) const { return kind == Tok::Ident && qm::EqualsNoCase(text, keyword); }

namespace {

bool IdentStart(unsigned char c) { return std::isalpha(c) || c == '_' || c == '#' || c >= 0x80; }
bool IdentPart(unsigned char c) { return IdentStart(c) || std::isdigit(c) || c == '@' || c == '$'; }

// Reads a quoted run starting after the opening quote; the closing quote doubled stands for itself.
bool ReadQuoted(std::string_view s, size_t& i, char close, std::string& out) {
    while (i < s.size()) {
        if (s[i] == close) {
            if (i + 1 < s.size() && s[i + 1] == close) {
                out += close;
                i += 2;
                continue;
            }
            ++i;
            return true;
        }
        out += s[i++];
    }
    return false;
}

} // namespace

LexResult Lex(std::string_view s) {
    LexResult r;
    size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        if (std::isspace(c)) {
            ++i;
            continue;
        }
        if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
            while (i < s.size() && s[i] != '\n') ++i;
            continue;
        }
        if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            size_t end = s.find("*/", i + 2);
            i = end == std::string_view::npos ? s.size() : end + 2;
            continue;
        }
        Token t;
        t.pos = i;
        size_t start = i;
        bool national = (c == 'N' || c == 'n') && i + 1 < s.size() && s[i + 1] == '\'';
        if (c == '\'' || national) {
            i += national ? 2 : 1;
            t.kind = Tok::String;
            if (!ReadQuoted(s, i, '\'', t.text)) {
                r.ok = false;
                r.unclosed = t.text;
                return r;
            }
        } else if (c == '[' || c == '"') {
            ++i;
            t.kind = Tok::QuotedIdent;
            if (!ReadQuoted(s, i, c == '[' ? ']' : '"', t.text)) {
                r.ok = false;
                r.unclosed = t.text;
                return r;
            }
        } else if (c == '@') {
            ++i;
            while (i < s.size() && (IdentPart(static_cast<unsigned char>(s[i])))) ++i;
            t.kind = Tok::Variable;
            t.text = std::string(s.substr(start, i - start));
        } else if (std::isdigit(c) ||
                   (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '.')) ++i;
            t.kind = Tok::Number;
            t.text = std::string(s.substr(start, i - start));
        } else if (IdentStart(c)) {
            while (i < s.size() && IdentPart(static_cast<unsigned char>(s[i]))) ++i;
            t.kind = Tok::Ident;
            t.text = std::string(s.substr(start, i - start));
        } else {
            static const char* const two[] = {"<>", "<=", ">=", "!=", "!<", "!>"};
            t.kind = Tok::Symbol;
            t.text = std::string(1, static_cast<char>(c));
            for (const char* op : two) {
                if (s.substr(i, 2) == op) t.text = op;
            }
            i += t.text.size();
        }
        t.raw = std::string(s.substr(start, i - start));
        r.tokens.push_back(std::move(t));
    }
    return r;
}

} // namespace sqlsim
