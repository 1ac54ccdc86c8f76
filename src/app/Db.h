#pragma once
// The small database operations every other part uses to reach SQL Server.
#include "app/AppState.h"
#include "platform/Value.h"

#include <memory>
#include <string>

namespace qm {

// ADO-style connection text for a database, as sent to the provider:
// "Provider=SQLOLEDB;Server=…;Database=…;Uid=…;Pwd=…;". Values that would break the text (a ";",
// blanks at either end, a leading quote) are quoted so the whole value reaches the server.
std::string BuildConnectionString(const std::string& server, const std::string& database, const std::string& user,
                                  const std::string& password);

// Opens a connection to `database` with the signed-in server, login and password. Command timeout 300 s.
// On failure the description goes into cMsg (cMsg is not cleared first) and the unopened connection
// is returned.
std::shared_ptr<Connection> OpenSqlConnection(AppState& app, const std::string& database);

// "select <field> from <table> where 1=1 and <condition>": the field of the first row, Null when no row.
// Empties cMsg first; on error cMsg holds the description and the result is the empty value.
Value GetFieldValue(AppState& app, const std::string& field, const std::string& table, const std::string& condition,
                    const std::shared_ptr<Connection>& conn);

// A complete query: the named field of the first row, the empty text when no row.
// Empties cMsg first; on error cMsg holds the description and the result is the empty value.
Value GetSqlValue(AppState& app, const std::string& field, const std::string& query,
                  const std::shared_ptr<Connection>& conn);

inline constexpr const char* kConnectionLostText = "与服务器的连接已断开";

// Runs a statement (or query) over the connection and reports it to the observer. A closed or missing
// connection fails with a description. Does not touch cMsg. A broken link on oMaster sets masterLost;
// while it is set nothing is sent over oMaster (the result fails with kConnectionLostText, unreported).
SqlResult ExecuteSql(AppState& app, const std::shared_ptr<Connection>& conn, const std::string& sql);

// After masterLost: opens a new connection with oMaster's own connection text and puts it in oMaster's
// place. True when oMaster is usable (it was never lost, or it opened again); otherwise cMsg holds the
// reason and masterLost stays set.
bool ReopenMasterIfLost(AppState& app);

std::string NullToStr(const Value& v);

// Gives a connection another command timeout (0: none) for as long as it lives, then puts the one
// before it back.
class CommandTimeoutScope {
public:
    CommandTimeoutScope(std::shared_ptr<Connection> conn, int seconds) : conn_(std::move(conn)) {
        if (!conn_) return;
        previous_ = conn_->CommandTimeout();
        conn_->SetCommandTimeout(seconds);
    }
    ~CommandTimeoutScope() {
        if (conn_) conn_->SetCommandTimeout(previous_);
    }
    CommandTimeoutScope(const CommandTimeoutScope&) = delete;
    CommandTimeoutScope& operator=(const CommandTimeoutScope&) = delete;

private:
    std::shared_ptr<Connection> conn_;
    int previous_ = 0;
};

} // namespace qm
