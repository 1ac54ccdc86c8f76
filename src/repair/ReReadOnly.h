#pragma once
// Recovery of databases in emergency/read-only/DBO-only use with the data and log they have; on
// SQL Server 2005/2008 a refusal that points at the log falls back to the log rebuild.
#include "app/AppState.h"

#include <string>

namespace qm {

// By the server's class: SQL Server 2000 → ReReadOnly_2000; 2005, 2008 and modern → ReReadOnly_2005 and,
// when its failure text names a log file (".LDF" in any letter case) or "连接失败", ReShutdown_2005 with the empty data
// path. False on a failure, whose text (if any) stays in cMsg for the row's report. No class: nothing
// is sent, true.
bool ReReadOnly(AppState& app, VersionClass cls, const std::string& db);

// "set multi_user", "set ONLINE"; the first refusal ends it with the server's message in cMsg.
bool ReReadOnly_2005(AppState& app, const std::string& db);

// 'allow updates' on, status 4194328, dbo use only off, 'allow updates' off; the first refusal ends it,
// and 'allow updates' is turned off again before leaving.
bool ReReadOnly_2000(AppState& app, const std::string& db);

} // namespace qm
