#include "repair/Backup.h"

#include "app/ServerFiles.h"
#include "platform/FileErrors.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/SystemServices.h"
#include "platform/Text.h"
#include "repair/SequenceSteps.h"
#include "server/SqlText.h"

#include <chrono>

namespace qm {

namespace {

constexpr std::uint64_t kMb = 1024 * 1024;

std::string NameOf(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

void Report(AppState& app, const BackupCopy& c, std::uint64_t freeBytes, double seconds, const std::string& error) {
    if (!app.observer) return;
    FileCopyEvent e;
    e.row = app.observerRow;
    e.from = c.from;
    e.to = c.to;
    e.bytes = c.bytes;
    e.freeBytes = freeBytes;
    e.seconds = seconds;
    e.error = error;
    app.observer->OnFileCopied(e);
}

// 2005 and later take a database offline (and back) by ALTER DATABASE, 2000 through its option.
bool SetOffline(AppState& app, const std::string& db, bool offline) {
    const std::string sql = app.versionClass == VersionClass::Sql2000
                                ? DbOptionStatement(db, "offline", offline)
                                : "alter database " + IdentOrEmpty(db) + (offline ? " set offline" : " set online");
    return ExecTrapped(app, sql);
}

} // namespace

std::string BackupSpaceReport(std::uint64_t need, std::uint64_t free) {
    return "备份空间不足：需要 " + std::to_string((need + kMb - 1) / kMb) + " MB，可用 " + std::to_string(free / kMb) +
           " MB";
}

bool PlanBackup(AppState& app, const std::string& db, const std::string& dataPath, BackupPlan& plan) {
    plan = BackupPlan{};
    std::vector<std::string> files;
    if (app.runFiles) {
        if (!app.runFiles->Read(app)) return false;
        files = app.runFiles->FilesOf(db);
    }
    if (files.empty()) files.push_back(dataPath);
    const std::string home = ParentFolder(dataPath);
    const std::string stamp = FormatLocalTime(app.platform.clock->Now(), "%04d%02d%02d-%02d%02d%02d");
    plan.folder = JoinPath(JoinPath(home.empty() ? "." : home, kBackupFolder), db + "-" + stamp);
    FileSystem& fs = *app.platform.files;
    for (const std::string& f : files) {
        std::string error;
        BackupCopy c{f, JoinPath(plan.folder, NameOf(f)), 0};
        if (!fs.Exists(f)) continue; // a file the server misses is nothing to keep
        if (!fs.SizeOf(f, c.bytes, error)) {
            app.cMsg = kBackupFailed + error;
            return false;
        }
        plan.need += c.bytes;
        plan.copies.push_back(std::move(c));
    }
    std::string error;
    if (!fs.FreeBytes(home.empty() ? "." : home, plan.free, error)) {
        app.cMsg = kBackupFailed + error;
        return false;
    }
    if (plan.need > plan.free) {
        app.cMsg = BackupSpaceReport(plan.need, plan.free);
        return false;
    }
    return true;
}

bool BackUp(AppState& app, const std::string& db, const std::string& dataPath,
            const std::function<void(const std::string&)>& show) {
    BackupPlan plan;
    if (!PlanBackup(app, db, dataPath, plan)) return false;
    FileSystem& fs = *app.platform.files;
    std::string error;
    if (!fs.MakeFolder(ParentFolder(plan.folder), error) || !fs.MakeFolder(plan.folder, error)) {
        app.cMsg = kBackupFailed + error;
        return false;
    }
    std::vector<std::string> made;
    bool offline = false;
    auto fail = [&](const std::string& report) {
        std::string ignored;
        for (const auto& f : made) fs.Remove(f, ignored);
        // A database left offline would no longer be listed as one to repair: it goes back as it was.
        if (offline) SetOffline(app, db, false);
        app.cMsg = report;
        return false;
    };
    std::uint64_t before = 0;
    int shown = -1;
    for (const BackupCopy& c : plan.copies) {
        for (;;) {
            const auto started = std::chrono::steady_clock::now();
            const bool ok = fs.CopyNew(
                c.from, c.to,
                [&](std::uint64_t done, std::uint64_t) {
                    const int percent = plan.need ? int((before + done) * 100 / plan.need) : 100;
                    if (percent != shown && show) show("备份中 " + std::to_string(shown = percent) + "%");
                    return !app.stop.Requested();
                },
                error);
            Report(app, c, plan.free, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
                   ok ? "" : error);
            if (ok) break;
            if (error == kTextCopyCancelled) return fail(kBackupCancelled);
            // Held open by the server: offline, it lets go of the files.
            if (error != kTextPermissionDenied || offline) return fail(kBackupFailed + error);
            if (!SetOffline(app, db, true)) return fail(kBackupFailed + app.cMsg);
            offline = true;
        }
        made.push_back(c.to);
        before += c.bytes;
    }
    return true;
}

} // namespace qm
