#pragma once
// Lists the abnormal databases of the signed-in server into the main window's grid: which query runs
// depends on the server generation and on which system database (UFSystem, UFTSystem) exists.
#include "app/AppState.h"
#include "discovery/AccountGrid.h"

#include <string>

namespace qm {

// The listing queries, as sent.
extern const char* const kLoadAccQ1; // 2005/2008, U8 family
extern const char* const kLoadAccQ2; // 2005/2008, T+
extern const char* const kLoadAccQ3; // 2005/2008, every database
extern const char* const kLoadAccQ4; // 2000, U8 family
extern const char* const kLoadAccQ5; // 2000, T+
extern const char* const kLoadAccQ6; // 2000, every database
extern const char* const kLoadAccQ7; // 2012 and later, U8 family
extern const char* const kLoadAccQ8; // 2012 and later, T+
extern const char* const kLoadAccQ9; // 2012 and later, every database

// The query LoadAcc would send now ("" when none applies). Runs the system-database probes.
std::string ChooseLoadAccQuery(AppState& app);

// Fills m.grid (header row 0, one row per abnormal database, or one empty row when there is none),
// m.iAccCount and m.labReport. When the list cannot be read, the grid is left empty, the count is 0
// and the label gives the reason in red. The result tells whether the list was read.
bool LoadAcc(AppState& app, MainModel& m);

} // namespace qm
