#include "app/Db.h"

#include "platform/Text.h"

#include <chrono>
#include <sstream>

namespace qm {

namespace {

void Report(AppState& app, const std::string& sql, const SqlResult& r, double seconds) {
    if (!app.observer) return;
    StatementEvent e;
    e.row = app.observerRow;
    e.sql = sql;
    e.ok = r.ok;
    e.errorNumber = r.errorNumber;
    e.error = r.error;
    e.diagnostics = r.messages;
    e.seconds = seconds;
    std::ostringstream msgs;
    for (size_t i = 0; i < r.messages.size(); ++i) {
        if (i) msgs << '\n';
        msgs << r.messages[i].text;
    }
    e.messages = msgs.str();
    app.observer->OnStatement(e);
}

Value FirstRowField(const Recordset& rs, const std::string& field, bool& missing) {
    missing = false;
    int col = rs.columnIndex(field);
    if (col < 0) {
        missing = true;
        return Value();
    }
    if (rs.rows.empty() || col >= int(rs.rows.front().size())) return Value();
    return rs.rows.front()[col];
}

} // namespace

std::string BuildConnectionString(const std::string& server, const std::string& database, const std::string& user,
                                  const std::string& password) {
    return "Provider=SQLOLEDB;Server=" + QuoteConnectionValue(server) + ";Database=" + QuoteConnectionValue(database) +
           ";Uid=" + QuoteConnectionValue(user) + ";Pwd=" + QuoteConnectionValue(password) + ";";
}

std::shared_ptr<Connection> OpenSqlConnection(AppState& app, const std::string& database) {
    std::shared_ptr<Connection> conn = app.platform.connections->Create();
    conn->SetCommandTimeout(300);
    std::string error;
    if (!conn->Open(BuildConnectionString(app.cDBServer, database, app.cDBUser, app.cDBPwd), error)) {
        if (!error.empty()) app.cMsg = error;
        return conn;
    }
    return conn->State() == 0 ? nullptr : conn;
}

SqlResult ExecuteSql(AppState& app, const std::shared_ptr<Connection>& conn, const std::string& sql) {
    SqlResult r;
    const bool master = conn && conn == app.oMaster;
    if (master && app.masterLost) {
        // A dead link takes no more statements: nothing is sent, so nothing is reported as sent.
        r.error = kConnectionLostText;
        r.connectionLost = true;
        return r;
    }
    const auto sent = std::chrono::steady_clock::now();
    if (!conn || conn->State() == 0) {
        r.ok = false;
        r.error = "对象关闭时，不允许操作。";
    } else {
        r = conn->Execute(sql);
    }
    if (master && r.connectionLost) app.masterLost = true;
    Report(app, sql, r, std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count());
    return r;
}

bool ReopenMasterIfLost(AppState& app) {
    if (!app.masterLost) return true;
    if (!app.oMaster) {
        app.cMsg = kConnectionLostText;
        return false;
    }
    std::shared_ptr<Connection> conn = app.platform.connections->Create();
    conn->SetCommandTimeout(300);
    std::string error;
    if (!conn->Open(app.oMaster->ConnectionString(), error) || conn->State() == 0) {
        app.cMsg = error.empty() ? kConnectionLostText : error;
        return false;
    }
    app.oMaster = conn;
    app.masterLost = false;
    return true;
}

namespace {

// Runs a query and gives the named field of its first row; `noRow` when there is none. Empties cMsg
// first and leaves the description there on error (the result is then the empty value).
Value FirstRowValue(AppState& app, const std::string& field, const std::string& query,
                    const std::shared_ptr<Connection>& conn, const Value& noRow) {
    app.cMsg.clear();
    SqlResult r = ExecuteSql(app, conn, query);
    if (!r.ok) {
        app.cMsg = r.error;
        return Value();
    }
    if (r.recordset.rows.empty()) return noRow;
    bool missing = false;
    Value v = FirstRowField(r.recordset, field, missing);
    if (missing) {
        app.cMsg = "在对应所需名称或序数的集合中，未找到项目。";
        return Value();
    }
    return v;
}

} // namespace

Value GetFieldValue(AppState& app, const std::string& field, const std::string& table, const std::string& condition,
                    const std::shared_ptr<Connection>& conn) {
    return FirstRowValue(app, field, "select " + field + " from " + table + " where 1=1 and " + condition, conn,
                         Value::Null());
}

Value GetSqlValue(AppState& app, const std::string& field, const std::string& query,
                  const std::shared_ptr<Connection>& conn) {
    return FirstRowValue(app, field, query, conn, Value::Text(""));
}

std::string NullToStr(const Value& v) { return v.toText(); }

} // namespace qm
