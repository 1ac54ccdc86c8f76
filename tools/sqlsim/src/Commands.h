#pragma once
// Statements other than SELECT: ALTER DATABASE, DBCC REBUILD_LOG, DBCC CHECKDB, sp_configure, RECONFIGURE,
// sp_dboption, xp_readerrorlog, UPDATE sysdatabases, USE and SET options. Each changes the model as the server would.
#include "Lexer.h"
#include "Messages.h"
#include "Model.h"
#include "sqlsim/Engine.h"

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace sqlsim {

// Reads a statement's tokens from the front; keywords compare without letter case.
class Cursor {
public:
    explicit Cursor(const std::vector<Token>& t) : t_(t) {}
    bool AtEnd() const { return i_ >= t_.size(); }
    const Token* Peek(size_t ahead = 0) const { return i_ + ahead < t_.size() ? &t_[i_ + ahead] : nullptr; }
    bool Keyword(std::string_view kw); // consumes it when it is next
    bool Symbol(std::string_view s);
    bool Name(std::string& out);   // identifier or [quoted]
    bool String(std::string& out); // 'literal'
    bool Integer(long long& out);  // [-|+] digits
    void Skip(size_t n) { i_ += n; }
    // The token to name in a syntax error here: the next one, or the last one at the end.
    std::string NearToken() const;

private:
    const std::vector<Token>& t_;
    size_t i_ = 0;
};

class Commands {
public:
    Commands(Model& model, const Messages& msgs) : m_(model), msgs_(msgs) {}
    // Runs one statement for session `spid`; false when it failed (its messages are in out).
    bool Run(const std::vector<Token>& tokens, BatchResult& out, int spid = 51);
    // How long the statement just run takes on this server (then zero again).
    std::chrono::milliseconds TakeBusyTime() { return std::exchange(busy_, std::chrono::milliseconds{0}); }

private:
    bool AlterDatabase(Cursor& c, BatchResult& out);
    bool SetOption(Database& db, const std::string& option, bool rollback, BatchResult& out);
    bool SetOnline(Database& db, BatchResult& out);
    bool RebuildLog(Cursor& c, Database* db, const std::string& name, BatchResult& out);
    bool Dbcc(Cursor& c, BatchResult& out);
    bool Checkdb(Cursor& c, BatchResult& out);
    bool Configure(Cursor& c, BatchResult& out);
    bool Reconfigure(Cursor& c, BatchResult& out);
    bool DbOption(Cursor& c, BatchResult& out);
    bool UpdateSysdatabases(Cursor& c, BatchResult& out);
    bool Use(Cursor& c, BatchResult& out);
    bool ReadErrorLog(Cursor& c, BatchResult& out); // xp_readerrorlog, in ErrorLog.cpp
    bool Fail(BatchResult& out, Message m);
    bool SyntaxError(const Cursor& c, BatchResult& out);
    // Creates the new log file; false when the folder does not let it.
    static bool CreateLogFile(const std::string& path);
    // The log as an emergency repair rebuilds it, a new file where a lost one was (`rebuilt`); false
    // when it cannot be created.
    static bool RebuildLostLog(const Database& db, bool& rebuilt);

    Model& m_;
    const Messages& msgs_;
    std::chrono::milliseconds busy_{0};
    int spid_ = 51; // the session of the statement running
};

} // namespace sqlsim
