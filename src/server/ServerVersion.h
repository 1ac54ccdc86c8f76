#pragma once
// The server's version and edition as one readable text ("SQL Server 2005 SP3 标准版"), kept as
// cSQLVersion and shown in the main window's caption. Which generation the text names is decided by
// GetVersionClass (VersionClass.h), never by looking for "2000" in it.
#include "app/AppState.h"

#include <memory>
#include <string>

namespace qm {

// Asks the server for SERVERPROPERTY('productversion') and ('edition'). Empties `message` first; on
// any failure (query refused, closed connection, Null field, a build number beyond 16 bits) the
// description goes into `message` and the result is "".
std::string GetServerVersion(AppState& app, std::string& message, const std::shared_ptr<Connection>& conn);

// "SQL Server 2000|2005|2008 " + service pack for majors 8, 9 and 10; otherwise the product version
// itself. Appends "." to `productVersion` when it does not end in one (the caller sees that).
// Fails — gives "" and sets `error` — when the major or build number does not fit a 16-bit integer.
std::string GetVersionName(std::string& productVersion, std::string& error);
std::string GetVersionName(std::string& productVersion);

// The Chinese label of a known edition (compared after trimming blanks), else the edition as given.
std::string GetEditionName(const std::string& edition);

} // namespace qm
