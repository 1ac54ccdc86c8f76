#include "Catalog.h"

#include "CatalogFunctions.h"
#include "Text.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>

namespace sqlsim {

namespace {

class Stmt {
public:
    Stmt(sqlite3* db, const std::string& sql) { rc_ = sqlite3_prepare_v2(db, sql.c_str(), -1, &st_, nullptr); }
    ~Stmt() { sqlite3_finalize(st_); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    bool ok() const { return rc_ == SQLITE_OK && st_ != nullptr; }
    sqlite3_stmt* get() const { return st_; }

private:
    sqlite3_stmt* st_ = nullptr;
    int rc_ = SQLITE_ERROR;
};

bool Exec(sqlite3* db, const std::string& sql, std::string& error) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) == SQLITE_OK) return true;
    error = err ? err : "sqlite error";
    sqlite3_free(err);
    return false;
}

void BindText(sqlite3_stmt* st, int i, const std::string& s) {
    sqlite3_bind_text(st, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// Account tables: the columns the scenario's rows name, in first-seen order, plus the ones the tool reads.
std::vector<std::pair<std::string, bool>> AccountColumns(const std::vector<AccountRow>& rows,
                                                         std::initializer_list<const char*> required) {
    std::vector<std::pair<std::string, bool>> cols; // name, integer
    auto add = [&](const std::string& name, bool integer) {
        for (auto& c : cols) {
            if (text::NameEquals(c.first, name)) {
                c.second = c.second || integer;
                return;
            }
        }
        cols.emplace_back(name, integer);
    };
    for (const char* r : required) add(r, false);
    for (const auto& row : rows) {
        for (auto& [k, v] : row.items()) add(k, v.is_number_integer());
    }
    return cols;
}

std::string QuoteIdent(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

bool CreateAccountTable(sqlite3* db, const std::string& table, const std::vector<AccountRow>& rows,
                        std::initializer_list<const char*> required, std::string& error) {
    auto cols = AccountColumns(rows, required);
    std::string ddl = "CREATE TABLE " + table + " (";
    std::string ins = "INSERT INTO " + table + " VALUES (";
    for (size_t i = 0; i < cols.size(); ++i) {
        ddl += (i ? ", " : "") + QuoteIdent(cols[i].first) + (cols[i].second ? " INTEGER" : " TEXT COLLATE SQLCI");
        ins += i ? ", ?" : "?";
    }
    if (!Exec(db, ddl + ")", error)) return false;
    Stmt st(db, ins + ")");
    if (!st.ok()) {
        error = sqlite3_errmsg(db);
        return false;
    }
    for (const auto& row : rows) {
        sqlite3_reset(st.get());
        sqlite3_clear_bindings(st.get());
        for (size_t i = 0; i < cols.size(); ++i) {
            for (auto& [k, v] : row.items()) {
                if (!text::NameEquals(k, cols[i].first)) continue;
                int at = static_cast<int>(i) + 1;
                if (v.is_number_integer()) sqlite3_bind_int64(st.get(), at, v.get<long long>());
                else if (v.is_string()) BindText(st.get(), at, v.get<std::string>());
                else if (!v.is_null()) BindText(st.get(), at, v.dump());
            }
        }
        if (sqlite3_step(st.get()) != SQLITE_DONE) {
            error = sqlite3_errmsg(db);
            return false;
        }
    }
    return true;
}

int StateNumber(const std::string& s) {
    static const std::map<std::string, int> n = {{"ONLINE", 0},           {"RESTORING", 1}, {"RECOVERING", 2},
                                                 {"RECOVERY_PENDING", 3}, {"SUSPECT", 4},   {"EMERGENCY", 5},
                                                 {"OFFLINE", 6}};
    auto it = n.find(s);
    return it == n.end() ? 0 : it->second;
}

} // namespace

Catalog::Catalog(Model& model, const Messages& msgs) : model_(model), msgs_(msgs) {
    if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close(db_);
        db_ = nullptr;
        return;
    }
    std::string error;
    bool ok =
        RegisterServerFunctions(db_, &model_) &&
        Exec(db_,
             "CREATE TABLE sysdatabases (name TEXT COLLATE SQLCI, dbid INTEGER PRIMARY KEY, mode INTEGER,"
             " status INTEGER, status2 INTEGER, crdate TEXT, category INTEGER, cmptlevel INTEGER,"
             " filename TEXT COLLATE SQLCI, version INTEGER);"
             "CREATE TABLE sysaltfiles (fileid INTEGER, groupid INTEGER, size INTEGER, maxsize INTEGER,"
             " growth INTEGER, status INTEGER, perf INTEGER, dbid INTEGER, name TEXT COLLATE SQLCI,"
             " filename TEXT COLLATE SQLCI);"
             "CREATE TABLE sys_databases (name TEXT COLLATE SQLCI, database_id INTEGER PRIMARY KEY,"
             " state INTEGER, state_desc TEXT COLLATE SQLCI, user_access INTEGER,"
             " user_access_desc TEXT COLLATE SQLCI, is_read_only INTEGER, recovery_model_desc TEXT COLLATE SQLCI);"
             "CREATE TABLE sys_master_files (database_id INTEGER, file_id INTEGER, type INTEGER,"
             " type_desc TEXT COLLATE SQLCI, name TEXT COLLATE SQLCI, physical_name TEXT COLLATE SQLCI);"
             // The tool asks for one database by name at a time: without these each query reads them all.
             "CREATE INDEX sysdatabases_name ON sysdatabases (name);"
             "CREATE INDEX sys_databases_name ON sys_databases (name);"
             "CREATE INDEX sysaltfiles_dbid ON sysaltfiles (dbid);"
             "CREATE INDEX sys_master_files_id ON sys_master_files (database_id);"
             "CREATE TABLE sys_dm_exec_requests (session_id INTEGER, command TEXT COLLATE SQLCI,"
             " percent_complete REAL);",
             error);
    ok = ok && (!model_.hasUfSystem ||
                CreateAccountTable(db_, "ufsystem_ua_account", model_.uaAccount, {"cAcc_id", "cAcc_Name"}, error));
    ok = ok && (!model_.hasUftSystem || CreateAccountTable(db_, "uftsystem_eap_account", model_.eapAccount,
                                                           {"cAcc_Num", "cAcc_Name", "iYear", "DsName"}, error));
    if (!ok) {
        sqlite3_close(db_);
        db_ = nullptr;
    }
}

Catalog::~Catalog() { sqlite3_close(db_); }

bool Catalog::Refresh(std::string& error) {
    // Only what changed is written again: a server with thousands of databases is asked as many
    // queries, and rewriting every row for each would make the simulator the slow part of a run.
    if (!Exec(db_, "BEGIN", error)) return false;
    struct Commit {
        sqlite3* db;
        ~Commit() { sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr); }
    } commit{db_};
    if (!Exec(db_, "DELETE FROM sys_dm_exec_requests", error)) return false;
    Stmt rq(db_, "INSERT INTO sys_dm_exec_requests VALUES (?, ?, ?)");
    if (!rq.ok()) {
        error = sqlite3_errmsg(db_);
        return false;
    }
    const auto now = std::chrono::steady_clock::now();
    for (const Request& q : model_.requests) {
        const double elapsed = std::chrono::duration<double>(now - q.start).count();
        sqlite3_reset(rq.get());
        sqlite3_bind_int(rq.get(), 1, q.sessionId);
        BindText(rq.get(), 2, q.command);
        sqlite3_bind_double(rq.get(), 3, q.seconds > 0 ? std::min(100.0, 100.0 * elapsed / q.seconds) : 0.0);
        sqlite3_step(rq.get());
    }

    // The first query writes every database; later ones only those the commands were given to change.
    std::vector<const Database*> changed;
    const bool full = written_ != model_.databases.size();
    for (const auto& d : model_.databases)
        if (full || model_.touched.count(d.dbid)) changed.push_back(&d);
    model_.touched.clear();
    if (changed.empty()) return true;
    written_ = 0; // until the writing below is done: a failure part-way has everything written anew next time
    if (full && !Exec(db_,
                      "DELETE FROM sysdatabases; DELETE FROM sysaltfiles; DELETE FROM sys_databases;"
                      " DELETE FROM sys_master_files;",
                      error))
        return false;

    Stmt dels[] = {Stmt(db_, "DELETE FROM sysdatabases WHERE dbid=?"),
                   Stmt(db_, "DELETE FROM sysaltfiles WHERE dbid=?"),
                   Stmt(db_, "DELETE FROM sys_databases WHERE database_id=?"),
                   Stmt(db_, "DELETE FROM sys_master_files WHERE database_id=?")};
    Stmt sd(db_, "INSERT INTO sysdatabases VALUES (?, ?, 0, ?, 0, '2015-01-01 00:00:00', 0, ?, ?, 539)");
    Stmt sf(db_, "INSERT INTO sysaltfiles VALUES (?, ?, 128, -1, 10, 2, 0, ?, ?, ?)");
    Stmt sx(db_, "INSERT INTO sys_databases VALUES (?, ?, ?, ?, ?, ?, ?, 'SIMPLE')");
    Stmt sm(db_, "INSERT INTO sys_master_files VALUES (?, ?, ?, ?, ?, ?)");
    bool prepared = sd.ok() && sf.ok() && sx.ok() && sm.ok();
    for (const Stmt& d : dels) prepared = prepared && d.ok();
    if (!prepared) {
        error = sqlite3_errmsg(db_);
        return false;
    }
    auto remove = [&](int dbid) {
        for (const Stmt& d : dels) {
            sqlite3_reset(d.get());
            sqlite3_bind_int(d.get(), 1, dbid);
            sqlite3_step(d.get());
        }
    };
    const int level = model_.major >= 10 ? model_.major * 10 : model_.major == 9 ? 90 : 80;
    for (const Database* dp : changed) {
        const Database& d = *dp;
        if (!full) remove(d.dbid);
        sqlite3_reset(sd.get());
        BindText(sd.get(), 1, d.name);
        sqlite3_bind_int(sd.get(), 2, d.dbid);
        sqlite3_bind_int64(sd.get(), 3, model_.StatusWord(d));
        sqlite3_bind_int(sd.get(), 4, level);
        BindText(sd.get(), 5, model_.paths.Shown(d.dataPath));
        if (sqlite3_step(sd.get()) != SQLITE_DONE) {
            error = sqlite3_errmsg(db_);
            return false;
        }
        for (int fileid = 1; fileid <= 2; ++fileid) {
            const std::string& name = fileid == 1 ? d.dataName : d.logName;
            const std::string path = model_.paths.Shown(fileid == 1 ? d.dataPath : d.logPath);
            sqlite3_reset(sf.get());
            sqlite3_bind_int(sf.get(), 1, fileid);
            sqlite3_bind_int(sf.get(), 2, fileid == 1 ? 1 : 0);
            sqlite3_bind_int(sf.get(), 3, d.dbid);
            BindText(sf.get(), 4, name);
            BindText(sf.get(), 5, path);
            sqlite3_step(sf.get());
            sqlite3_reset(sm.get());
            sqlite3_bind_int(sm.get(), 1, d.dbid);
            sqlite3_bind_int(sm.get(), 2, fileid);
            sqlite3_bind_int(sm.get(), 3, fileid == 1 ? 0 : 1);
            BindText(sm.get(), 4, fileid == 1 ? "ROWS" : "LOG");
            BindText(sm.get(), 5, name);
            BindText(sm.get(), 6, path);
            sqlite3_step(sm.get());
        }
        sqlite3_reset(sx.get());
        BindText(sx.get(), 1, d.name);
        sqlite3_bind_int(sx.get(), 2, d.dbid);
        sqlite3_bind_int(sx.get(), 3, StateNumber(d.state));
        BindText(sx.get(), 4, d.state);
        sqlite3_bind_int(sx.get(), 5, d.userAccess == "SINGLE_USER" ? 1 : d.userAccess == "RESTRICTED_USER" ? 2 : 0);
        BindText(sx.get(), 6, d.userAccess);
        sqlite3_bind_int(sx.get(), 7, model_.Property(d, "IsReadOnly").value_or(0));
        sqlite3_step(sx.get());
    }
    written_ = model_.databases.size();
    return true;
}

Message Catalog::MapError(const std::string& e, const std::string& original) const {
    auto after = [&](const char* prefix) -> std::string {
        auto p = e.find(prefix);
        return p == std::string::npos ? std::string() : e.substr(p + std::char_traits<char>::length(prefix));
    };
    if (auto n = after("no such table: "); !n.empty()) return msgs_.InvalidObject(n);
    if (auto n = after("no such column: "); !n.empty()) {
        auto dot = n.rfind('.');
        return msgs_.InvalidColumn(dot == std::string::npos ? n : n.substr(dot + 1));
    }
    if (auto n = after("ambiguous column name: "); !n.empty()) return msgs_.AmbiguousColumn(n);
    if (auto n = after("no such function: "); !n.empty()) return msgs_.UnknownFunction(n);
    if (auto n = after("wrong number of arguments to function "); !n.empty()) {
        return msgs_.FunctionArgs(n.substr(0, n.find('(')));
    }
    if (auto n = after("near \""); !n.empty()) return msgs_.Syntax(n.substr(0, n.find('"')));
    // Anything else (incomplete input and the like) is reported at the end of the batch.
    std::string last = qm::Trim(original, qm::kWhiteSpace);
    auto sp = last.find_last_of(" \t\r\n");
    return msgs_.Syntax(sp == std::string::npos ? last : last.substr(sp + 1));
}

bool Catalog::Query(const std::string& sql, const std::string& original, BatchResult& out) {
    std::string error;
    if (!db_ || !Refresh(error)) {
        out.messages.push_back(msgs_.Internal(db_ ? error : "catalogue unavailable"));
        return false;
    }
    Stmt st(db_, sql);
    if (!st.ok()) {
        out.messages.push_back(MapError(sqlite3_errmsg(db_), original));
        return false;
    }
    const int n = sqlite3_column_count(st.get());
    ResultSet rs;
    std::vector<int> declared(static_cast<size_t>(n), -1); // 1 integer, 0 text, -1 from the values
    for (int i = 0; i < n; ++i) {
        const char* name = sqlite3_column_name(st.get(), i);
        const char* decl = sqlite3_column_decltype(st.get(), i);
        rs.columns.push_back({name ? name : "", ColumnType::NVarChar});
        if (decl) declared[static_cast<size_t>(i)] = qm::AsciiLower(decl).find("int") != std::string::npos ? 1 : 0;
    }
    std::vector<std::vector<std::pair<int, std::string>>> raw; // sqlite type, text
    std::vector<std::vector<long long>> ints;
    int rc;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
        std::vector<std::pair<int, std::string>> row;
        std::vector<long long> irow;
        for (int i = 0; i < n; ++i) {
            int type = sqlite3_column_type(st.get(), i);
            const unsigned char* p = sqlite3_column_text(st.get(), i);
            int bytes = sqlite3_column_bytes(st.get(), i);
            row.emplace_back(type, p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(bytes)) : "");
            irow.push_back(sqlite3_column_int64(st.get(), i));
        }
        raw.push_back(std::move(row));
        ints.push_back(std::move(irow));
    }
    if (rc != SQLITE_DONE) {
        out.messages.push_back(MapError(sqlite3_errmsg(db_), original));
        return false;
    }
    for (int i = 0; i < n; ++i) {
        int kind = declared[static_cast<size_t>(i)];
        if (kind < 0) { // an expression: typed by its first non-NULL value
            kind = 0;
            for (const auto& row : raw) {
                if (row[static_cast<size_t>(i)].first == SQLITE_NULL) continue;
                kind = row[static_cast<size_t>(i)].first == SQLITE_INTEGER ? 1 : 0;
                break;
            }
        }
        rs.columns[static_cast<size_t>(i)].type = kind == 1 ? ColumnType::Int : ColumnType::NVarChar;
    }
    for (size_t r = 0; r < raw.size(); ++r) {
        std::vector<Cell> cells;
        for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
            const auto& [type, s] = raw[r][i];
            if (type == SQLITE_NULL) cells.push_back(Cell::Null());
            else if (rs.columns[i].type == ColumnType::Int)
                cells.push_back(Cell::Int(type == SQLITE_INTEGER ? ints[r][i] : std::atoll(s.c_str())));
            else cells.push_back(Cell::Text(s));
        }
        rs.rows.push_back(std::move(cells));
    }
    out.rowsAffected = static_cast<long long>(rs.rows.size());
    out.results.push_back(std::move(rs));
    return true;
}

} // namespace sqlsim
