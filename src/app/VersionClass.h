#pragma once
// Which SQL Server generation the signed-in server is. Worked out once, from the major version number,
// when the version is detected (GetServerVersion), and kept beside the display text cSQLVersion; every
// version decision reads it, none looks into the text.
namespace qm {

enum class VersionClass { None, Sql2000, Sql2005, Sql2008 };

} // namespace qm
