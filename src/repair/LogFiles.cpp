#include "repair/LogFiles.h"

#include "app/Db.h"
#include "platform/FileSystem.h"
#include "platform/SystemServices.h"
#include "platform/Text.h"
#include "server/SqlText.h"

#include <chrono>
#include <exception>
#include <vector>

namespace qm {

namespace {

constexpr int kMaxAsideCounter = 9999;

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

std::string Stamp(AppState& app) { return FormatLocalTime(app.platform.clock->Now(), "%04d%02d%02d%02d%02d%02d"); }

} // namespace

std::string GetLogName(const std::string& productKind) {
    if (productKind == "U8" || productKind == "T3" || productKind == "T6" || productKind == "T") return "Ufmodel_LOG";
    if (productKind == "T+") return "MsSql_log";
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
    if (dataPath.size() < mdf.size() || dataPath.compare(dataPath.size() - mdf.size(), mdf.size(), mdf) != 0) return {};
    return dataPath.substr(0, dataPath.size() - mdf.size()) + ".LDF";
}

bool LogFilePlan::MayBeLog(const std::string& path) const {
    if (path.empty() || EqualsNoCase(path, dataPath)) return false;
    return files && !files->OwnedByOther(path, db);
}

bool PlanLogFiles(AppState& app, const std::string& db, const std::string& dataPath, LogFilePlan& plan) {
    plan.db = db;
    plan.dataPath = dataPath;
    plan.derivedPath = DerivedLogPath(dataPath);
    plan.files = app.runFiles ? app.runFiles : std::make_shared<ServerFiles>();
    return GetLogFilePath(app, db, plan.logPath) && plan.files->Read(app);
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

} // namespace qm
