#include "repair/ReShutdown.h"

#include "repair/LogFiles.h"
#include "repair/SequenceSteps.h"
#include "server/SqlText.h"
#include "server/VersionClass.h"

namespace qm {

namespace {

// The Chinese server's "the log file exists, rename or delete it" fragments: only this failure is
// worth a second attempt after moving the file aside once more.
constexpr const char* kExists2005 = "应该重命名或删除它";
constexpr const char* kExists2000 = "应重命名或删除该文件";

std::string AsciiLower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

// A move refused because the server holds the file open is expected: the rebuild then says the file
// exists and the retry handles it. Any other refusal ends the sequence.
bool AcceptedRefusal(const PendingError& p) { return !p.failed || p.text == kPermissionDenied; }

// SQL Server 2000 machines are often English: the first checkpoints accept that wording too.
bool AcceptedRefusal2000(const PendingError& p) {
    return AcceptedRefusal(p) || AsciiLower(p.text) == "permission denied";
}

bool DataFileMissing(AppState& app, const std::string& path) {
    return !path.empty() && !FileExists(app, path);
}

// The opening both rebuilds share: the data file must exist; the log the server records and the log
// beside the data file are moved aside. `path` becomes the derived log path. False at the failure exit.
bool ClearStaleLogs(AppState& app, const std::string& db, std::string& path,
                    bool (*accepted)(const PendingError&), std::string& logPath, PendingError& pending) {
    app.cMsg.clear();
    if (DataFileMissing(app, path)) {
        app.cMsg = kDataFileMissing;
        return false;
    }
    logPath = GetLogFilePath(app, db);

    MoveAsideIfExists(app, logPath, pending);
    if (!accepted(pending)) return FailureExit(app, pending);
    pending.Clear();

    path = DerivedLogPath(path);
    MoveAsideIfExists(app, path, pending);
    if (!accepted(pending)) return FailureExit(app, pending);
    pending.Clear();
    return true;
}

// After the rebuild: a failure that says the log file still exists earns one more try, once the file
// is moved aside again (only a refusal because the server holds it open is accepted). False sends the
// sequence to its failure exit with `pending` holding the reason.
bool RetryIfLogExists(AppState& app, const char* existsFragment, const std::string& logFile,
                      const std::string& rebuild, PendingError& pending) {
    if (!pending.failed) return true;
    if (pending.text.find(existsFragment) == std::string::npos) return false;
    pending.Clear();
    MoveAsideIfExists(app, logFile, pending);
    if (!AcceptedRefusal(pending)) return false;
    pending.Clear();
    return ExecStep(app, rebuild, pending);
}

bool Sequence2005(AppState& app, const std::string& db, std::string& path) {
    std::string logPath;
    PendingError pending;
    if (!ClearStaleLogs(app, db, path, AcceptedRefusal, logPath, pending)) return false;

    std::string logicalName = GetLogName(app.cProduct);
    if (logicalName.empty()) logicalName = GetLogFileName(app, db);

    const std::string alter = "alter database " + IdentOrEmpty(db);
    const std::string rebuild = alter + " Rebuild Log on (name=" + IdentOrEmpty(logicalName) + ",filename='" +
                                SqlLiteralBody(logPath) + "') ";
    ExecStep(app, alter + " set emergency ", pending);
    ExecStep(app, alter + " set single_user with rollback immediate ", pending);
    ExecStep(app, rebuild, pending);

    if (!RetryIfLogExists(app, kExists2005, logPath, rebuild, pending)) return FailureExit(app, pending);

    // The log is rebuilt: both closing statements go out whatever the first one did.
    ExecStep(app, alter + " set multi_user", pending);
    ExecStep(app, alter + " set ONLINE", pending);
    if (pending.failed) return FailureExit(app, pending);
    return true;
}

bool Sequence2000(AppState& app, const std::string& db, std::string& path) {
    std::string logPath;
    PendingError pending;
    if (!ClearStaleLogs(app, db, path, AcceptedRefusal2000, logPath, pending)) return false;

    const std::string dbLiteral = SqlLiteralBody(db);
    const std::string rebuild = "dbcc rebuild_log('" + dbLiteral + " ','" + SqlLiteralBody(path) + "')";

    AllowUpdatesGuard allowUpdates(app);
    allowUpdates.Arm();
    ExecStep(app, "sp_configure 'allow updates',1", pending);
    ExecStep(app, "reconfigure with override", pending);
    ExecStep(app, "update sysdatabases set status=-32768 where dbid=DB_ID('" + dbLiteral + "') ", pending);
    ExecStep(app, rebuild, pending);

    if (!RetryIfLogExists(app, kExists2000, path, rebuild, pending)) return FailureExit(app, pending);

    // The closing statements turn 'allow updates' off themselves; each goes out whatever the one
    // before it did.
    allowUpdates.Disarm();
    ExecStep(app, "sp_dboption '" + dbLiteral + " ','dbo use only','false'", pending);
    ExecStep(app, "sp_configure 'allow updates',0", pending);
    ExecStep(app, "reconfigure with override", pending);
    if (pending.failed) return FailureExit(app, pending);
    return true;
}

} // namespace

bool ReShutdown_2005(AppState& app, const std::string& db, std::string& path) {
    return RunTrapped(app, [&] { return Sequence2005(app, db, path); });
}

bool ReShutdown_2000(AppState& app, const std::string& db, std::string& path) {
    return RunTrapped(app, [&] { return Sequence2000(app, db, path); });
}

bool ReShutdown(AppState& app, const std::string& version, const std::string& db, std::string& path) {
    switch (GetVersionClass(version)) {
    case VersionClass::Sql2000:
        return ReShutdown_2000(app, db, path);
    case VersionClass::Sql2005:
    case VersionClass::Sql2008:
        return ReShutdown_2005(app, db, path);
    case VersionClass::None:
        break;
    }
    return true;
}

} // namespace qm
