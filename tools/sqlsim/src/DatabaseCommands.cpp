// ALTER DATABASE (state, user access, REBUILD LOG), DBCC REBUILD_LOG and the log an emergency repair rebuilds.
#include "Commands.h"

#include "ErrorLog.h"
#include "Text.h"

#include <filesystem>
#include <fstream>

namespace sqlsim {

namespace fs = std::filesystem;

namespace {

bool FileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::exists(path, ec);
}

} // namespace

bool Commands::CreateLogFile(const std::string& path) {
    if (path.empty()) return false;
    std::ofstream f(path, std::ios::binary);
    if (!f) return false;
    f << "sqlsim log file\n";
    return static_cast<bool>(f);
}

bool Commands::RebuildLostLog(const Database& db, bool& rebuilt) {
    rebuilt = !FileExists(db.logPath);
    return !rebuilt || CreateLogFile(db.logPath);
}

bool Commands::AlterDatabase(Cursor& c, BatchResult& out) {
    std::string name;
    if (!c.Keyword("database") || !c.Name(name)) return SyntaxError(c, out);
    Database* db = m_.Find(name);
    auto missing = [&]() {
        out.messages.push_back(m_.Modern() ? msgs_.AlterDenied(name) : msgs_.NoSuchDatabase(name));
        return Fail(out, msgs_.AlterFailed());
    };
    if (c.Peek() && c.Peek()->Is("rebuild")) {
        if (!m_.Modern()) return SyntaxError(c, out); // SQL Server 2000 has no REBUILD LOG clause
        c.Keyword("rebuild");
        return RebuildLog(c, db, name, out);
    }
    if (!c.Keyword("set")) return SyntaxError(c, out);
    static const char* const kOptions[] = {"EMERGENCY",       "SINGLE_USER", "MULTI_USER",
                                           "RESTRICTED_USER", "ONLINE",      "OFFLINE"};
    std::string option;
    for (const char* o : kOptions) {
        if (c.Peek() && c.Peek()->Is(o) && (m_.Modern() || std::string(o) != "EMERGENCY")) option = o;
    }
    if (option.empty()) return SyntaxError(c, out);
    c.Keyword(option);
    bool rollback = false;
    if (c.Keyword("with")) {
        if (c.Keyword("rollback")) {
            long long seconds = 0;
            if (c.Keyword("immediate")) rollback = true;
            else if (c.Keyword("after") && c.Integer(seconds)) {
                c.Keyword("seconds");
                rollback = true;
            } else return SyntaxError(c, out);
        } else if (!c.Keyword("no_wait")) {
            return SyntaxError(c, out);
        }
    }
    if (!c.AtEnd()) return SyntaxError(c, out);
    if (!db) return missing();
    return SetOption(*db, option, rollback, out);
}

bool Commands::SetOption(Database& db, const std::string& option, bool rollback, BatchResult& out) {
    if (m_.Modern() && db.state == "RESTORING") {
        out.messages.push_back(msgs_.NotWhileRestoring(db.name));
        return Fail(out, msgs_.AlterFailed());
    }
    if (rollback && option != "ONLINE" && option != "OFFLINE" && option != "EMERGENCY")
        out.messages.push_back(msgs_.RollingBack());
    if (option == "ONLINE") return SetOnline(db, out);
    if (m_.Modern()) {
        if (option == "EMERGENCY") db.state = "EMERGENCY";
        else if (option == "OFFLINE") db.state = "OFFLINE";
        else db.userAccess = option;
        return true;
    }
    if (option == "OFFLINE") {
        SetBit2000(db, 512, true);
    } else {
        SetBit2000(db, 4096, option == "SINGLE_USER");
        SetBit2000(db, 2048, option == "RESTRICTED_USER");
    }
    return true;
}

bool Commands::SetOnline(Database& db, BatchResult& out) {
    auto fileFailure = [&](Message first) {
        out.messages.push_back(std::move(first));
        out.messages.push_back(msgs_.InaccessibleFiles(db.name));
        if (m_.Modern()) db.state = "SUSPECT";
        else SetBit2000(db, 256, true);
        return Fail(out, msgs_.AlterFailed());
    };
    if (m_.Modern()) {
        if (db.state == "ONLINE") return true;
        // Recovery was put off for want of a resource, or a file of a suspect database would not open: it
        // runs now (a disk mounted again, a lock let go, rights given back), or is refused again as at
        // start-up and the database stays as it was. A suspect database of no known cause is refused as
        // recovery marked it.
        const auto fault = OpenFault(db);
        const bool pending = db.state == "RECOVERY_PENDING";
        if (pending || (db.state == "SUSPECT" && !db.cause.empty())) {
            if (db.onlineRecovers) {
                if (fault && !FileExists(fault->Path(db))) CreateLogFile(fault->Path(db));
                db.state = "ONLINE";
                return true;
            }
            if (pending || (fault && fault->os != 2)) {
                const FileFault f = fault.value_or(FileFault{});
                LogRefusedStart(m_, msgs_, db, f, "spid" + std::to_string(spid_));
                out.messages.push_back(msgs_.OsFileError(m_.paths.Shown(f.Path(db)), f.os));
                out.messages.push_back(msgs_.InaccessibleFiles(db.name));
                return Fail(out, msgs_.AlterFailed());
            }
        }
        // Opening the database needs both files; recovery cannot run without the log.
        if (!FileExists(db.dataPath)) return fileFailure(msgs_.CannotOpenFile(m_.paths.Shown(db.dataPath)));
        if (!FileExists(db.logPath)) return fileFailure(msgs_.FileActivation(m_.paths.Shown(db.logPath)));
        if (db.state == "SUSPECT") {
            out.messages.push_back(msgs_.MarkedSuspect(db.name));
            return Fail(out, msgs_.AlterFailed());
        }
        db.state = "ONLINE";
        return true;
    }
    if (db.flags.count("IsSuspect") || db.flags.count("IsShutdown")) {
        out.messages.push_back(msgs_.MarkedSuspect(db.name));
        return Fail(out, msgs_.AlterFailed());
    }
    if (!db.flags.count("IsOffline")) return true;
    if (!FileExists(db.dataPath)) return fileFailure(msgs_.CannotOpenFile(m_.paths.Shown(db.dataPath)));
    if (!FileExists(db.logPath)) return fileFailure(msgs_.FileActivation(m_.paths.Shown(db.logPath)));
    SetBit2000(db, 512, false);
    return true;
}

bool Commands::RebuildLog(Cursor& c, Database* db, const std::string& name, BatchResult& out) {
    std::string logical, path;
    if (!c.Keyword("log") || !c.Keyword("on") || !c.Symbol("(") || !c.Keyword("name") || !c.Symbol("=") ||
        !(c.Name(logical) || c.String(logical)) || !c.Symbol(",") || !c.Keyword("filename") || !c.Symbol("=") ||
        !c.String(path) || !c.Symbol(")") || !c.AtEnd())
        return SyntaxError(c, out);
    auto fail = [&](Message m) {
        out.messages.push_back(std::move(m));
        return Fail(out, msgs_.AlterFailed());
    };
    if (!db) return fail(msgs_.AlterDenied(name));
    if (db->dbid <= 3) return fail(msgs_.RebuildSystemDb());
    if (db->state != "SUSPECT" && db->state != "EMERGENCY" && db->state != "RECOVERY_PENDING")
        return fail(msgs_.RebuildNeedsState());
    // Messages name the file as the client wrote it; the file itself is where that path leads here.
    const std::string file = m_.paths.Host(path);
    if (FileExists(file)) return fail(msgs_.RebuildFileExists(path));
    if (!CreateLogFile(file)) return fail(msgs_.RebuildCannotCreate(path));
    db->logPath = file;
    db->logName = logical;
    db->state = "ONLINE";
    db->userAccess = "RESTRICTED_USER";
    out.messages.push_back(msgs_.LogRebuilt(db->name));
    return true;
}

bool Commands::Dbcc(Cursor& c, BatchResult& out) {
    std::string name, path;
    if (c.Keyword("checkdb")) return Checkdb(c, out);
    if (!c.Keyword("rebuild_log")) return Fail(out, msgs_.DbccBadStatement());
    if (!c.Symbol("(") || !(c.String(name) || c.Name(name))) return SyntaxError(c, out);
    if (c.Symbol(",") && !c.String(path)) return SyntaxError(c, out);
    if (!c.Symbol(")") || !c.AtEnd()) return SyntaxError(c, out);
    if (m_.Modern() || path.empty()) return Fail(out, msgs_.DbccBadStatement()); // removed in 2005
    Database* db = m_.Find(name);
    if (!db) return Fail(out, msgs_.NoSuchDatabase(qm::TrimRight(name)));
    if (db->dbid <= 3) return Fail(out, msgs_.RebuildSystemDb());
    if ((db->status & 32768) == 0) return Fail(out, msgs_.RebuildNeedsState());
    const std::string file = m_.paths.Host(path);
    if (FileExists(file)) return Fail(out, msgs_.RebuildFileExists(path));
    if (!CreateLogFile(file)) return Fail(out, msgs_.RebuildCannotCreate(path));
    // The rebuilt database keeps its option bits, loses every state bit and is left for dbo use only.
    const long long options = 1 | 4 | 8 | 16 | 65536 | 4194304;
    db->status = (db->status & options) | 2048;
    db->flags = FlagsFromWord(db->status);
    db->logPath = file;
    out.messages.push_back(msgs_.LogRebuilt(db->name));
    out.messages.push_back(msgs_.DbccDone());
    return true;
}

} // namespace sqlsim
