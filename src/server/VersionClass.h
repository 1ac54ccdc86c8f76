#pragma once
// Which SQL Server generation a version text names. Every version decision of the tool goes through
// this one function, so that a newer server whose raw version merely contains "2000" is not taken
// for SQL Server 2000.
#include <string>

namespace qm {

enum class VersionClass { None, Sql2000, Sql2005, Sql2008 };

VersionClass GetVersionClass(const std::string& versionText);

} // namespace qm
