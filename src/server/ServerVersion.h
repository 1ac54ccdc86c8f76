#pragma once
// The server's version and edition as one readable text ("SQL Server 2005 SP3 标准版"), kept as
// cSQLVersion and shown in the main window's caption, and the version class worked out from the same
// major number, which is what every version decision reads.
#include "app/AppState.h"
#include "app/VersionClass.h"

#include <memory>
#include <string>

namespace qm {

// Asks the server for SERVERPROPERTY('productversion') and ('edition') and gives the version text;
// `cls` becomes the server's class. Empties `message` first; on any failure (query refused, closed
// connection, Null field, a build number beyond 16 bits) the description goes into `message`, the
// result is "" and the class None.
std::string GetServerVersion(AppState& app, std::string& message, const std::shared_ptr<Connection>& conn,
                             VersionClass& cls);

// The one place a major version number becomes a class: 8 → 2000, 9 → 2005, 10 → 2008, 11 to 17 →
// modern (2012 to 2025); anything else, older or not yet known, has none.
VersionClass VersionClassOfMajor(int major);

// "SQL Server <year> " + service pack for majors 8 to 17 (2000 … 2025); otherwise the product version
// itself. Appends "." to `productVersion` when it does not end in one (the caller sees that). `cls`
// becomes the major's class. Fails — gives "", class None, and sets `error` — when the major or build
// number does not fit a 16-bit integer.
std::string GetVersionName(std::string& productVersion, VersionClass& cls, std::string& error);

// The Chinese label of a known edition (compared after trimming blanks), else the edition as given.
std::string GetEditionName(const std::string& edition);

} // namespace qm
