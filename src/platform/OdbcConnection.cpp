#include "platform/OdbcConnection.h"

#include "platform/Text.h"
#include "platform/Threads.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace qm {

namespace {

// The SQL Server drivers (Microsoft's and FreeTDS) report a message's class under this field.
constexpr SQLSMALLINT kDiagSsSeverity = -1151;
constexpr int kMaxDiagRecords = 512;

const SQLWCHAR* W(const std::u16string& s) { return reinterpret_cast<const SQLWCHAR*>(s.c_str()); }

std::string FromW(const SQLWCHAR* s, size_t units) {
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(s), units));
}

// Owns one ODBC handle; freed when the owner ends.
class Handle {
public:
    Handle() = default;
    Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &h_))) h_ = SQL_NULL_HANDLE;
    }
    ~Handle() { reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& o) noexcept : type_(o.type_), h_(o.h_) { o.h_ = SQL_NULL_HANDLE; }
    Handle& operator=(Handle&& o) noexcept {
        if (this != &o) {
            reset();
            type_ = o.type_;
            h_ = o.h_;
            o.h_ = SQL_NULL_HANDLE;
        }
        return *this;
    }
    void reset() {
        if (h_ != SQL_NULL_HANDLE) {
            if (type_ == SQL_HANDLE_DBC) SQLDisconnect(h_);
            SQLFreeHandle(type_, h_);
            h_ = SQL_NULL_HANDLE;
        }
    }
    SQLHANDLE get() const { return h_; }
    SQLSMALLINT type() const { return type_; }
    explicit operator bool() const { return h_ != SQL_NULL_HANDLE; }

private:
    SQLSMALLINT type_ = 0;
    SQLHANDLE h_ = SQL_NULL_HANDLE;
};

struct Diag {
    std::string sqlstate;
    long native = 0;
    int severity = 0;
    std::string text; // prefixes removed
    bool isError() const { return severity > 10; }
};

// Class 08 is a connection exception; 08001/08004 only ever come from connecting, not from a link that
// broke under a running statement.
bool IsLinkFailure(const Diag& d) { return d.sqlstate == "08S01" || d.sqlstate == "08003" || d.sqlstate == "08007"; }

// Every diagnostic record of a handle, in order. The records go with the next call on the handle,
// so this runs after each call that may have left some.
void ReadDiags(const Handle& h, std::vector<Diag>& out) {
    for (SQLSMALLINT rec = 1; rec <= kMaxDiagRecords; ++rec) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        std::vector<SQLWCHAR> buf(1024);
        SQLSMALLINT len = 0;
        SQLRETURN rc =
            SQLGetDiagRecW(h.type(), h.get(), rec, state, &native, buf.data(), SQLSMALLINT(buf.size()), &len);
        if (rc == SQL_SUCCESS_WITH_INFO && len >= SQLSMALLINT(buf.size())) {
            buf.resize(size_t(len) + 1);
            rc = SQLGetDiagRecW(h.type(), h.get(), rec, state, &native, buf.data(), SQLSMALLINT(buf.size()), &len);
        }
        if (!SQL_SUCCEEDED(rc)) break;
        Diag d;
        d.sqlstate = FromW(state, 5);
        d.native = native;
        size_t units = 0;
        while (units < buf.size() && units < size_t(len < 0 ? 0 : len) && buf[units] != 0) ++units;
        d.text = StripDriverPrefixes(FromW(buf.data(), units));
        SQLINTEGER severity = -1;
        if (SQL_SUCCEEDED(
                SQLGetDiagField(h.type(), h.get(), rec, kDiagSsSeverity, &severity, SQL_IS_INTEGER, nullptr)) &&
            severity >= 0 && severity <= 25) {
            d.severity = int(severity);
        } else {
            // Class 01 is a warning; everything else stops the statement.
            d.severity = d.sqlstate.rfind("01", 0) == 0 ? 10 : 16;
        }
        out.push_back(std::move(d));
    }
}

} // namespace

class OdbcEnvironment {
public:
    OdbcEnvironment() : env_(SQL_HANDLE_ENV, SQL_NULL_HANDLE) {
        if (env_) SQLSetEnvAttr(env_.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    }
    const Handle& handle() const { return env_; }

private:
    Handle env_;
};

namespace {

class OdbcConnection : public Connection {
public:
    OdbcConnection(std::shared_ptr<OdbcEnvironment> env, OdbcDrivers drivers)
        : env_(std::move(env)), drivers_(std::move(drivers)) {}

    bool Open(const std::string& connectionString, std::string& error) override {
        if (state_ != 0) {
            error = "对象打开时，不允许操作。";
            return false;
        }
        text_ = connectionString;
        OdbcConnectSpec spec;
        if (!TranslateConnectionText(connectionString, drivers_, spec, error)) return false;
        if (!env_->handle()) {
            error = "无法初始化 ODBC 驱动程序管理器。";
            return false;
        }
        Handle dbc(SQL_HANDLE_DBC, env_->handle().get());
        if (!dbc) {
            error = "无法分配 ODBC 连接句柄。";
            return false;
        }
        SQLSetConnectAttrW(dbc.get(), SQL_ATTR_LOGIN_TIMEOUT,
                           reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(spec.loginTimeout)), SQL_IS_UINTEGER);
        const std::u16string text16 = Utf8ToUtf16(spec.text);
        SQLWCHAR out[1024];
        SQLSMALLINT outLen = 0;
        const SQLRETURN rc = SQLDriverConnectW(dbc.get(), nullptr, const_cast<SQLWCHAR*>(W(text16)), SQL_NTS, out,
                                               SQLSMALLINT(sizeof out / sizeof out[0]), &outLen, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) {
            std::vector<Diag> diags;
            ReadDiags(dbc, diags);
            error = FirstError(diags);
            return false;
        }
        dbc_ = std::move(dbc);
        state_ = 1;
        return true;
    }

    int State() const override { return state_; }
    void SetCommandTimeout(int seconds) override { commandTimeout_ = seconds < 0 ? 0 : seconds; }
    int CommandTimeout() const override { return commandTimeout_; }
    const std::string& ConnectionString() const override { return text_; }

    SqlResult Execute(const std::string& sql) override {
        SqlResult r;
        if (state_ == 0) {
            r.error = "对象关闭时，不允许操作。";
            return r;
        }
        Handle stmt(SQL_HANDLE_STMT, dbc_.get());
        if (!stmt) {
            r.error = "无法分配 ODBC 语句句柄。";
            return r;
        }
        SQLSetStmtAttrW(stmt.get(), SQL_ATTR_QUERY_TIMEOUT,
                        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(commandTimeout_)), SQL_IS_UINTEGER);
        RunningStatement running(*this, stmt.get());

        std::vector<Diag> diags;
        bool failed = false;
        bool haveRecordset = false;
        auto note = [&](SQLRETURN rc) {
            if (rc == SQL_ERROR) failed = true;
            if (rc != SQL_SUCCESS && rc != SQL_INVALID_HANDLE) ReadDiags(stmt, diags);
        };

        const std::u16string sql16 = Utf8ToUtf16(sql);
        SQLRETURN rc = SQLExecDirectW(stmt.get(), const_cast<SQLWCHAR*>(W(sql16)), SQL_NTS);
        note(rc);
        // Walk every result of the batch: a later statement's error must reach the caller too.
        for (int guard = 0; guard < 100000; ++guard) {
            if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
                SQLSMALLINT cols = 0;
                if (SQL_SUCCEEDED(SQLNumResultCols(stmt.get(), &cols)) && cols > 0 && !haveRecordset) {
                    haveRecordset = true;
                    ReadRecordset(stmt, cols, r.recordset, note);
                }
            } else if (rc == SQL_NO_DATA) {
                // From SQLExecDirect this only says the first statement touched no row; later ones may follow.
                if (guard > 0) break;
            } else if (rc == SQL_INVALID_HANDLE) {
                break;
            } else if (rc != SQL_ERROR) {
                break; // SQL_STILL_EXECUTING / SQL_NEED_DATA do not happen in synchronous mode
            }
            const size_t before = diags.size();
            rc = SQLMoreResults(stmt.get());
            note(rc);
            if (rc == SQL_ERROR && diags.size() == before) break; // a dead statement reports nothing new
        }
        SQLFreeStmt(stmt.get(), SQL_CLOSE);

        for (const Diag& d : diags) {
            if (IsLinkFailure(d)) r.connectionLost = true;
            ServerMessage m;
            m.number = d.native;
            m.severity = d.severity;
            m.text = d.text;
            r.messages.push_back(std::move(m));
            if (d.isError()) failed = true;
        }
        // A driver that lost its way in the reply (a broken packet, say) marks the link dead without
        // a link-failure state; nothing more can be sent over it either.
        if (failed && !r.connectionLost) {
            SQLUINTEGER dead = SQL_CD_FALSE;
            if (SQL_SUCCEEDED(
                    SQLGetConnectAttrW(dbc_.get(), SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr)) &&
                dead == SQL_CD_TRUE)
                r.connectionLost = true;
        }
        r.ok = !failed;
        if (failed) {
            r.error = FirstError(diags);
            for (const Diag& d : diags)
                if (d.isError()) {
                    r.errorNumber = d.native;
                    break;
                }
        }
        return r;
    }

    void Cancel() override {
        // The driver writes its cancel on the link the request goes out on; a cancel sent while the
        // request is still being written would land inside it. A request is out in moments, so a
        // cancel that comes sooner waits for the rest of them.
        for (;;) {
            int wait = 0;
            {
                LockGuard lock(runningLock_);
                if (running_ == SQL_NULL_HANDLE) return;
                const auto ran = std::chrono::steady_clock::now() - runningSince_;
                if (ran >= kCancelSettle) {
                    SQLCancel(running_);
                    return;
                }
                wait = int(std::chrono::duration_cast<std::chrono::milliseconds>(kCancelSettle - ran).count()) + 1;
            }
            SleepMilliseconds(wait);
        }
    }

private:
    // Publishes the statement handle for Cancel while the batch runs.
    class RunningStatement {
    public:
        RunningStatement(OdbcConnection& c, SQLHANDLE h) : c_(c) { Set(h); }
        ~RunningStatement() { Set(SQL_NULL_HANDLE); }

    private:
        void Set(SQLHANDLE h) {
            LockGuard lock(c_.runningLock_);
            c_.running_ = h;
            c_.runningSince_ = std::chrono::steady_clock::now();
        }
        OdbcConnection& c_;
    };

    template <class Note>
    static void ReadRecordset(const Handle& stmt, SQLSMALLINT cols, Recordset& rs, Note& note) {
        std::vector<bool> integral(size_t(cols), false);
        for (SQLSMALLINT c = 1; c <= cols; ++c) {
            SQLWCHAR name[512];
            SQLSMALLINT nameLen = 0, type = 0, digits = 0, nullable = 0;
            SQLULEN size = 0;
            std::string colName;
            if (SQL_SUCCEEDED(SQLDescribeColW(stmt.get(), c, name, SQLSMALLINT(sizeof name / sizeof name[0]), &nameLen,
                                              &type, &size, &digits, &nullable))) {
                const size_t units =
                    nameLen < 0 ? 0 : std::min<size_t>(size_t(nameLen), sizeof name / sizeof name[0] - 1);
                colName = FromW(name, units);
            }
            rs.columns.push_back(colName);
            integral[size_t(c - 1)] = type == SQL_INTEGER || type == SQL_SMALLINT || type == SQL_TINYINT ||
                                      type == SQL_BIGINT || type == SQL_BIT;
        }
        for (;;) {
            const SQLRETURN rc = SQLFetch(stmt.get());
            if (rc == SQL_NO_DATA) break;
            note(rc);
            if (!SQL_SUCCEEDED(rc)) break;
            std::vector<Value> row;
            row.reserve(size_t(cols));
            for (SQLSMALLINT c = 1; c <= cols; ++c)
                row.push_back(integral[size_t(c - 1)] ? ReadInteger(stmt, c, note) : ReadText(stmt, c, note));
            rs.rows.push_back(std::move(row));
        }
    }

    template <class Note>
    static Value ReadInteger(const Handle& stmt, SQLSMALLINT c, Note& note) {
        SQLBIGINT v = 0;
        SQLLEN ind = 0;
        const SQLRETURN rc = SQLGetData(stmt.get(), SQLUSMALLINT(c), SQL_C_SBIGINT, &v, sizeof v, &ind);
        note(rc);
        if (!SQL_SUCCEEDED(rc) || ind == SQL_NULL_DATA) return Value::Null();
        return Value::Number(double(v));
    }

    // Reads a text column in pieces: the declared size says nothing certain about the data's length.
    template <class Note>
    static Value ReadText(const Handle& stmt, SQLSMALLINT c, Note& note) {
        std::u16string text;
        SQLWCHAR buf[2048];
        for (;;) {
            SQLLEN ind = 0;
            const SQLRETURN rc = SQLGetData(stmt.get(), SQLUSMALLINT(c), SQL_C_WCHAR, buf, sizeof buf, &ind);
            if (rc == SQL_NO_DATA) break;
            if (!SQL_SUCCEEDED(rc)) {
                note(rc);
                return Value::Null();
            }
            if (ind == SQL_NULL_DATA) return Value::Null();
            const size_t capacity = sizeof buf / sizeof buf[0] - 1;
            size_t units = (ind == SQL_NO_TOTAL || size_t(ind) / sizeof(SQLWCHAR) > capacity)
                               ? capacity
                               : size_t(ind) / sizeof(SQLWCHAR);
            text.append(reinterpret_cast<const char16_t*>(buf), units);
            if (rc == SQL_SUCCESS) break;
            // SUCCESS_WITH_INFO here is 01004 (truncated): more pieces follow, no message for the caller.
        }
        return Value::Text(Utf16ToUtf8(text));
    }

    static std::string FirstError(const std::vector<Diag>& diags) {
        for (const Diag& d : diags)
            if (d.isError()) return d.text;
        if (!diags.empty()) return diags.front().text;
        return "未指定的错误";
    }

    std::shared_ptr<OdbcEnvironment> env_;
    OdbcDrivers drivers_;
    Handle dbc_;
    int state_ = 0;
    int commandTimeout_ = 30;
    std::string text_;
    Mutex runningLock_;
    SQLHANDLE running_ = SQL_NULL_HANDLE;
    std::chrono::steady_clock::time_point runningSince_;
    static constexpr std::chrono::milliseconds kCancelSettle{50};
};

} // namespace

OdbcConnectionFactory::OdbcConnectionFactory() : OdbcConnectionFactory(DefaultOdbcDrivers()) {}

OdbcConnectionFactory::OdbcConnectionFactory(OdbcDrivers drivers)
    : env_(std::make_shared<OdbcEnvironment>()), drivers_(std::move(drivers)) {}

OdbcConnectionFactory::~OdbcConnectionFactory() = default;

std::shared_ptr<Connection> OdbcConnectionFactory::Create() { return std::make_shared<OdbcConnection>(env_, drivers_); }

} // namespace qm
