#include "app/ServerFiles.h"

#include "app/Db.h"
#include "platform/Text.h"

#include <algorithm>

namespace qm {

namespace {

std::string NameKey(const std::string& name) { return AsciiUpper(TrimRight(name)); }
std::string PathKey(const std::string& path) { return AsciiUpper(Trim(path)); }

} // namespace

bool ServerFiles::Read(AppState& app) {
    if (read_) return true;
    const SqlResult r = ExecuteSql(app, app.oMaster, kServerFilesQuery);
    if (!r.ok) {
        app.cMsg = r.error;
        return false;
    }
    const int name = r.recordset.columnIndex("name"), file = r.recordset.columnIndex("filename"),
              id = r.recordset.columnIndex("fileid");
    owners_.clear();
    logs_.clear();
    files_.clear();
    for (const auto& row : r.recordset.rows) {
        if (name < 0 || file < 0 || name >= int(row.size()) || file >= int(row.size())) continue;
        const std::string key = NameKey(NullToStr(row[name])), path = PathKey(NullToStr(row[file]));
        Add(key, NullToStr(row[file]));
        if (id >= 0 && id < int(row.size()) && NullToStr(row[id]) == "2") logs_[key] = path;
    }
    read_ = true;
    return true;
}

void ServerFiles::Add(const std::string& dbKey, const std::string& path) {
    const std::string key = PathKey(path);
    if (key.empty()) return;
    owners_[key].push_back(dbKey); // once per record: a database may record one file twice
    auto& files = files_[dbKey];
    if (std::none_of(files.begin(), files.end(), [&](const std::string& f) { return PathKey(f) == key; }))
        files.push_back(Trim(path));
}

bool ServerFiles::OwnedByOther(const std::string& path, const std::string& db) const {
    const auto it = owners_.find(PathKey(path));
    if (it == owners_.end()) return false;
    const std::string key = NameKey(db);
    return std::any_of(it->second.begin(), it->second.end(), [&](const std::string& o) { return o != key; });
}

void ServerFiles::LogRebuilt(const std::string& db, const std::string& path) {
    const std::string key = NameKey(db), upper = PathKey(path);
    std::string& log = logs_[key];
    if (log == upper) return;
    if (auto it = owners_.find(log); !log.empty() && it != owners_.end()) {
        auto& owners = it->second;
        if (auto own = std::find(owners.begin(), owners.end(), key); own != owners.end()) owners.erase(own);
        if (owners.empty()) owners_.erase(it);
    }
    auto& files = files_[key];
    files.erase(std::remove_if(files.begin(), files.end(), [&](const std::string& f) { return PathKey(f) == log; }),
                files.end());
    log = upper;
    Add(key, path);
}

std::vector<std::string> ServerFiles::FilesOf(const std::string& db) const {
    const auto it = files_.find(NameKey(db));
    return it == files_.end() ? std::vector<std::string>{} : it->second;
}

} // namespace qm
