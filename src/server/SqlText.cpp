#include "server/SqlText.h"

#include "platform/Text.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace qm {

namespace {

// The server's reserved keywords: such a name is made of identifier characters but still has to be
// delimited (a database called "Default" or "Plan" exists in the wild). Sorted for binary search.
// clang-format off
constexpr std::string_view kReserved[] = {
    "ADD", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "AUTHORIZATION", "BACKUP", "BEGIN", "BETWEEN",
    "BREAK", "BROWSE", "BULK", "BY", "CASCADE", "CASE", "CHECK", "CHECKPOINT", "CLOSE", "CLUSTERED",
    "COALESCE", "COLLATE", "COLUMN", "COMMIT", "COMPUTE", "CONSTRAINT", "CONTAINS", "CONTAINSTABLE",
    "CONTINUE", "CONVERT", "CREATE", "CROSS", "CURRENT", "CURRENT_DATE", "CURRENT_TIME",
    "CURRENT_TIMESTAMP", "CURRENT_USER", "CURSOR", "DATABASE", "DBCC", "DEALLOCATE", "DECLARE",
    "DEFAULT", "DELETE", "DENY", "DESC", "DISK", "DISTINCT", "DISTRIBUTED", "DOUBLE", "DROP", "DUMP",
    "ELSE", "END", "ERRLVL", "ESCAPE", "EXCEPT", "EXEC", "EXECUTE", "EXISTS", "EXIT", "EXTERNAL",
    "FETCH", "FILE", "FILLFACTOR", "FOR", "FOREIGN", "FREETEXT", "FREETEXTTABLE", "FROM", "FULL",
    "FUNCTION", "GOTO", "GRANT", "GROUP", "HAVING", "HOLDLOCK", "IDENTITY", "IDENTITYCOL",
    "IDENTITY_INSERT", "IF", "IN", "INDEX", "INNER", "INSERT", "INTERSECT", "INTO", "IS", "JOIN", "KEY",
    "KILL", "LEFT", "LIKE", "LINENO", "LOAD", "MERGE", "NATIONAL", "NOCHECK", "NONCLUSTERED", "NOT",
    "NULL", "NULLIF", "OF", "OFF", "OFFSETS", "ON", "OPEN", "OPENDATASOURCE", "OPENQUERY", "OPENROWSET",
    "OPENXML", "OPTION", "OR", "ORDER", "OUTER", "OVER", "PERCENT", "PIVOT", "PLAN", "PRECISION",
    "PRIMARY", "PRINT", "PROC", "PROCEDURE", "PUBLIC", "RAISERROR", "READ", "READTEXT", "RECONFIGURE",
    "REFERENCES", "REPLICATION", "RESTORE", "RESTRICT", "RETURN", "REVERT", "REVOKE", "RIGHT",
    "ROLLBACK", "ROWCOUNT", "ROWGUIDCOL", "RULE", "SAVE", "SCHEMA", "SECURITYAUDIT", "SELECT",
    "SESSION_USER", "SET", "SETUSER", "SHUTDOWN", "SOME", "STATISTICS", "SYSTEM_USER", "TABLE",
    "TABLESAMPLE", "TEXTSIZE", "THEN", "TO", "TOP", "TRAN", "TRANSACTION", "TRIGGER", "TRUNCATE",
    "TSEQUAL", "UNION", "UNIQUE", "UNPIVOT", "UPDATE", "UPDATETEXT", "USE", "USER", "VALUES", "VARYING",
    "VIEW", "WAITFOR", "WHEN", "WHERE", "WHILE", "WITH", "WRITETEXT"};
// clang-format on

bool IsReserved(const std::string& name) {
    return std::binary_search(std::begin(kReserved), std::end(kReserved), std::string_view(AsciiUpper(name)));
}

bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

} // namespace

bool IsRegularIdentifier(const std::string& name) {
    if (name.empty() || name.size() > 128) return false;
    // A leading @ or # would make the server read a variable or a temporary object, a leading digit
    // or $ a number: only a letter or _ may start a name that stands bare.
    const unsigned char first = static_cast<unsigned char>(name.front());
    if (!IsAsciiLetter(first) && first != '_') return false;
    for (unsigned char c : name) {
        // Non-ASCII bytes are delimited too: whether a character is a letter is the server's
        // collation's business, and brackets are always correct.
        if (!(IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_' || c == '@' || c == '#' || c == '$')) return false;
    }
    return !IsReserved(name);
}

std::string SqlIdent(const std::string& name) {
    if (IsRegularIdentifier(name)) return name;
    std::string out = "[";
    for (char c : name) {
        out += c;
        if (c == ']') out += ']';
    }
    out += ']';
    return out;
}

std::string SqlLiteralBody(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

} // namespace qm
