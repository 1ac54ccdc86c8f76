#pragma once
// The copy taken before a database is changed: every file the server records for it, copied beside
// the data file into Quillmere备份\<database>-<yyyyMMdd-HHmmss>\, so that a repair that went wrong can be
// undone by putting the files back. A file the server holds open (SQL Server shares its files for
// reading only while a database is online or in emergency) is copied once the database is taken
// offline; the row's sequence then goes on from there (a copy that fails even so brings it back).
#include "app/AppState.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm {

inline constexpr const char* kBackupFolder = "Quillmere备份";
inline constexpr const char* kBackupFailed = "备份失败：";
inline constexpr const char* kBackupCancelled = "未修复：备份已取消";

struct BackupCopy {
    std::string from, to;
    std::uint64_t bytes = 0;
};

struct BackupPlan {
    std::string folder; // the copy's own folder
    std::vector<BackupCopy> copies;
    std::uint64_t need = 0, free = 0;
};

// "备份空间不足：需要 X MB，可用 Y MB" (whole MB, the need rounded up, the free space down).
std::string BackupSpaceReport(std::uint64_t need, std::uint64_t free);

// What the copy of `db` would be: its files that exist, their sizes, the folder, the free space there.
// False with the report in cMsg when it cannot be planned or there is no room for it.
bool PlanBackup(AppState& app, const std::string& db, const std::string& dataPath, BackupPlan& plan);

// Takes the copy, showing "备份中 N%" through `show`; 停止 (app.stop) cancels it. A copy that is not
// whole is deleted, and the result is false with the report in cMsg: the row is then not repaired.
bool BackUp(AppState& app, const std::string& db, const std::string& dataPath,
            const std::function<void(const std::string&)>& show);

} // namespace qm
