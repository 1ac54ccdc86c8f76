#pragma once
// A connection to SQL Server (or the local configuration database) as the tool uses it: opened from an
// ADO-style connection text, then one statement or query at a time. Every call reports its outcome as
// a value; nothing throws across this interface.
#include "platform/Value.h"

#include <memory>
#include <string>
#include <vector>

namespace qm {

// One diagnostic the server (or driver) sent with a statement: errors and informational messages.
struct ServerMessage {
    long number = 0;
    int severity = 0; // TDS class; above 10 is an error
    std::string text; // driver prefixes removed
};

// A whole record set, read into memory: column names in field order and the rows.
struct Recordset {
    std::vector<std::string> columns;
    std::vector<std::vector<Value>> rows;

    int columnIndex(const std::string& name) const; // case-insensitive, -1 when absent
};

struct SqlResult {
    bool ok = false;
    std::string error;                   // description of the first error, as ADO reports it; empty when ok
    long errorNumber = 0;                // native error number of that error
    std::vector<ServerMessage> messages; // every diagnostic, informational ones included, in order
    Recordset recordset;                 // first result set of a query (empty for statements)
    bool connectionLost = false;         // the link to the server broke (SQLSTATE 08S01, 08003, …)
};

class Connection {
public:
    virtual ~Connection() = default;

    // Opens with an ADO-style text ("Provider=SQLOLEDB;Server=…;Database=…;Uid=…;Pwd=…;" or the Jet text).
    // On failure State() stays 0 and the description is returned.
    virtual bool Open(const std::string& connectionString, std::string& error) = 0;
    virtual int State() const = 0;                   // 0 closed, 1 open
    virtual void SetCommandTimeout(int seconds) = 0; // applies to later statements; 0: no limit
    virtual int CommandTimeout() const = 0;          // as last set, so a caller can put it back
    virtual const std::string& ConnectionString() const = 0;

    // Runs one batch. A query's first result set is returned whole; statements return none.
    virtual SqlResult Execute(const std::string& sql) = 0;

    // Called from another thread: asks the batch running now to end at once (the server is told to
    // stop it). Nothing happens when no batch runs.
    virtual void Cancel() {}
};

class ConnectionFactory {
public:
    virtual ~ConnectionFactory() = default;
    virtual std::shared_ptr<Connection> Create() = 0; // a new, unopened connection
};

} // namespace qm
