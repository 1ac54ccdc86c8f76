#include "server/ProductDetection.h"

#include "app/Db.h"

namespace qm {

std::string GetProductKind(AppState& app) {
    std::string kind = app.UFLogin().Version();
    if (!kind.empty()) return kind;

    // Anything not known to be SQL Server 2000 (an empty version text included) has sys.databases.
    const char* catalogue = app.versionClass == VersionClass::Sql2000 ? "sysdatabases" : "sys.databases";

    // A failing catalogue query counts as "not there"; cMsg keeps the last query's error.
    if (!NullToStr(GetFieldValue(app, "name", catalogue, "name='ufsystem'", app.oMaster)).empty()) kind = "T";
    if (!NullToStr(GetFieldValue(app, "name", catalogue, "name='uftsystem'", app.oMaster)).empty()) kind = "T+";
    return kind;
}

std::string GetSystemDbName(const std::string& kind) {
    if (kind == "T3" || kind == "T6" || kind == "U8" || kind == "T") return "UFSystem";
    if (kind == "T+") return "UFTSystem";
    return "master";
}

} // namespace qm
