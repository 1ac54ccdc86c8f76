#include "HeldFiles.h"

#include <cstdio>
#include <fstream>

namespace sqlsim {

namespace {

bool Open(const Model& m, const Database& db) {
    if (m.Modern()) return db.state == "ONLINE" || db.state == "EMERGENCY";
    // SQL Server 2000 opens a database in emergency mode too; a shut down one is as closed as a suspect one.
    return !db.flags.count("IsOffline") && !db.flags.count("IsSuspect") && !db.flags.count("IsShutdown");
}

} // namespace

std::string HeldFileList(const Model& m) {
    std::string out;
    for (const Database& db : m.databases) {
        if (db.system || !Open(m, db)) continue;
        for (const std::string* path : {&db.dataPath, &db.logPath}) {
            if (!path->empty()) out += m.paths.Shown(*path) + "\n";
        }
    }
    return out;
}

bool HeldFiles::Publish(const Model& m, std::string& error) {
    std::string list = HeldFileList(m);
    if (written_ == list) return true;
    const std::string tmp = path_ + ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        f << list;
        if (!f.flush()) {
            error = "cannot write the held files to " + tmp;
            return false;
        }
    }
    if (std::rename(tmp.c_str(), path_.c_str()) != 0) {
        error = "cannot replace " + path_;
        return false;
    }
    written_ = std::move(list);
    return true;
}

} // namespace sqlsim
