#include "repair/RunRecord.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/SystemServices.h"
#include "platform/Text.h"
#include "repair/Repair.h"

#include <cstdio>
#include <exception>

#ifndef QM_TOOL_VERSION
#define QM_TOOL_VERSION ""
#endif

namespace qm {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kDateTime = "%04d-%02d-%02d %02d:%02d:%02d"; // the start and end times

std::chrono::system_clock::time_point Now(AppState& app) { return app.platform.clock->Now(); }

std::string Shown(const std::string& value) { return value.empty() ? "（无）" : value; }

// A text of several lines (the state query opens with a comment line) under one indent; an empty
// text still gets its first line.
void AddIndented(std::vector<std::string>& out, const std::string& first, const std::string& rest,
                 const std::string& text) {
    std::vector<std::string> lines = SplitTextLines(text);
    if (lines.empty()) lines.emplace_back();
    for (size_t i = 0; i < lines.size(); ++i) out.push_back((i == 0 ? first : rest) + lines[i]);
}

// Creates each folder in turn, then writes the file under a name of its own in the last one.
std::string WriteInto(AppState& app, const std::vector<std::string>& folders, const std::string& baseName,
                      const std::string& bytes, std::string& error) {
    FileSystem& files = *app.platform.files;
    for (const auto& folder : folders)
        if (!files.MakeFolder(folder, error)) return {};
    std::string path = JoinPath(folders.back(), baseName + ".txt");
    for (int n = 1; n < 1000 && files.Exists(path); ++n)
        path = JoinPath(folders.back(), baseName + "-" + std::to_string(n) + ".txt");
    return files.WriteAtomic(path, bytes, error) ? path : std::string();
}

} // namespace

RunRecord::RunRecord(AppState& app, const MainModel& m, RepairProgress* outer)
    : app_(app), m_(m), outer_(outer), next_(app.observer) {
    const auto start = Now(app);
    baseName_ = FormatLocalTime(start, "Quillmere-%04d%02d%02d-%02d%02d%02d");
    started_ = FormatLocalTime(start, kDateTime);
    SystemInfo& system = *app.platform.system;
    header_ = std::string("Quillmere 运行记录") + kCrLf + "程序版本：Quillmere " + QM_TOOL_VERSION + kCrLf +
              "计算机：" + Shown(system.ComputerName()) + kCrLf + "Windows 用户：" + Shown(system.UserName()) + kCrLf +
              "服务器：" + Shown(app.cDBServer) + "（登录名：" + Shown(app.cDBUser) + "）" + kCrLf + "数据库版本：" +
              Shown(app.cSQLVersion) + kCrLf + "产品：" + Shown(app.cProduct) + kCrLf;
    app.observer = this;
}

RunRecord::~RunRecord() {
    if (!ended_) app_.observer = next_;
}

RunRecord::Row& RunRecord::RowAt(int row) { return rows_[row]; }

void RunRecord::OnStatement(const StatementEvent& e) {
    char took[32];
    std::snprintf(took, sizeof took, "%.3f 秒", e.seconds);
    auto& lines = RowAt(e.row).lines;
    AddIndented(lines, std::string(e.ok ? "  [成功] " : "  [失败] ") + took + "  ", "                 ", e.sql);
    // A driver's own message (a cancel, a broken link) has no number.
    for (const ServerMessage& d : e.diagnostics)
        AddIndented(lines, d.number ? "      消息 " + std::to_string(d.number) + "：" : std::string("      消息："),
                    "      ", d.text);
    if (!e.ok && e.diagnostics.empty()) AddIndented(lines, "      ", "      ", e.error.empty() ? "未知错误" : e.error);
    if (next_) next_->OnStatement(e);
}

void RunRecord::OnFileMoved(int row, const std::string& path, const std::string& newPath, const std::string& error) {
    RowAt(row).lines.push_back(newPath.empty() ? "  [未能移开文件] " + path + "：" + error
                                               : "  [已移开文件] " + path + " → " + newPath);
    if (next_) next_->OnFileMoved(row, path, newPath, error);
}

void RunRecord::OnFileCopied(const FileCopyEvent& e) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", e.seconds);
    RowAt(e.row).lines.push_back(e.error.empty() ? "  [已备份] " + e.from + " → " + e.to + "（" + std::to_string(e.bytes) +
                                                       " 字节，" + seconds + " 秒）"
                                                 : "  [备份失败] " + e.from + " → " + e.to + "：" + e.error);
    if (next_) next_->OnFileCopied(e);
}

void RunRecord::ReportProgress(int row, const std::string& text) {
    if (outer_) outer_->ReportProgress(row, text);
}

void RunRecord::RunStarted(int maximum) {
    if (outer_) outer_->RunStarted(maximum);
}

void RunRecord::RowDone(int row, int position, const std::string& report) {
    if (!report.empty()) RowAt(row).reached = true;
    if (outer_) outer_->RowDone(row, position, report);
    // Read while the run is going (the run looks right after this): once it has ended the token
    // forgets the request.
    stopped_ = stopped_ || app_.stop.Requested();
}

void RunRecord::Verifying(int row, const std::string& database) {
    if (outer_) outer_->Verifying(row, database);
}

void RunRecord::Verified(int row, const std::string& outcome) {
    if (outer_) outer_->Verified(row, outcome);
    stopped_ = stopped_ || app_.stop.Requested();
}

void RunRecord::RowState(int row, const std::string& state) {
    RowAt(row).state = state;
    if (outer_) outer_->RowState(row, state);
}

void RunRecord::RowCause(int row, const std::string& cause, const std::string& line) {
    Row& r = RowAt(row);
    r.cause = cause;
    r.causeLine = line;
    if (outer_) outer_->RowCause(row, cause, line);
}

void RunRecord::VerifyProgress(int row, const std::string& text) {
    if (outer_) outer_->VerifyProgress(row, text);
}

void RunRecord::End() {
    if (ended_) return;
    ended_ = true;
    app_.observer = next_;
    finished_ = FormatLocalTime(Now(app_), kDateTime);
    stopped_ = stopped_ || app_.stop.Requested();
    ending_ = app_.masterLost ? "与服务器的连接已断开" : stopped_ ? "操作员按“停止”结束了运行" : "运行完成";
    summary_ = m_.labReport.caption;
    for (int i = 1; i <= m_.iAccCount; ++i) {
        if (m_.grid.Cell(i, kColSelect) != "Y") continue;
        Row& row = RowAt(i);
        for (int c = 0; c < kGridColumns; ++c) row.cells.push_back(m_.grid.Cell(i, c));
    }
}

std::string RunRecord::Text() const {
    std::string out =
        header_ + "开始时间：" + started_ + kCrLf + "结束时间：" + finished_ + kCrLf + "结束方式：" + ending_ + kCrLf;
    int ticked = 0;
    for (const auto& [i, row] : rows_) {
        if (row.cells.empty()) continue; // statements of no ticked row (none are sent so)
        ++ticked;
        const auto& c = row.cells;
        out += std::string(kCrLf) + "[第 " + std::to_string(i) + " 行] " + c[kColDb] + kCrLf;
        out += "账套号：" + c[kColAccNo] + "  账套名称：" + c[kColAccName] + "  年度：" + c[kColYear] + kCrLf;
        out += "数据文件：" + c[kColPath] + kCrLf;
        if (!row.reached) {
            out += std::string("报告：（未处理：运行已在此之前结束）") + kCrLf;
            continue;
        }
        out += "状态：" + row.state + kCrLf;
        if (!row.cause.empty()) out += "原因：" + row.cause + kCrLf;
        if (!row.causeLine.empty()) out += "错误日志：" + row.causeLine + kCrLf;
        out += std::string(row.lines.empty() ? "语句和文件：（无）" : "语句和文件：") + kCrLf;
        for (const auto& line : row.lines) out += line + kCrLf;
        out += "报告：" + c[kColReport] + kCrLf;
        out += "校验：" + Shown(c[kColVerify]) + kCrLf;
    }
    if (ticked == 0) out += std::string(kCrLf) + "没有勾选任何数据库。" + kCrLf;
    out += std::string(kCrLf) + "汇总：" + Shown(summary_) + kCrLf;
    return out;
}

std::string SaveRunRecord(AppState& app, const std::string& baseName, const std::string& text, std::string& error) {
    error.clear();
    const std::string bytes = "\xEF\xBB\xBF" + text;
    try {
        if (!app.platform.toolFolder.empty()) {
            const std::string path =
                WriteInto(app, {JoinPath(app.platform.toolFolder, kRecordFolder)}, baseName, bytes, error);
            if (!path.empty()) return path;
        }
        const std::string local = app.platform.system->LocalAppDataFolder();
        if (local.empty()) {
            if (error.empty()) error = "找不到可写入的文件夹";
            return {};
        }
        const std::string own = JoinPath(local, "Quillmere");
        return WriteInto(app, {own, JoinPath(own, kRecordFolder)}, baseName, bytes, error);
    } catch (const std::exception& e) {
        error = e.what();
        return {};
    }
}

void RepairWithRecord(AppState& app, MainModel& m, RepairProgress* progress) {
    m.record = {};
    RunRecord record(app, m, progress);
    // The record is written however the run ends; an exception leaving the run still ends it.
    auto save = [&] {
        record.End();
        std::string error;
        m.record.path = SaveRunRecord(app, record.BaseName(), record.Text(), error);
        if (m.record.path.empty()) m.record.error = error.empty() ? "未知错误" : error;
    };
    try {
        Repair(app, m, &record);
    } catch (...) {
        save();
        throw;
    }
    save();
}

} // namespace qm
