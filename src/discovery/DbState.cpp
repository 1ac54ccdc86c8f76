#include "discovery/DbState.h"

#include "app/Db.h"
#include "platform/Text.h"
#include "server/SqlText.h"

#include <cerrno>
#include <cstdlib>

namespace qm {

namespace {

constexpr const char* kNormal = "正常";
constexpr const char* kTypeMismatch = "类型不匹配";

struct Probe {
    const char* sql;   // the query up to the database name
    const char* label; // appended when the flag is 1
};

// In probe order; two flags share "只读\" and two share "脱机\" on purpose.
constexpr Probe kProbes[] = {
    {"select DATABASEPROPERTY(name,'IsReadOnly') as Status from master.dbo.sysdatabases where name='", "只读\\"},
    {"select DATABASEPROPERTY(name,'IsSingleUser') as Status from master.dbo.sysdatabases where name='", "单用户\\"},
    {"select DATABASEPROPERTY(name,'IsShutdown') as Status from master.dbo.sysdatabases where name='", "置疑\\"},
    {"select DATABASEPROPERTY(name,'IsEmergencyMode') as Status from master.dbo.sysdatabases where name='", "紧急\\"},
    {"select DATABASEPROPERTY(name,'IsInStandBy') as Status from master.dbo.sysdatabases where name='", "只读\\"},
    {"select DATABASEPROPERTY(name,'IsDetached') as Status from master.dbo.sysdatabases where name='", "脱机\\"},
    {"select DATABASEPROPERTY(name,'IsDboOnly') as Status from master.dbo.sysdatabases where name='", "DBO\\"},
    {"select DATABASEPROPERTY(name,'IsInLoad') as Status from master.dbo.sysdatabases where name='", "装载\\"},
    {"select DATABASEPROPERTY(name,'IsInRecovery') as Status from master.dbo.sysdatabases where name='", "恢复\\"},
    {"select DATABASEPROPERTY(name,'IsOffline') as Status from master.dbo.sysdatabases where name='", "脱机\\"},
    {"select DATABASEPROPERTY(name,'IsSuspect') as Status from master.dbo.sysdatabases where name='", "可疑\\"},
};

// An error the classifier met itself: recorded only when nothing earlier is waiting in cMsg.
std::string Trapped(AppState& app, const std::string& description) {
    if (app.cMsg.empty()) app.cMsg = description;
    return kNormal;
}

} // namespace

std::string PrefixPasswordComment(const std::string& sql) {
    if (sql.empty()) return sql;
    return "--password \r\n" + sql;
}

std::optional<double> TryNullToZero(const Value& v) {
    switch (v.kind()) {
    case Value::Kind::Empty:
    case Value::Kind::Null: return 0.0;
    case Value::Kind::Number: return v.number();
    case Value::Kind::Text: {
        const std::string& s = v.text();
        if (s.empty()) return 0.0;
        const std::string t = Trim(s);
        if (t.empty()) return std::nullopt;
        errno = 0;
        char* end = nullptr;
        double d = std::strtod(t.c_str(), &end);
        if (end != t.c_str() + t.size() || errno == ERANGE) return std::nullopt;
        return d;
    }
    }
    return std::nullopt;
}

double NullToZero(const Value& v) { return TryNullToZero(v).value_or(0.0); }

std::string GetDbStateEx(AppState& app, const std::string& db, std::shared_ptr<Connection>& conn) {
    const std::string sql = std::string("SELECT") + " case DATABASEPROPERTYEX ('" + SqlLiteralBody(db) +
                            "', 'Status')" + " when 'ONLINE' then '在线'" + " when 'OFFLINE'  then '脱机'" +
                            " when 'RESTORING'  then '还原'" + " when 'RECOVERING'  then '恢复'" +
                            " when 'SUSPECT'  then '置疑'" + " when 'EMERGENCY'  then '紧急只读状态'" +
                            " Else '正常' end as cValue";
    // A failed query leaves its description in cMsg and gives the empty text.
    return NullToStr(GetSqlValue(app, "cvalue", PrefixPasswordComment(sql), conn));
}

std::string GetDbStateModern(AppState& app, const std::string& db, std::shared_ptr<Connection>& conn) {
    const std::string sql =
        "SELECT case state when 0 then '在线' when 1 then '还原' when 2 then '恢复' when 3 then '恢复挂起' "
        "when 4 then '置疑' when 5 then '紧急只读状态' when 6 then '脱机' else '正常' end as cValue "
        "from master.sys.databases where name=N'" +
        SqlLiteralBody(db) + "'";
    const Value v = GetSqlValue(app, "cvalue", PrefixPasswordComment(sql), conn);
    if (v.isEmpty()) return ""; // the query failed; cMsg says why
    const std::string state = NullToStr(v);
    return state.empty() ? kNormal : state; // no such database
}

std::string GetDbState2000(AppState& app, const std::string& db, std::shared_ptr<Connection>& conn) {
    const std::string name = SqlLiteralBody(db);
    std::string labels;
    for (const Probe& p : kProbes) {
        // A failed probe leaves its description in cMsg and reads as flag 0.
        Value v = GetSqlValue(app, "Status", std::string(p.sql) + name + "'", conn);
        auto flag = TryNullToZero(v);
        if (!flag) return Trapped(app, kTypeMismatch);
        if (*flag == 1) labels += p.label;
    }
    if (labels.empty()) return kNormal;
    labels.pop_back(); // the trailing backslash
    return labels;
}

std::string GetDbState(AppState& app, VersionClass cls, const std::string& db, std::shared_ptr<Connection>& conn) {
    switch (cls) {
    case VersionClass::Sql2000: return GetDbState2000(app, db, conn);
    case VersionClass::Sql2005:
    case VersionClass::Sql2008: return GetDbStateEx(app, db, conn);
    case VersionClass::Modern: return GetDbStateModern(app, db, conn);
    case VersionClass::None: break;
    }
    return "";
}

} // namespace qm
