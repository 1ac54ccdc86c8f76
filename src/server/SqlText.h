#pragma once
// Putting names and texts into T-SQL safely, by the server's own rules: an identifier is bracketed as
// QUOTENAME does, a literal has its apostrophes doubled. Both leave ordinary account-set names
// (UFDATA_001_2015, UFTSystem) exactly as they are, so the statement texts stay the usual ones.
#include <string>

namespace qm {

// `name` as it may stand where T-SQL expects an identifier (ALTER DATABASE <name>, USE <name>, …).
// A regular identifier (ASCII letters, digits, _, @, #, $; first character a letter or _; not a
// reserved word) goes in unchanged; anything else becomes [name] with every ] doubled.
std::string SqlIdent(const std::string& name);

// The text to put between the apostrophes of a literal: every ' doubled. The surrounding apostrophes
// belong to the statement text, not to this result.
std::string SqlLiteralBody(const std::string& text);

// True when `name` may stand unquoted as an identifier (the test SqlIdent makes).
bool IsRegularIdentifier(const std::string& name);

} // namespace qm
