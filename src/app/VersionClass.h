#pragma once
// Which SQL Server generation the signed-in server is: 2000, 2005, 2008 (2008 R2 included), or a
// modern one, 2012 to 2025, which takes 2005's statements and has a state column of its own. Worked out
// once, from the major version number, when the version is detected (GetServerVersion), and kept beside
// the display text cSQLVersion; every version decision reads it, none looks into the text.
namespace qm {

enum class VersionClass { None, Sql2000, Sql2005, Sql2008, Modern };

} // namespace qm
