#include "repair/Repair.h"

#include "discovery/DbState.h"
#include "platform/Text.h"
#include "repair/ReReadOnly.h"
#include "repair/ReRecoveryPending.h"
#include "repair/ReShutdown.h"
#include "repair/Verify.h"

#include <exception>

namespace qm {

namespace {

std::string RepairRow(AppState& app, MainModel& m, int row) {
    AccountGrid& grid = m.grid;
    std::string path = AsciiUpper(grid.Cell(row, kColPath));
    const std::string db = grid.Cell(row, kColDb);
    const std::string state = GetDbState(app, app.versionClass, db, app.oMaster);

    bool ran = false;
    bool ok = true;
    if (state == "置疑" || state == "可疑") {
        ran = true;
        ok = ReShutdown(app, app.versionClass, db, path);
    } else if (state == "紧急\\只读\\脱机" || state == "紧急只读状态") {
        ran = true;
        ok = ReReadOnly(app, app.versionClass, db);
    } else if (state == "恢复挂起") {   // only the state query of 2012 and later says so
        ran = true;
        ok = ReRecoveryPending(app, db, path, [&] { return app.stop.Requested(); });
    }

    // A failure text (of the routine, or of the state query itself) is the report.
    if (!app.cMsg.empty()) return app.cMsg;
    if (!ran) return (state == "正常" || state == "在线") ? kNoRepairNeeded : UnsupportedStateReport(state);
    return ok ? kRepaired : kRepairFailed;
}

// A ticked row's report. Once the link to the server is gone nothing more is sent (ExecuteSql sees to
// that), and no row can say more than that; the driver's own words stay in the row's transcript.
std::string RepairTicked(AppState& app, MainModel& m, int row) {
    std::string report;
    try {
        report = RepairRow(app, m, row);
    } catch (const std::exception& e) {
        report = *e.what() ? e.what() : kRepairFailed;
    } catch (...) {
        report = kRepairFailed;
    }
    return app.masterLost ? kLinkLostReport : report;
}

// The verification cell of a repaired row. A stop that came before the check began cancels it unsent.
std::string VerifyRow(AppState& app, MainModel& m, RepairProgress* progress, int row) {
    if (app.stop.Requested()) return kVerifyCancelled;
    const std::string db = m.grid.Cell(row, kColDb);
    if (progress) progress->Verifying(row, db);
    const SqlResult r = RunCheckdb(app, db);
    return VerificationText(r, app.stop.Requested());
}

} // namespace

std::string UnsupportedStateReport(const std::string& state) {
    return "未修复：不支持的数据库状态（" + state + "）";
}

void Repair(AppState& app, MainModel& m, RepairProgress* progress) {
    // oMaster is what 停止 may cancel while the run goes.
    StopToken::Run run(app.stop, app.oMaster);
    const int count = m.iAccCount;
    if (progress) progress->RunStarted(count);
    // A text left over from before the run must not become the first row's report.
    app.cMsg.clear();

    for (int i = 1; i <= count; ++i) {
        const bool ticked = m.grid.Cell(i, kColSelect) == "Y";
        std::string report;
        if (ticked) {
            app.observerRow = i;
            report = RepairTicked(app, m, i);
            m.grid.SetCell(i, kColReport, report);
            m.grid.SetCell(i, kColVerify, "");   // an earlier run's check says nothing about this repair
        }
        app.cMsg.clear();
        if (progress) progress->RowDone(i, i, report);
        if (ticked && report == kRepaired && m.bVerify.load()) {
            const std::string outcome = VerifyRow(app, m, progress, i);
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
        if (report == kRepaired) ++repaired;
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
