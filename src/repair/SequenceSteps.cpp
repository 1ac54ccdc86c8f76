#include "repair/SequenceSteps.h"

#include "app/Db.h"
#include "repair/LogFiles.h"
#include "server/SqlText.h"

#include <exception>

namespace qm {

std::string IdentOrEmpty(const std::string& name) {
    return name.empty() ? std::string() : SqlIdent(name);
}

bool ExecStep(AppState& app, const std::string& sql, PendingError& pending) {
    const SqlResult r = ExecuteSql(app, app.oMaster, sql);
    if (!r.ok) pending.Set(r.error);
    return r.ok;
}

bool ExecTrapped(AppState& app, const std::string& sql) {
    const SqlResult r = ExecuteSql(app, app.oMaster, sql);
    if (!r.ok && !r.error.empty()) app.cMsg = r.error;
    return r.ok;
}

void MoveAsideIfExists(AppState& app, const std::string& path, PendingError& pending) {
    if (!FileExists(app, path)) return;
    std::string error;
    if (!MoveAside(app, path, error)) pending.Set(error);
}

bool FailureExit(AppState& app, const PendingError& pending) {
    if (!pending.text.empty()) app.cMsg = pending.text;
    return false;
}

AllowUpdatesGuard::~AllowUpdatesGuard() {
    if (!armed_) return;
    try {
        ExecuteSql(app_, app_.oMaster, "sp_configure 'allow updates',0");
        ExecuteSql(app_, app_.oMaster, "reconfigure with override");
    } catch (...) {
        // Nothing may leave a destructor; the statements' outcomes are in the transcript.
    }
}

} // namespace qm
