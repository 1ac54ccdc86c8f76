#pragma once
// Every file the server records for each database (sysaltfiles), read in one query. A repair run reads
// it once and keeps it current as it rebuilds logs, so the guard against touching another database's
// file costs no round trip per row however many databases the server holds.
#include "app/AppState.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace qm {

inline constexpr const char* kServerFilesQuery =
    "select a.name,b.fileid,b.filename from sysdatabases as a inner join sysaltfiles as b on a.dbid=b.dbid";

class ServerFiles {
public:
    // Sends the query once; later calls answer from what it gave. False when it failed (cMsg holds its
    // message, and the next call tries again).
    bool Read(AppState& app);

    // Whether the server records `path` for a database other than `db` (paths without letter case,
    // names as the server compares them: without letter case and trailing blanks).
    bool OwnedByOther(const std::string& path, const std::string& db) const;

    // The log of `db` was rebuilt at `path`: the server now records that file for it instead of the old one.
    void LogRebuilt(const std::string& db, const std::string& path);

    // Every file the server records for `db`, as it writes them, each once.
    std::vector<std::string> FilesOf(const std::string& db) const;

private:
    // One record of the server's: `path` as it writes it.
    void Add(const std::string& dbKey, const std::string& path);

    bool read_ = false;
    std::unordered_map<std::string, std::vector<std::string>> owners_; // upper-cased path -> a database key per record
    std::unordered_map<std::string, std::string> logs_;                // database key -> its log (file 2)
    std::unordered_map<std::string, std::vector<std::string>> files_;  // database key -> its files as written
};

} // namespace qm
