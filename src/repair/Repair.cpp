#include "repair/Repair.h"

#include "app/ServerFiles.h"
#include "discovery/DbState.h"
#include "platform/Text.h"
#include "repair/Backup.h"
#include "repair/Cause.h"
#include "repair/CheckProgress.h"
#include "repair/Findings.h"
#include "repair/ReReadOnly.h"
#include "repair/ReRecoveryPending.h"
#include "repair/ReShutdown.h"
#include "repair/SequenceSteps.h"
#include "repair/Verify.h"

#include <exception>

namespace qm {

namespace {

// A log that could not be rebuilt: on 2005 and later, with a copy to go back to, the emergency repair
// (which rebuilds the log itself) is still worth a try. A data file that is gone is beyond it, and so is
// a run that was stopped or lost its server.
bool LastResort(AppState& app, const std::string& db, RowOptions& options, bool rebuilt) {
    if (rebuilt || !options.lastResort || !options.copied || app.versionClass == VersionClass::Sql2000 ||
        app.cMsg == kDataFileMissing || app.stop.Requested() || app.masterLost)
        return rebuilt;
    return options.emergencyRepaired = EmergencyRepair(app, db);
}

// The row's routine by its road.
bool RunRoad(AppState& app, Road road, const std::string& db, const Cause& cause, std::string& path,
             RowOptions& options) {
    const std::string refusal = cause.kind == kCauseHeld ? kHeldReport : kDeniedReport;
    // Every road but these changes the database: its files are copied first.
    if (options.backup && road != Road::None && road != Road::NotRebuilt) {
        if (!BackUp(app, db, path, options.show)) return false;
        options.copied = true;
    }
    switch (road) {
    case Road::Rebuild: return LastResort(app, db, options, ReShutdown(app, app.versionClass, db, path));
    case Road::ReadOnly: return ReReadOnly(app, app.versionClass, db);
    case Road::OnlineThenRebuild: return LastResort(app, db, options, ReRecoveryPending(app, db, path));
    case Road::OnlineOnly: return ReOnlineOnly(app, db, path, refusal);
    case Road::NotRebuilt: app.cMsg = refusal; return false;
    case Road::None: break;
    }
    return true;
}

std::string RepairRow(AppState& app, const std::string& db, const std::string& dataPath, std::string& state,
                      Cause& cause, RowOptions& options) {
    std::string path = AsciiUpper(dataPath);
    state = GetDbState(app, app.versionClass, db, app.oMaster);

    const Route route = RouteOf(state);
    if (route != Route::None) cause = ReadCause(app, db, path);
    const bool ok = RunRoad(app, RoadOf(route, state, cause, app.versionClass, path), db, cause, path, options);

    // A failure text (of the routine, or of the state query itself) is the report.
    if (!app.cMsg.empty()) return app.cMsg;
    if (route == Route::None) return IsHealthyState(state) ? kNoRepairNeeded : UnsupportedStateReport(state);
    if (ok && options.emergencyRepaired) return kEmergencyRepaired;
    return ok ? kRepaired : kRepairFailed;
}

// One check of a repaired row, its progress shown in the verification cell.
SqlResult CheckRow(AppState& app, const std::string& db, RepairProgress* progress, CheckProgress& watch, int row) {
    watch.Start([progress, row](const std::string& text) {
        if (progress) progress->VerifyProgress(row, text);
    });
    SqlResult r = RunCheckdb(app, db);
    watch.Stop();
    return r;
}

// The verification cell of a repaired row. A stop that came before the check began cancels it unsent.
// What the check found is repaired and checked again when the operator allowed it for this row.
std::string VerifyRow(AppState& app, MainModel& m, RepairProgress* progress, CheckProgress& watch, int row,
                      bool copied) {
    if (app.stop.Requested()) return kVerifyCancelled;
    const std::string db = m.grid.Cell(row, kColDb);
    if (progress) progress->Verifying(row, db);
    const SqlResult first = CheckRow(app, db, progress, watch, row);
    const std::string outcome = VerificationText(first, app.stop.Requested());
    if (!m.bRepairFindings.load() || !(copied || m.bRepairUncopied.load()) || !HasFindings(first) ||
        app.stop.Requested() || app.masterLost)
        return outcome;
    if (progress) progress->VerifyProgress(row, "修复中");
    const SqlResult repair = RepairFindings(app, db, RepairLevel(first));
    SqlResult second;
    if (!app.stop.Requested() && !app.masterLost && FindingsRepaired(repair))
        second = CheckRow(app, db, progress, watch, row);
    return RepairedVerificationText(outcome, repair, second, app.stop.Requested());
}

// The files the server records (and 2000's error log) are read once, when the first row needs them,
// for the whole run.
class RunFiles {
public:
    explicit RunFiles(AppState& app) : app_(app) {
        app_.runFiles = std::make_shared<ServerFiles>();
        app_.runErrorLog = std::make_shared<AppState::ErrorLogEntries>();
    }
    ~RunFiles() {
        app_.runFiles.reset();
        app_.runErrorLog.reset();
    }
    RunFiles(const RunFiles&) = delete;
    RunFiles& operator=(const RunFiles&) = delete;

private:
    AppState& app_;
};

} // namespace

bool IsRepaired(const std::string& report) { return report == kRepaired || report == kEmergencyRepaired; }

std::string UnsupportedStateReport(const std::string& state) { return "未修复：不支持的数据库状态（" + state + "）"; }

Route RouteOf(const std::string& state) {
    if (state == "置疑" || state == "可疑") return Route::Rebuild;
    if (state == "紧急\\只读\\脱机" || state == "紧急只读状态") return Route::ReadOnly;
    if (state == "恢复挂起") return Route::RecoveryPending; // only the state query of 2012 and later says so
    return Route::None;
}

Road RoadOf(Route route, const std::string& state, const Cause& cause, VersionClass version,
            const std::string& dataPath) {
    const bool cannotBeHad = cause.kind == kCauseHeld || cause.kind == kCauseDenied;
    const bool since2005 = version != VersionClass::Sql2000 && version != VersionClass::None;
    switch (route) {
    case Route::Rebuild:
        // A file held by another program or refused to the service is not cured by a new log; where
        // the cause may be gone by now, recovery alone brings the database back with nothing lost.
        if (cannotBeHad) return since2005 && state == "置疑" ? Road::OnlineOnly : Road::NotRebuilt;
        if (since2005 && state == "置疑" && cause.kind == kCauseMissing && CauseNamesFile(cause, dataPath))
            return Road::OnlineThenRebuild;
        return Road::Rebuild;
    case Route::ReadOnly: return Road::ReadOnly;
    case Route::RecoveryPending: return cannotBeHad ? Road::OnlineOnly : Road::OnlineThenRebuild;
    case Route::None: break;
    }
    return Road::None;
}

std::string RoadText(Road road, const std::string& state, const Cause& cause) {
    switch (road) {
    case Road::Rebuild: return "重建事务日志";
    case Road::ReadOnly: return "解除紧急、只读状态，恢复联机和多用户";
    case Road::OnlineThenRebuild: return "正常恢复（设为联机），服务器拒绝时重建事务日志";
    case Road::OnlineOnly: return "正常恢复（设为联机），服务器拒绝时不重建事务日志（" + cause.kind + "）";
    case Road::NotRebuilt: return "不重建事务日志（" + cause.kind + "）";
    case Road::None: break;
    }
    return IsHealthyState(state) ? "无需修复，不发送修改语句" : "不支持的状态，不处理";
}

std::string RouteText(const std::string& state) {
    return RoadText(RoadOf(RouteOf(state), state, Cause{}, VersionClass::Sql2005, ""), state, Cause{});
}

// Once the link to the server is gone nothing more is sent (ExecuteSql sees to that), and no row can
// say more than that; the driver's own words stay in the row's transcript.
std::string RepairDatabase(AppState& app, const std::string& db, const std::string& dataPath, std::string& state,
                           Cause& cause, RowOptions& options) {
    std::string report;
    state.clear();
    cause = Cause{};
    try {
        report = RepairRow(app, db, dataPath, state, cause, options);
    } catch (const std::exception& e) {
        report = *e.what() ? e.what() : kRepairFailed;
    } catch (...) {
        report = kRepairFailed;
    }
    return app.masterLost ? kLinkLostReport : report;
}

void Repair(AppState& app, MainModel& m, RepairProgress* progress) {
    // oMaster is what 停止 may cancel while the run goes.
    StopToken::Run run(app.stop, app.oMaster);
    const int count = m.iAccCount;
    if (progress) progress->RunStarted(count);
    // A text left over from before the run must not become the first row's report.
    app.cMsg.clear();
    CheckProgress watch(app);
    RunFiles files(app);

    for (int i = 1; i <= count; ++i) {
        const bool ticked = m.grid.Cell(i, kColSelect) == "Y";
        std::string report;
        bool copied = false;
        if (ticked) {
            app.observerRow = i;
            std::string state;
            Cause cause;
            RowOptions options;
            options.backup = m.bBackup.load();
            options.lastResort = options.backup && m.bRepairFindings.load();
            options.show = [progress, i](const std::string& text) {
                if (progress) progress->ReportProgress(i, text);
            };
            report = RepairDatabase(app, m.grid.Cell(i, kColDb), m.grid.Cell(i, kColPath), state, cause, options);
            copied = options.copied;
            m.grid.SetCell(i, kColReport, report);
            m.grid.SetCell(i, kColVerify, ""); // an earlier run's check says nothing about this repair
            if (progress) progress->RowState(i, state);
            if (progress && cause.asked) progress->RowCause(i, cause.kind, cause.line);
        }
        app.cMsg.clear();
        if (progress) progress->RowDone(i, i, report);
        if (ticked && IsRepaired(report) && m.bVerify.load()) {
            const std::string outcome = VerifyRow(app, m, progress, watch, i, copied);
            m.grid.SetCell(i, kColVerify, outcome);
            if (progress) progress->Verified(i, outcome);
        }
        app.observerRow = 0;
        if (i < count && app.stop.Requested()) break;
    }

    UpdateRepairSummary(m);
}

void UpdateRepairSummary(MainModel& m) {
    int repaired = 0;
    int failed = 0;
    m.labReport.caption.clear();
    for (int i = 1; i < m.grid.Rows(); ++i) {
        const std::string& report = m.grid.Cell(i, kColReport);
        if (IsRepaired(report)) ++repaired;
        // A row that needed no repair is neither repaired nor a failure.
        else if (!report.empty() && report != kNoRepairNeeded) ++failed;
    }
    if (repaired > 0) {
        m.labReport.caption += "已成功修复" + std::to_string(repaired) + "个账套年度数据 ";
        m.labReport.color = kBlue;
    }
    if (failed > 0) {
        m.labReport.caption += "尚有" + std::to_string(failed) + "个账套年度数据未能修复";
        m.labReport.color = kRed;
    }
}

} // namespace qm
