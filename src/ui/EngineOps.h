#pragma once
// The engine operations the main window calls, gathered so that tests (and the start-up) can put in
// their own. DefaultEngineOps() gives the real ones.
#include "app/AppState.h"
#include "discovery/AccountGrid.h"
#include "repair/RepairProgress.h"

#include <functional>
#include <string>

namespace qm::ui {

struct EngineOps {
    std::function<bool(AppState&, MainModel&)> loadAcc;
    std::function<void(AppState&, MainModel&, RepairProgress*)> repair;
    // The preview's text for the ticked rows; the model is left as it is. Runs off the window's thread.
    std::function<std::string(AppState&, const MainModel&, RepairProgress*)> preview;
    // Fetches url to target when the body contains `required`; the old file stays on any failure.
    std::function<bool(AppState&, const std::string& url, const std::string& target, const std::string& required)>
        downloadFile;
    // One key of a profile file with the "//" comment cut; def when the file or key is missing.
    std::function<std::string(AppState&, const std::string& section, const std::string& key, const std::string& def,
                              const std::string& file)>
        readProfile;
};

EngineOps DefaultEngineOps();

} // namespace qm::ui
