#include "ui/EngineOps.h"

#include "app/LocalConfig.h"
#include "discovery/LoadAcc.h"
#include "repair/LogFiles.h"
#include "repair/Repair.h"

namespace qm::ui {

EngineOps DefaultEngineOps() {
    EngineOps ops;
    ops.loadAcc = [](AppState& a, MainModel& m) { return qm::LoadAcc(a, m); };
    ops.repair = [](AppState& a, MainModel& m, RepairProgress* p) { return qm::Repair(a, m, p); };
    ops.downloadFile = [](AppState& a, const std::string& url, const std::string& target, const std::string& req) {
        return qm::DownloadFile(a, url, target, req);
    };
    ops.readProfile = [](AppState& a, const std::string& section, const std::string& key, const std::string& def,
                         const std::string& file) {
        std::string value;
        // A value that is nothing but a comment cannot be read; the default stands in for it.
        if (!qm::ReadProfileValue(a.platform, section, key, def, file, value)) return def;
        return value;
    };
    return ops;
}

} // namespace qm::ui
