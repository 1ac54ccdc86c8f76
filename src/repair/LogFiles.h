#pragma once
// Names and paths of a database's transaction log, and the file operations the repair sequences
// perform. Nothing here throws; failures come back as bool and descriptions.
#include "app/AppState.h"
#include "app/ServerFiles.h"

#include <memory>
#include <string>
#include <vector>

namespace qm {

// The platform's description of a file that is held open or may not be touched.
inline constexpr const char* kPermissionDenied = "拒绝的权限";

// Logical log file name by product kind: "Ufmodel_LOG" for U8/T3/T6/T, "MsSql_log" for T+,
// "" for anything else (exact, case-sensitive), in which case the name is read from the server.
std::string GetLogName(const std::string& productKind);

// Physical path of the database's log file (sysaltfiles file 2) as the server records it, trimmed, into
// `path`; no row or Null give "". False when the query itself failed: cMsg then holds its message.
bool GetLogFilePath(AppState& app, const std::string& db, std::string& path);

// Logical name of the database's log file (sysaltfiles file 2), trimmed, into `name`; as above.
bool GetLogFileName(AppState& app, const std::string& db, std::string& name);

// The log file beside a data file: a final ".MDF" of the file name replaced by ".LDF" (case-sensitive;
// the driver upper-cases paths). Folders are never changed. "" when the name does not end in ".MDF".
std::string DerivedLogPath(const std::string& dataPath);

// What a log rebuild may touch, settled before it touches anything: only a stale log may be moved or
// rebuilt at, never the data file and never a file the server records for another database.
struct LogFilePlan {
    std::string db;
    std::string dataPath;               // as the row gives it; "" for the read-only fallback
    std::string logPath;                // the log file the server records for this database
    std::string derivedPath;            // DerivedLogPath(dataPath)
    std::shared_ptr<ServerFiles> files; // what the server records: the run's, or read for this row alone

    // Not empty, not the data file, no other database's file (paths compared without letter case).
    bool MayBeLog(const std::string& path) const;
};

// The log path lookup, then the files of every database (once per run: app.runFiles, when a run has
// one). False when a lookup failed (cMsg holds its message).
bool PlanLogFiles(AppState& app, const std::string& db, const std::string& dataPath, LogFilePlan& plan);

// True for an existing file or folder that is neither hidden nor system. The empty path is False.
bool FileExists(AppState& app, const std::string& path);

// The name a stale log file at `path` gets when it is moved aside: "<path>.<yyyyMMddHHmmss>.bak" by the
// platform clock in local time; "<path>.<yyyyMMddHHmmss>.<n>.bak" (n = 1, 2, …) while that exists.
std::string AsideName(AppState& app, const std::string& path);

// Moves a stale log file aside in its own folder instead of deleting it, so an operator can still get
// it back. Refusals come back with the platform's descriptions ("拒绝的权限" for a file the server holds
// open). Every attempt is reported to the observer. The empty path touches nothing and succeeds.
bool MoveAside(AppState& app, const std::string& path, std::string& error);

} // namespace qm
