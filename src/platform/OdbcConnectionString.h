#pragma once
// Translation of the tool's ADO-style connection texts into ODBC connection strings, and of ODBC
// diagnostics back into the descriptions ADO shows. Pure functions: no driver is touched here.
#include "platform/Text.h"

#include <string>
#include <string_view>

namespace qm {

// A SQL Server name as the operator types it: host, host,port, host\instance, (local), "." …
struct ServerAddress {
    std::string host;     // "(local)" and "." become 127.0.0.1
    std::string instance; // empty for the default instance
    int port = 0;         // 0: not given
    bool valid = true;    // false for an unusable port
};
ServerAddress ParseServerName(std::string_view server);

struct OdbcDrivers {
    std::string sqlServer; // e.g. "FreeTDS" or "SQL Server"
    std::string jet;       // e.g. "MDBTools" or "Microsoft Access Driver (*.mdb)"
};
// This system's drivers; QUILLMERE_ODBC_DRIVER (a build setting) overrides the SQL Server one.
OdbcDrivers DefaultOdbcDrivers();

struct OdbcConnectSpec {
    std::string text;      // the ODBC connection string
    int loginTimeout = 15; // seconds; a silent server must never hang the tool
};

// ADO text → ODBC connection string. False with an ADO-like description when the text names no
// usable provider or server.
bool TranslateConnectionText(const std::string& adoText, const OdbcDrivers& drivers, OdbcConnectSpec& spec,
                             std::string& error);

// "[FreeTDS][SQL Server]text" → "text": every leading [...] group goes, as ADO shows server messages.
std::string StripDriverPrefixes(std::string_view message);

} // namespace qm
