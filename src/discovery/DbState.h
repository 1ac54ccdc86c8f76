#pragma once
// The short Chinese label of one database's current state, which the repair driver compares whole to
// pick a repair sequence.
#include "app/AppState.h"
#include "platform/Value.h"

#include <memory>
#include <optional>
#include <string>

namespace qm {

// By the server's class: SQL Server 2000 → GetDbState2000, 2005/2008 → GetDbStateEx, modern →
// GetDbStateModern, no class → "".
// `conn` is handed back unchanged.
std::string GetDbState(AppState& app, VersionClass cls, const std::string& db, std::shared_ptr<Connection>& conn);

// One DATABASEPROPERTYEX(…, 'Status') query: "在线", "脱机", "还原", "恢复", "置疑", "紧急只读状态" or
// "正常"; "" when the query itself failed (cMsg then holds why).
std::string GetDbStateEx(AppState& app, const std::string& db, std::shared_ptr<Connection>& conn);

// sys.databases.state, which alone tells a database whose recovery is pending ("恢复挂起") from a
// suspect one: "在线", "还原", "恢复", "恢复挂起", "置疑", "紧急只读状态", "脱机" or "正常" (also when no such
// database); "" when the query itself failed (cMsg then holds why).
std::string GetDbStateModern(AppState& app, const std::string& db, std::shared_ptr<Connection>& conn);

// Eleven DATABASEPROPERTY probes; the labels of the flags that are set, joined by "\", or "正常".
std::string GetDbState2000(AppState& app, const std::string& db, std::shared_ptr<Connection>& conn);

// A state text of a database that needs no repair.
inline bool IsHealthyState(const std::string& state) { return state == "正常" || state == "在线"; }

// "--password " CR LF in front of a non-empty batch; the empty text stays empty.
std::string PrefixPasswordComment(const std::string& sql);

// 0 for Null, empty or the empty text, else the number the value holds. A text that is no number
// gives nothing from TryNullToZero and 0 from NullToZero.
std::optional<double> TryNullToZero(const Value& v);
double NullToZero(const Value& v);

} // namespace qm
