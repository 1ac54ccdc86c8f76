#include "repair/LogFiles.h"

#include "app/Db.h"
#include "platform/FileSystem.h"
#include "platform/HttpClient.h"
#include "platform/LocalFileSystem.h"
#include "platform/SystemServices.h"
#include "platform/TextCodec.h"
#include "platform/Threads.h"
#include "repair/SequenceSteps.h"
#include "server/SqlText.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <vector>

namespace qm {

namespace {

constexpr int kMaxAsideCounter = 9999;

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

// GetSqlValue gives the empty value only when the query failed (no row is the empty text).
bool LookupLogFile(AppState& app, const std::string& column, const std::string& db, std::string& out) {
    const std::string sql = "select " + column +
                            " from sysdatabases as a inner join sysaltfiles as b on a.dbid=b.dbid"
                            " where b.fileid=2 and a.name='" +
                            SqlLiteralBody(db) + "'";
    const Value v = GetSqlValue(app, "filename", sql, app.oMaster);
    out = Trim(NullToStr(v));
    return !v.isEmpty();
}

bool GetOtherDatabasesFiles(AppState& app, const std::string& db, std::vector<std::string>& files) {
    const SqlResult r = ExecuteSql(app, app.oMaster,
                                   "select b.filename from sysdatabases as a inner join sysaltfiles as b on "
                                   "a.dbid=b.dbid where a.name<>'" + SqlLiteralBody(db) + "'");
    if (!r.ok) {
        app.cMsg = r.error;
        return false;
    }
    const int col = r.recordset.columnIndex("filename");
    files.clear();
    for (const auto& row : r.recordset.rows)
        if (col >= 0 && col < int(row.size())) files.push_back(AsciiUpper(Trim(NullToStr(row[col]))));
    return true;
}

// std::localtime shares one buffer per process; the lock keeps two repair runs from mixing their stamps.
std::tm LocalTime(std::chrono::system_clock::time_point t) {
    static Mutex m;
    const std::time_t tt = std::chrono::system_clock::to_time_t(t);
    LockGuard lock(m);
    const std::tm* p = std::localtime(&tt);
    return p ? *p : std::tm{};
}

std::string Stamp(AppState& app) {
    const std::tm tm = LocalTime(app.platform.clock->Now());
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

// The body read as ReadLines reads a file: same decoding, same line breaks.
bool BodyContainsText(const std::string& body, const std::string& text) {
    for (const auto& line : SplitTextLines(DecodeTextFile(body)))
        if (line.find(text) != std::string::npos) return true;
    return false;
}

} // namespace

std::string GetLogName(const std::string& version) {
    if (version == "U8" || version == "T3" || version == "T6" || version == "T") return "Ufmodel_LOG";
    if (version == "T+") return "MsSql_log";
    return {};
}

bool GetLogFilePath(AppState& app, const std::string& db, std::string& path) {
    return LookupLogFile(app, "b.filename", db, path);
}

bool GetLogFileName(AppState& app, const std::string& db, std::string& name) {
    return LookupLogFile(app, "b.name as filename", db, name);
}

std::string DerivedLogPath(const std::string& dataPath) {
    const std::string mdf = ".MDF";
    if (dataPath.size() < mdf.size() || dataPath.compare(dataPath.size() - mdf.size(), mdf.size(), mdf) != 0)
        return {};
    return dataPath.substr(0, dataPath.size() - mdf.size()) + ".LDF";
}

bool LogFilePlan::MayBeLog(const std::string& path) const {
    const std::string upper = AsciiUpper(path);
    if (upper.empty() || upper == AsciiUpper(dataPath)) return false;
    return std::find(otherFiles.begin(), otherFiles.end(), upper) == otherFiles.end();
}

bool PlanLogFiles(AppState& app, const std::string& db, const std::string& dataPath, LogFilePlan& plan) {
    plan.dataPath = dataPath;
    plan.derivedPath = DerivedLogPath(dataPath);
    return GetLogFilePath(app, db, plan.logPath) && GetOtherDatabasesFiles(app, db, plan.otherFiles);
}

bool FileExists(AppState& app, const std::string& path) {
    if (path.empty()) return false;
    try {
        return app.platform.files->Exists(path);
    } catch (const std::exception&) {
        return false;
    }
}

std::string AsideName(AppState& app, const std::string& path) {
    const std::string base = path + "." + Stamp(app);
    std::string candidate = base + ".bak";
    for (int n = 1; n <= kMaxAsideCounter && FileExists(app, candidate); ++n)
        candidate = base + "." + std::to_string(n) + ".bak";
    return candidate;
}

bool MoveAside(AppState& app, const std::string& path, std::string& error) {
    error.clear();
    if (path.empty()) return true;
    std::string target;
    bool ok = false;
    try {
        target = AsideName(app, path);
        ok = app.platform.files->Move(path, target, error);
    } catch (const std::exception& e) {
        ok = false;
        error = e.what();
    }
    if (ok) error.clear();
    if (app.observer) app.observer->OnFileMoved(app.observerRow, path, ok ? target : std::string(), error);
    return ok;
}

bool DownloadFile(AppState& app, const std::string& url, const std::string& target, const std::string& required) {
    if (url.empty()) return false;
    try {
        std::string body, error;
        if (!app.platform.http->Get(url, body, error)) {
            app.cMsg = error.empty() ? "下载失败：" + url : error;
            return false;
        }
        // Check what came before anything on disk changes: a truncated or wrong page must not
        // replace a good file.
        if (!BodyContainsText(body, required)) return false;
        if (FileExists(app, target) && !app.platform.files->Copy(target, target + ".tmp", error)) {
            app.cMsg = error;
            return false;
        }
        if (!app.platform.files->WriteAtomic(target, body, error)) {
            app.cMsg = error;
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        app.cMsg = e.what();
        return false;
    }
}

bool FileContainsText(AppState& app, const std::string& path, const std::string& text) {
    try {
        std::vector<std::string> lines;
        if (!app.platform.files->ReadLines(path, lines)) return false;
        for (const auto& line : lines)
            if (line.find(text) != std::string::npos) return true;
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace qm
