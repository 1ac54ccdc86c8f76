#pragma once
// Drives the main window as an operator would, by control id: waits for the list, ticks rows, sets the
// verification box, presses 确定 (and 停止), waits for the run, presses 刷新, and records what the window
// showed at each point.
#include "discovery/AccountGrid.h"
#include "ui/FrmMain.h"

#include <nlohmann/json.hpp>

#include <string>

namespace qme2e {

struct DriveOptions {
    std::string tick = "all";  // all, none or grid rows counted from 1 ("1,3")
    int verify = -1;           // -1 leave the box as it is, 0 clear it, 1 tick it
    int pressStopAfterMs = -1; // press 停止 that long after 确定; -1 never
};

// Fills "title", "load", "repair" (with "checking": the passing texts of the verification cells, in
// order), "record" (the label naming the run record and the file's text) and "reload" of `result`.
// False with a description when the window did not do what an operator would wait for in time.
bool DriveMainWindow(qm::ui::FrmMain& window, const qm::MainModel& model, const DriveOptions& options,
                     nlohmann::ordered_json& result, std::string& error);

} // namespace qme2e
