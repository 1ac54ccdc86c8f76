#pragma once
// Log rebuild for suspect databases: the server's log is discarded and a new, empty one is built.
// Each routine leaves its failure text in cMsg (empty after success) and never throws.
#include "app/AppState.h"

#include <string>

namespace qm {

// By the version class of `version`: SQL Server 2000 → ReShutdown_2000, 2005/2008 → ReShutdown_2005,
// no class → nothing is sent and the result is true.
bool ReShutdown(AppState& app, const std::string& version, const std::string& db, std::string& path);

// SQL Server 2005/2008: emergency and single-user, stale logs moved aside, ALTER DATABASE … REBUILD LOG
// at the path the server records, one retry when the server says the file still exists, then
// multi-user and online. `path` is the upper-cased data file path and holds the derived .LDF path
// afterwards. The empty path passes the data-file test (the read-only fallback knows no data file).
bool ReShutdown_2005(AppState& app, const std::string& db, std::string& path);

// SQL Server 2000: 'allow updates' on, status -32768, DBCC REBUILD_LOG at the derived .LDF path, one
// retry, then dbo use only off and 'allow updates' off again — also on every failure after it was
// turned on.
bool ReShutdown_2000(AppState& app, const std::string& db, std::string& path);

} // namespace qm
