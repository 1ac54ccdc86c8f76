#include "ui/EngineOps.h"

#include "platform/FileSystem.h"
#include "ui/PublisherInfo.h"

#if __has_include("discovery/LoadAcc.h")
#include "discovery/LoadAcc.h"
#define QM_UI_HAVE_LOADACC 1
#endif
#if __has_include("repair/Repair.h")
#include "repair/Repair.h"
#define QM_UI_HAVE_REPAIR 1
#endif
#if __has_include("repair/LogFiles.h")
#include "repair/LogFiles.h"
#define QM_UI_HAVE_DOWNLOAD 1
#endif

#include <vector>

namespace qm::ui {

namespace {

// Stand-ins used only while a build lacks the engine part; they say so instead of pretending.
[[maybe_unused]] bool MissingLoadAcc(AppState&, MainModel& m) {
    m.grid.Clear();
    m.iAccCount = 0;
    m.labReport = {"无法读取数据库列表：程序缺少列表组件", kRed};
    return false;
}

[[maybe_unused]] bool MissingRepair(AppState&, MainModel& m, RepairProgress* progress) {
    if (progress) progress->RunStarted(m.iAccCount);
    m.labReport = {"无法修复：程序缺少修复组件", kRed};
    return true;
}

[[maybe_unused]] bool MissingDownload(AppState&, const std::string&, const std::string&, const std::string&) {
    return false;
}

std::string ReadProfile(AppState& app, const std::string& section, const std::string& key,
                        const std::string& def, const std::string& file) {
    if (!app.platform.files) return def;
    std::vector<std::string> lines;
    if (!app.platform.files->ReadLines(file, lines)) return def;
    return ProfileValue(lines, section, key, def);
}

} // namespace

EngineOps DefaultEngineOps() {
    EngineOps ops;
#ifdef QM_UI_HAVE_LOADACC
    ops.loadAcc = [](AppState& a, MainModel& m) { return qm::LoadAcc(a, m); };
#else
    ops.loadAcc = MissingLoadAcc;
#endif
#ifdef QM_UI_HAVE_REPAIR
    ops.repair = [](AppState& a, MainModel& m, RepairProgress* p) { return qm::Repair(a, m, p); };
#else
    ops.repair = MissingRepair;
#endif
#ifdef QM_UI_HAVE_DOWNLOAD
    ops.downloadFile = [](AppState& a, const std::string& url, const std::string& target, const std::string& req) {
        return qm::DownloadFile(a, url, target, req);
    };
#else
    ops.downloadFile = MissingDownload;
#endif
    ops.readProfile = ReadProfile;
    return ops;
}

} // namespace qm::ui
