#pragma once
// The repair run behind the main window's Confirm button: every ticked row of the grid gets its state
// classified, the matching repair sequence, and a report; then the summary label is recomputed.
#include "app/AppState.h"
#include "discovery/AccountGrid.h"
#include "repair/RepairProgress.h"

#include <string>

namespace qm {

inline constexpr const char* kRepaired = "成功修复";
inline constexpr const char* kRepairFailed = "修复失败";
inline constexpr const char* kNoRepairNeeded = "数据库状态正常，无需修复";

// The report of a ticked row whose state selects no routine.
std::string UnsupportedStateReport(const std::string& state);

// Walks rows 1..iAccCount (ticked: column 1 exactly "Y"), writes each ticked row's report into column 6
// and the summary of the whole grid into labReport. Clears m.bStop at the start; a stop request
// (m.bStop or progress->StopRequested()) ends the run after the current row, and the summary is still
// computed. `progress` may be null. May run on a worker thread: it touches only app, m and progress.
// Always true.
bool Repair(AppState& app, MainModel& m, RepairProgress* progress);

// The summary label over every data row of the grid (rows 1..Rows()-1).
void UpdateRepairSummary(MainModel& m);

} // namespace qm
