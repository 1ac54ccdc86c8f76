#include "repair/ReReadOnly.h"

#include "platform/Text.h"
#include "repair/ReShutdown.h"
#include "repair/SequenceSteps.h"
#include "server/SqlText.h"

namespace qm {

namespace {

// The server refuses to bring the database online because of its log file (or lost the connection
// doing so): a new log is what it needs. A log file is named with its extension, so a database whose
// own name holds the letters LDF (GOLDFIELD) does not have its sound log thrown away.
bool NeedsLogRebuild(const std::string& message) {
    return AsciiUpper(message).find(".LDF") != std::string::npos || message.find("连接失败") != std::string::npos;
}

bool Sequence2005(AppState& app, const std::string& db) {
    app.cMsg.clear();
    const std::string alter = "alter database " + IdentOrEmpty(db);
    return ExecTrapped(app, alter + " set multi_user") && ExecTrapped(app, alter + " set ONLINE");
}

bool Sequence2000(AppState& app, const std::string& db) {
    app.cMsg.clear();
    UndoGuard allowUpdates = AllowUpdatesOffGuard(app);
    allowUpdates.Arm();
    if (!ExecTrapped(app, kAllowUpdatesOn)) return false;
    if (!ExecTrapped(app, kReconfigure)) return false;
    const std::string dbLiteral = SqlLiteralBody(db);
    if (!ExecTrapped(app, "update sysdatabases set status=4194328 where dbid=DB_ID('" + dbLiteral + "')")) return false;
    if (!ExecTrapped(app, "sp_dboption '" + dbLiteral + " ','dbo use only','false'")) return false;
    // The sequence's own statements close 'allow updates'; the guard stands down once they were
    // accepted (one refused, or cut short by 停止, leaves the option on).
    if (!ExecTrapped(app, kAllowUpdatesOff) || !ExecTrapped(app, kReconfigure)) return false;
    allowUpdates.Disarm();
    return true;
}

} // namespace

bool ReReadOnly_2005(AppState& app, const std::string& db) {
    return RunTrapped(app, [&] { return Sequence2005(app, db); });
}

bool ReReadOnly_2000(AppState& app, const std::string& db) {
    return RunTrapped(app, [&] { return Sequence2000(app, db); });
}

bool ReReadOnly(AppState& app, VersionClass cls, const std::string& db) {
    switch (cls) {
    case VersionClass::Sql2000: return ReReadOnly_2000(app, db);
    case VersionClass::Sql2005:
    case VersionClass::Sql2008:
    case VersionClass::Modern:
        if (ReReadOnly_2005(app, db)) return true;
        if (NeedsLogRebuild(app.cMsg)) {
            // No data file path is known here; the log goes where the server records it.
            std::string noDataPath;
            return ReShutdown_2005(app, db, noDataPath);
        }
        // The refusal stays in cMsg: it is the row's report.
        return false;
    case VersionClass::None: break;
    }
    return true;
}

} // namespace qm
