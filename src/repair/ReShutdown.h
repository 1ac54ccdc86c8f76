#pragma once
// Log rebuild for suspect databases: the server's log is discarded and a new, empty one is built.
// Each routine leaves its failure text in cMsg (empty after success) and never throws.
#include "app/AppState.h"

#include <string>

namespace qm {

// By the server's class: SQL Server 2000 → ReShutdown_2000, 2005/2008 and modern → ReShutdown_2005,
// no class → nothing is sent and the result is true.
bool ReShutdown(AppState& app, VersionClass cls, const std::string& db, std::string& path);

// Both rebuilds make their lookups first (a failed one ends the row with its message, nothing changed
// or moved) and move aside only stale logs: never the data file, never another database's file (see
// LogFilePlan). `path` is the upper-cased data file path and holds the derived .LDF path afterwards
// ("" when the file name does not end in .MDF).

// SQL Server 2005 and later: emergency and single-user, stale logs moved aside, ALTER DATABASE … REBUILD
// LOG at the path the server records, one retry when the server says the file still exists, then
// multi-user and online. Leaving at its failure exit after single_user went out, it sets the database
// back to multi-user. A recorded log path that is empty, the data file or another database's file
// fails the row with "未修复：无法确定日志文件路径" before anything is changed. The empty data path passes the
// data-file test (the read-only fallback knows no data file).
bool ReShutdown_2005(AppState& app, const std::string& db, std::string& path);

// SQL Server 2000: the status word read, 'allow updates' on, status -32768, DBCC REBUILD_LOG at the
// derived path (or, when there is none or it is another database's file, at the recorded log path;
// with neither usable "未修复：无法确定日志文件路径" before anything is changed), one retry, then dbo use
// only off and 'allow updates' off. When the rebuild did not succeed, the old status word is written
// back and 'allow updates' turned off before leaving.
bool ReShutdown_2000(AppState& app, const std::string& db, std::string& path);

} // namespace qm
