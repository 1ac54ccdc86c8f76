#pragma once
// A database whose recovery the server put off (RECOVERY_PENDING, SQL Server 2012 and later) is first
// simply brought online: when its log was only out of reach — a disk mounted late, a file an antivirus
// scanner held, a permission — recovery replays it and no transaction is lost. Only when the server
// refuses is the log rebuilt.
#include "app/AppState.h"

#include <string>

namespace qm {

// After the data-file test, "alter database <db> set online" with no command timeout (recovery of a
// large log takes long; 停止 cancels it). Accepted: repaired, nothing moved, no log rebuilt. Refused
// by the server: ReShutdown_2005 on `path`, whose outcome is the result (the refusal stays among the
// row's statements). Cut short by 停止 (app.stop) or by a lost link, the row ends with the refusal and
// nothing more is sent. Result and cMsg as ReShutdown's.
bool ReRecoveryPending(AppState& app, const std::string& db, std::string& path);

// The same first step where a rebuild would not help (the file is held by another program, or the
// service may not read it): a refusal ends the row with `refusalReport` in cMsg and nothing rebuilt.
bool ReOnlineOnly(AppState& app, const std::string& db, std::string& path, const std::string& refusalReport);

} // namespace qm
