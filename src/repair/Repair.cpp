#include "repair/Repair.h"

#include "discovery/DbState.h"
#include "repair/ReReadOnly.h"
#include "repair/ReShutdown.h"
#include "repair/SequenceSteps.h"

#include <exception>

namespace qm {

namespace {

std::string RepairRow(AppState& app, AccountGrid& grid, int row) {
    std::string path = AsciiUpper(grid.Cell(row, kColPath));
    const std::string db = grid.Cell(row, kColDb);
    const std::string state = GetDbState(app, app.cSQLVersion, db, app.oMaster);

    bool ran = false;
    bool ok = true;
    if (state == "置疑" || state == "可疑") {
        ran = true;
        ok = ReShutdown(app, app.cSQLVersion, db, path);
    } else if (state == "紧急\\只读\\脱机" || state == "紧急只读状态") {
        ran = true;
        ok = ReReadOnly(app, app.cSQLVersion, db);
    }

    // A failure text (of the routine, or of the state query itself) is the report.
    if (!app.cMsg.empty()) return app.cMsg;
    if (!ran) return (state == "正常" || state == "在线") ? kNoRepairNeeded : UnsupportedStateReport(state);
    return ok ? kRepaired : kRepairFailed;
}

bool StopRequested(MainModel& m, RepairProgress* progress) {
    return m.bStop.load() || (progress && progress->StopRequested());
}

} // namespace

std::string UnsupportedStateReport(const std::string& state) {
    return "未修复：不支持的数据库状态（" + state + "）";
}

bool Repair(AppState& app, MainModel& m, RepairProgress* progress) {
    m.bStop = false;
    const int count = m.iAccCount;
    if (progress) progress->RunStarted(count);
    // A text left over from before the run must not become the first row's report.
    app.cMsg.clear();

    for (int i = 1; i <= count; ++i) {
        std::string report;
        if (m.grid.Cell(i, kColSelect) == "Y") {
            app.observerRow = i;
            try {
                report = RepairRow(app, m.grid, i);
            } catch (const std::exception& e) {
                report = *e.what() ? e.what() : kRepairFailed;
            } catch (...) {
                report = kRepairFailed;
            }
            m.grid.SetCell(i, kColReport, report);
            app.observerRow = 0;
        }
        app.cMsg.clear();
        if (progress) progress->RowDone(i, i, report);
        if (i < count && StopRequested(m, progress)) break;
    }
    app.observerRow = 0;

    UpdateRepairSummary(m);
    return true;
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
