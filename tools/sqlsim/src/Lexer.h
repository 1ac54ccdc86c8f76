#pragma once
// T-SQL tokens: comments dropped, literals unescaped ('' → ', ]] → ]), positions kept for messages.
#include <string>
#include <string_view>
#include <vector>

namespace sqlsim {

enum class Tok { Ident, QuotedIdent, String, Number, Variable, Symbol };

struct Token {
    Tok kind = Tok::Symbol;
    std::string text; // identifier or symbol as written; unescaped content of a literal or [name]
    std::string raw;  // the source slice, for syntax messages
    size_t pos = 0;

    bool Is(std::string_view keyword) const; // a plain identifier equal to keyword, any letter case
    bool IsSym(std::string_view s) const { return kind == Tok::Symbol && text == s; }
    bool IsName() const { return kind == Tok::Ident || kind == Tok::QuotedIdent; }
};

struct LexResult {
    std::vector<Token> tokens;
    bool ok = true;
    std::string unclosed; // the text after an unclosed quote
};

LexResult Lex(std::string_view sql);

} // namespace sqlsim
