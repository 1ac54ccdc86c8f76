#include "repair/Preview.h"

#include "platform/Text.h"
#include "repair/PlanMode.h"
#include "repair/Repair.h"

#include <map>

namespace qm {

namespace {

// Gathers the plan's statements and moves by row, and passes the run's progress on to the caller's.
class PlanWatcher final : public StatementObserver, public RepairProgress {
public:
    PlanWatcher(RepairProgress* outer, const StopToken& asked, StopToken& plan)
        : outer_(outer), asked_(asked), plan_(plan) {}

    void OnStatement(const StatementEvent& e) override { rows_[e.row].statements.push_back(e.sql); }
    void OnFileMoved(int row, const std::string& path, const std::string& newPath, const std::string&) override {
        rows_[row].moves.emplace_back(path, newPath);
    }
    void OnFileCopied(const FileCopyEvent& e) override {
        PreviewRow& r = rows_[e.row];
        r.copies.push_back({e.from, e.to, e.bytes});
        r.copyBytes += e.bytes;
        r.freeBytes = e.freeBytes;
    }

    void RunStarted(int maximum) override {
        if (outer_) outer_->RunStarted(maximum);
    }
    void RowDone(int row, int position, const std::string& report) override {
        PassStopOn();
        if (outer_) outer_->RowDone(row, position, report);
    }
    void RowState(int row, const std::string& state) override {
        rows_[row].state = state;
        PassStopOn();
    }
    void RowCause(int row, const std::string& cause, const std::string& line) override {
        rows_[row].cause = cause;
        rows_[row].causeLine = line;
    }

    PreviewRow& Row(int row) { return rows_[row]; }

private:
    // 停止 is asked of the window's state; the plan's run reads its own token, so the request is
    // passed on to it before the run looks (after each row).
    void PassStopOn() {
        if (asked_.Requested()) plan_.Request();
    }

    RepairProgress* outer_;
    const StopToken& asked_;
    StopToken& plan_;
    std::map<int, PreviewRow> rows_;
};

} // namespace

std::vector<PreviewRow> PlanRepair(AppState& app, const MainModel& m, RepairProgress* progress) {
    PlanState plan(app);
    PlanWatcher watcher(progress, app.stop, plan.App().stop);
    // 停止 cancels the query in flight on the real connection; the plan's own statements never wait.
    StopToken::Run run(app.stop, app.oMaster);
    plan.App().observer = &watcher;

    MainModel copy;
    copy.grid = m.grid;
    copy.iAccCount = m.iAccCount;
    copy.labReport = m.labReport;
    copy.bVerify = m.bVerify.load();
    copy.bBackup = m.bBackup.load();
    copy.bRepairFindings = m.bRepairFindings.load();
    copy.bRepairUncopied = m.bRepairUncopied.load();
    Repair(plan.App(), copy, &watcher);
    // A link the plan found broken is the real connection's: the next load or run reopens it.
    if (plan.App().masterLost) app.masterLost = true;

    std::vector<PreviewRow> rows;
    for (int i = 1; i <= copy.iAccCount; ++i) {
        const std::string report = copy.grid.Cell(i, kColReport);
        if (copy.grid.Cell(i, kColSelect) != "Y" || report.empty()) continue; // not ticked, or not reached
        PreviewRow row = std::move(watcher.Row(i));
        row.row = i;
        row.db = copy.grid.Cell(i, kColDb);
        row.accNo = copy.grid.Cell(i, kColAccNo);
        row.accName = copy.grid.Cell(i, kColAccName);
        row.year = copy.grid.Cell(i, kColYear);
        row.path = copy.grid.Cell(i, kColPath);
        Cause cause;
        cause.kind = row.cause.empty() ? kCauseUnknown : row.cause;
        cause.line = row.causeLine;
        row.route = RoadText(RoadOf(RouteOf(row.state), row.state, cause, app.versionClass, AsciiUpper(row.path)),
                             row.state, cause);
        row.report = report;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string PreviewText(const std::vector<PreviewRow>& rows) {
    std::string out =
        "预览：修复将对每个勾选的数据库执行以下操作（首次尝试、未遇到失败时）。\r\n"
        "预览只向服务器发送了查询，没有改动服务器和任何文件。\r\n";
    if (rows.empty()) out += "\r\n没有勾选任何数据库。\r\n";
    for (const PreviewRow& r : rows) {
        out += "\r\n" + std::to_string(r.row) + ". " + r.db + "\r\n";
        for (const auto& [label, value] : {std::pair<const char*, const std::string&>{"账套号：", r.accNo},
                                           {"账套名称：", r.accName},
                                           {"年度：", r.year},
                                           {"数据文件：", r.path},
                                           {"状态：", r.state},
                                           {"原因：", r.cause},
                                           {"错误日志：", r.causeLine},
                                           {"处理：", r.route}})
            if (!value.empty()) out += std::string("   ") + label + value + "\r\n";
        if (r.report != kRepaired) out += "   结果：" + r.report + "\r\n";
        out += "   将发送的语句：\r\n";
        for (size_t i = 0; i < r.statements.size(); ++i) {
            // Numbered, so that a statement of several lines still reads as one.
            const std::string number = "     " + std::to_string(i + 1) + ". ";
            std::vector<std::string> lines = SplitTextLines(r.statements[i]); // the state query has two
            if (lines.empty()) lines.emplace_back();
            for (size_t l = 0; l < lines.size(); ++l)
                out += (l == 0 ? number : std::string(number.size(), ' ')) + lines[l] + "\r\n";
        }
        if (!r.copies.empty()) {
            out += "   修复前备份（需要 " + std::to_string((r.copyBytes + (1 << 20) - 1) >> 20) + " MB，可用 " +
                   std::to_string(r.freeBytes >> 20) + " MB）：\r\n";
            for (const auto& c : r.copies) out += "     " + c.from + " → " + c.to + "\r\n";
        }
        if (r.moves.empty()) {
            out += "   不移动任何文件。\r\n";
        } else {
            out += "   将移开的文件：\r\n";
            for (const auto& [from, to] : r.moves) out += "     " + from + " → " + to + "\r\n";
        }
    }
    return out;
}

} // namespace qm
