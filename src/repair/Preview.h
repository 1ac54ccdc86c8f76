#pragma once
// The preview (预览): what a repair run would do to each ticked row, found by running the repair driver
// itself in plan mode (PlanMode.h). The state query and the lookups reach the server; nothing that
// changes the server or a file is sent or done. Because it is the run's own code, the preview cannot
// drift from the run.
#include "app/AppState.h"
#include "discovery/AccountGrid.h"
#include "repair/RepairProgress.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qm {

struct PreviewRow {
    int row = 0;
    std::string db, accNo, accName, year, path;
    std::string state, route;
    std::string cause, causeLine;                           // the error log's, when it was asked
    std::string report;                                     // the plan's report; kRepaired when it goes through
    std::vector<std::string> statements;                    // every statement a first attempt sends, in order
    std::vector<std::pair<std::string, std::string>> moves; // from, to
    struct Copy {
        std::string from, to;
        std::uint64_t bytes = 0;
    };
    std::vector<Copy> copies;                    // the copy taken before the first change, when asked for
    std::uint64_t copyBytes = 0, freeBytes = 0; // what it needs and what the disk has
};

// Runs the plan over the ticked rows of `m` (left as they are). `progress` (may be null) sees the run
// start and each row done, and may stop it between rows.
std::vector<PreviewRow> PlanRepair(AppState& app, const MainModel& m, RepairProgress* progress);

// The preview window's text, lines ending in CR LF.
std::string PreviewText(const std::vector<PreviewRow>& rows);

} // namespace qm
