#pragma once
// Which accounting product the server belongs to, and the system database that goes with it.
#include "app/AppState.h"

#include <string>

namespace qm {

// The kind the login wrapper reported ("U8", "T6", "T3") when it has one — then no query is made;
// otherwise "T" when the server holds ufsystem, "T+" when it holds uftsystem (T+ wins when both
// exist), "" when neither. Reads app.oMaster and app.versionClass (SQL Server 2000 has no sys.databases).
std::string GetProductKind(AppState& app);

// "UFSystem" for U8, T6, T3 and T; "UFTSystem" for T+; "master" for anything else.
std::string GetSystemDbName(const std::string& kind);

} // namespace qm
