#include "repair/ReRecoveryPending.h"

#include "app/Db.h"
#include "repair/ReShutdown.h"
#include "repair/SequenceSteps.h"

namespace qm {

namespace {

// `refusalReport` empty: a refusal goes on to the rebuild.
bool Sequence(AppState& app, const std::string& db, std::string& path, const std::string& refusalReport) {
    app.cMsg.clear();
    if (DataFileMissing(app, path)) {
        app.cMsg = kDataFileMissing;
        return false;
    }
    bool online = false;
    {
        CommandTimeoutScope noLimit(app.oMaster, 0);
        online = ExecTrapped(app, "alter database " + IdentOrEmpty(db) + " set online");
    }
    if (online) return true;
    // The operator's 停止 or a broken link is no refusal of the server: nothing is rebuilt for it.
    if (app.stop.Requested() || app.masterLost) return false;
    if (!refusalReport.empty()) {
        app.cMsg = refusalReport;
        return false;
    }
    return ReShutdown_2005(app, db, path);
}

} // namespace

bool ReRecoveryPending(AppState& app, const std::string& db, std::string& path) {
    return RunTrapped(app, [&] { return Sequence(app, db, path, {}); });
}

bool ReOnlineOnly(AppState& app, const std::string& db, std::string& path, const std::string& refusalReport) {
    return RunTrapped(app, [&] { return Sequence(app, db, path, refusalReport); });
}

} // namespace qm
