#include "ui/EngineOps.h"

#include "app/Db.h"
#include "app/LocalConfig.h"
#include "discovery/LoadAcc.h"
#include "repair/Repair.h"
#include "startup/Readme.h"

namespace qm::ui {

EngineOps DefaultEngineOps() {
    EngineOps ops;
    // A link lost in an earlier run is reopened once, with the same connection text, before the next
    // load or run starts; if that fails, nothing is sent over it and the load or run fails.
    ops.loadAcc = [](AppState& a, MainModel& m) {
        qm::ReopenMasterIfLost(a);
        return qm::LoadAcc(a, m);
    };
    ops.repair = [](AppState& a, MainModel& m, RepairProgress* p) {
        qm::ReopenMasterIfLost(a);
        qm::Repair(a, m, p);
    };
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
