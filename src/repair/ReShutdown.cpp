#include "repair/ReShutdown.h"

#include "app/Db.h"
#include "platform/Text.h"
#include "repair/LogFiles.h"
#include "repair/SequenceSteps.h"
#include "server/SqlText.h"

namespace qm {

namespace {

// "The log file exists, rename or delete it": only this failure is worth a second attempt after moving
// the file aside once more. Known by its number in any language, and by the Chinese fragments where a
// driver gives no number.
constexpr long kLogFileExists = 5025;
constexpr const char* kExists2005 = "应该重命名或删除它";
constexpr const char* kExists2000 = "应重命名或删除该文件";

// A move refused because the server holds the file open is expected: the rebuild then says the file
// exists and the retry handles it. Any other refusal ends the sequence.
bool AcceptedRefusal(const PendingError& p) { return !p.failed || p.text == kPermissionDenied; }

// SQL Server 2000 machines are often English: the first checkpoints accept that wording too.
bool AcceptedRefusal2000(const PendingError& p) {
    return AcceptedRefusal(p) || EqualsNoCase(p.text, "permission denied");
}

// The opening both rebuilds share: the data file must exist, and the lookups are made before anything
// is touched, so a failed one ends the row with its message and nothing sent or moved. False at the
// failure exit.
bool Prepare(AppState& app, const std::string& db, const std::string& dataPath, LogFilePlan& plan) {
    app.cMsg.clear();
    if (DataFileMissing(app, dataPath)) {
        app.cMsg = kDataFileMissing;
        return false;
    }
    return PlanLogFiles(app, db, dataPath, plan);
}

// The log the server records and the log beside the data file are moved aside, each only when the
// plan lets it. False at the failure exit.
bool ClearStaleLogs(AppState& app, const LogFilePlan& plan, bool (*accepted)(const PendingError&),
                    PendingError& pending) {
    for (const std::string* log : {&plan.logPath, &plan.derivedPath}) {
        MoveStaleLog(app, plan, *log, pending);
        if (!accepted(pending)) return FailureExit(app, pending);
        pending.Clear();
    }
    return true;
}

// After the rebuild: a failure that says the log file still exists earns one more try, once the file
// is moved aside again (only a refusal because the server holds it open is accepted). True when the
// rebuild or its retry was accepted; false sends the sequence to its failure exit with `pending`
// holding the reason.
bool RetryIfLogExists(AppState& app, const char* existsFragment, const LogFilePlan& plan, const std::string& logFile,
                      const std::string& rebuild, PendingError& pending) {
    if (!pending.failed) return true;
    if (pending.number != kLogFileExists && pending.text.find(existsFragment) == std::string::npos) return false;
    pending.Clear();
    MoveStaleLog(app, plan, logFile, pending);
    if (!AcceptedRefusal(pending)) return false;
    pending.Clear();
    return ExecStep(app, rebuild, pending);
}

bool Sequence2005(AppState& app, const std::string& db, std::string& path) {
    LogFilePlan plan;
    if (!Prepare(app, db, path, plan)) return false;
    std::string logicalName = GetLogName(app.cProduct);
    if (logicalName.empty() && !GetLogFileName(app, db, logicalName)) return false;
    // A rebuild aimed at nothing, at the data file or at another database's file can only fail, and
    // it would leave the database in emergency.
    if (!plan.MayBeLog(plan.logPath)) {
        app.cMsg = kNoLogPath;
        return false;
    }
    path = plan.derivedPath;

    PendingError pending;
    if (!ClearStaleLogs(app, plan, AcceptedRefusal, pending)) return false;

    const std::string alter = "alter database " + IdentOrEmpty(db);
    const std::string rebuild = alter + " Rebuild Log on (name=" + IdentOrEmpty(logicalName) + ",filename='" +
                                SqlLiteralBody(plan.logPath) + "') ";
    // Left single-user, the database belongs to whichever application connects first and the
    // administrator is locked out.
    UndoGuard multiUser(app, {alter + " set multi_user"});
    ExecStep(app, alter + " set emergency ", pending);
    multiUser.Arm();
    ExecStep(app, alter + " set single_user with rollback immediate ", pending);
    ExecStep(app, rebuild, pending);

    if (!RetryIfLogExists(app, kExists2005, plan, plan.logPath, rebuild, pending)) return FailureExit(app, pending);
    plan.files->LogRebuilt(db, plan.logPath);

    // The log is rebuilt: both closing statements go out whatever the first one did.
    if (ExecStep(app, alter + " set multi_user", pending)) multiUser.Disarm();
    ExecStep(app, alter + " set ONLINE", pending);
    if (pending.failed) return FailureExit(app, pending);
    return true;
}

// The status word as the server holds it now, into `status` as an integer text ("" when there is no
// such row). False when the query failed (cMsg holds its message).
bool ReadStatusWord(AppState& app, const std::string& db, std::string& status) {
    const Value v = GetSqlValue(
        app, "status", "select status from master..sysdatabases where name='" + SqlLiteralBody(db) + "'", app.oMaster);
    if (v.isEmpty()) return false;
    status = NullToStr(v);
    const size_t digits = status.rfind('-', 0) == 0 ? 1 : 0;
    if (status.size() == digits || status.find_first_not_of("0123456789", digits) != std::string::npos) status.clear();
    return true;
}

bool Sequence2000(AppState& app, const std::string& db, std::string& path) {
    LogFilePlan plan;
    if (!Prepare(app, db, path, plan)) return false;
    // The new log goes beside the data file unless that is another database's file; then where the
    // server records this database's log.
    const std::string target = plan.MayBeLog(plan.derivedPath) ? plan.derivedPath : plan.logPath;
    if (!plan.MayBeLog(target)) {
        app.cMsg = kNoLogPath;
        return false;
    }
    std::string oldStatus;
    if (!ReadStatusWord(app, db, oldStatus)) return false;
    path = plan.derivedPath;

    PendingError pending;
    if (!ClearStaleLogs(app, plan, AcceptedRefusal2000, pending)) return false;

    const std::string dbLiteral = SqlLiteralBody(db);
    const std::string rebuild = "dbcc rebuild_log('" + dbLiteral + " ','" + SqlLiteralBody(target) + "')";

    UndoGuard allowUpdates = AllowUpdatesOffGuard(app);
    // Declared after the guard above: leaving early, the old status word goes back while 'allow
    // updates' is still on. A database left at -32768 is no longer listed as damaged at all.
    UndoGuard statusBack(app,
                         {"update sysdatabases set status=" + oldStatus + " where dbid=DB_ID('" + dbLiteral + "')"});
    allowUpdates.Arm();
    ExecStep(app, kAllowUpdatesOn, pending);
    ExecStep(app, kReconfigure, pending);
    if (ExecStep(app, "update sysdatabases set status=-32768 where dbid=DB_ID('" + dbLiteral + "') ", pending) &&
        !oldStatus.empty())
        statusBack.Arm();
    if (ExecStep(app, rebuild, pending)) statusBack.Disarm();

    if (!RetryIfLogExists(app, kExists2000, plan, target, rebuild, pending)) return FailureExit(app, pending);
    statusBack.Disarm();
    // Later rows of the run must know the new log as this database's file.
    plan.files->LogRebuilt(db, target);

    // The closing statements turn 'allow updates' off themselves; each goes out whatever the one
    // before it did. The guard stands down only once both of the last two were accepted: one refused,
    // or cut short by 停止, leaves the option on.
    ExecStep(app, "sp_dboption '" + dbLiteral + " ','dbo use only','false'", pending);
    const bool off = ExecStep(app, kAllowUpdatesOff, pending);
    if (ExecStep(app, kReconfigure, pending) && off) allowUpdates.Disarm();
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

bool ReShutdown(AppState& app, VersionClass cls, const std::string& db, std::string& path) {
    switch (cls) {
    case VersionClass::Sql2000: return ReShutdown_2000(app, db, path);
    case VersionClass::Sql2005:
    case VersionClass::Sql2008:
    case VersionClass::Modern: return ReShutdown_2005(app, db, path);
    case VersionClass::None: break;
    }
    return true;
}

} // namespace qm
