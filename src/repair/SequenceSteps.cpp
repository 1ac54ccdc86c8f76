#include "repair/SequenceSteps.h"

#include "app/Db.h"
#include "repair/LogFiles.h"
#include "server/SqlText.h"

#include <exception>

namespace qm {

std::string IdentOrEmpty(const std::string& name) { return name.empty() ? std::string() : SqlIdent(name); }

std::string DbOptionStatement(const std::string& db, const std::string& option, bool on) {
    return "sp_dboption '" + SqlLiteralBody(db) + "','" + option + "','" + (on ? "true'" : "false'");
}

bool DataFileMissing(AppState& app, const std::string& path) { return !path.empty() && !FileExists(app, path); }

bool ExecStep(AppState& app, const std::string& sql, PendingError& pending) {
    const SqlResult r = ExecuteSql(app, app.oMaster, sql);
    if (!r.ok) pending.Set(r.error, r.errorNumber);
    return r.ok;
}

bool ExecTrapped(AppState& app, const std::string& sql) {
    const SqlResult r = ExecuteSql(app, app.oMaster, sql);
    if (!r.ok && !r.error.empty()) app.cMsg = r.error;
    return r.ok;
}

void MoveStaleLog(AppState& app, const LogFilePlan& plan, const std::string& path, PendingError& pending) {
    if (!plan.MayBeLog(path) || !FileExists(app, path)) return;
    std::string error;
    if (!MoveAside(app, path, error)) pending.Set(error);
}

bool FailureExit(AppState& app, const PendingError& pending) {
    if (!pending.text.empty()) app.cMsg = pending.text;
    return false;
}

void SendGuardStatements(AppState& app, const std::vector<std::string>& statements) {
    StopToken::Hold hold(app.stop);
    CommandTimeoutScope timeout(app.oMaster, kGuardTimeoutSeconds);
    for (const auto& sql : statements) ExecuteSql(app, app.oMaster, sql);
}

UndoGuard::~UndoGuard() {
    if (!armed_) return;
    try {
        SendGuardStatements(app_, statements_);
    } catch (...) {
        // Nothing may leave a destructor; the statements' outcomes are in the transcript.
    }
}

} // namespace qm
