#pragma once
// The repair run behind the main window's Confirm button: every ticked row of the grid gets its state
// classified, the matching repair sequence, and a report; then the summary label is recomputed.
#include "app/AppState.h"
#include "discovery/AccountGrid.h"
#include "repair/Cause.h"
#include "repair/RepairProgress.h"

#include <functional>
#include <string>

namespace qm {

inline constexpr const char* kRepaired = "成功修复";
inline constexpr const char* kRepairFailed = "修复失败";
inline constexpr const char* kNoRepairNeeded = "数据库状态正常，无需修复";
inline constexpr const char* kLinkLostReport = "未修复：与服务器的连接已断开";

// The report of a ticked row whose state selects no routine.
std::string UnsupportedStateReport(const std::string& state);

// What a ticked row's state text makes the run do.
enum class Route { None, Rebuild, ReadOnly, RecoveryPending };
Route RouteOf(const std::string& state);
// The route a state selects, in the operator's words, before the error log is read.
std::string RouteText(const std::string& state);

// What is done to the row once its error log's cause is known.
enum class Road {
    None,
    Rebuild,           // the log is rebuilt
    ReadOnly,          // emergency / read-only lifted
    OnlineThenRebuild, // set online first; rebuilt only when the server refuses
    OnlineOnly,        // set online first; never rebuilt (the file is held or refused)
    NotRebuilt,        // nothing sent: the file is held or refused, and a rebuild would not help
};
Road RoadOf(Route route, const std::string& state, const Cause& cause, VersionClass version,
            const std::string& dataPath);
// The road in the operator's words (the preview lists it).
std::string RoadText(Road road, const std::string& state, const Cause& cause);

// One ticked row's work: the state query (its text into `state`), for a state that needs repair the
// error log's cause (into `cause`), the routine they select and the report. A run, and the preview in
// plan mode, both go through here. Once the link to the server is gone the report is kLinkLostReport.
struct RowOptions {
    bool backup = false;                          // copy the database's files before changing it
    bool lastResort = false;                      // 2005+: a log that cannot be rebuilt gets the emergency repair
    std::function<void(const std::string&)> show; // the report cell's passing text ("备份中 N%"); may be empty
    bool copied = false;                          // set: the copy was taken in this run
    bool emergencyRepaired = false;               // set: the emergency repair brought it back
};
std::string RepairDatabase(AppState& app, const std::string& db, const std::string& dataPath, std::string& state,
                           Cause& cause, RowOptions& options);

// A report that says the row was repaired, in emergency mode or not.
bool IsRepaired(const std::string& report);

// Walks rows 1..iAccCount (ticked: column 1 exactly "Y"), writes each ticked row's report into column 6
// and, while m.bVerify holds, checks each repaired database and writes the outcome into column 7 (empty
// for a ticked row not checked). While m.bRepairFindings holds, what a check found is repaired and
// checked again, in a database copied in this run or, with m.bRepairUncopied, in any; with the copy, a
// log that cannot be rebuilt (2005+) gets the emergency repair instead. Then the summary of the whole grid goes into labReport.
// 停止 (app.stop, requested from any thread while the run goes) ends the run after the current row,
// cancels the statement in flight on oMaster (a guard statement excepted) and a check not yet begun;
// the summary is still computed. A request made before the run began does not count. Once the link to
// the server broke, the row in flight and every later ticked row report kLinkLostReport and nothing
// more is sent. Thread rule: oMaster is not replaced while a run goes (ReopenMasterIfLost runs before
// Repair, on the run's thread), so the connection a request cancels stays the one in use.
// `progress` may be null. May run on a worker thread: it touches only app, m and progress.
void Repair(AppState& app, MainModel& m, RepairProgress* progress);

// The summary label over every data row of the grid (rows 1..Rows()-1).
void UpdateRepairSummary(MainModel& m);

} // namespace qm
