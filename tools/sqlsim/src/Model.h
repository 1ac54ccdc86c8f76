#pragma once
// The simulated server's state: databases with their files and status, the server options and the
// account tables of the system databases. Loaded from a scenario; changed by the commands.
#include "ServerPaths.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace sqlsim {

// The repair levels of DBCC CHECKDB, each doing all that the ones below it do.
enum class RepairLevel { None, Fast, Rebuild, AllowDataLoss };
const char* RepairLevelName(RepairLevel level); // "repair_rebuild" …; empty for None

// What DBCC CHECKDB of a database finds, what its repair leaves, and how long either takes.
struct CheckdbOutcome {
    long long allocationErrors = 0, consistencyErrors = 0;
    RepairLevel level = RepairLevel::AllowDataLoss;    // the least repair that fixes the findings
    long long leftAllocation = 0, leftConsistency = 0; // what the next repair cannot fix
    bool emergencyRepairFails = false;
    double seconds = 0;
};

struct Database {
    std::string name;
    int dbid = 0;
    bool system = false; // master, tempdb, model, msdb, UFSystem, UFTSystem
    // SQL Server 2005/2008
    std::string state = "ONLINE";          // ONLINE OFFLINE RESTORING RECOVERING RECOVERY_PENDING SUSPECT EMERGENCY
    std::string userAccess = "MULTI_USER"; // MULTI_USER SINGLE_USER RESTRICTED_USER
    // SQL Server 2000: the sysdatabases status word and the DATABASEPROPERTY flags that are 1
    long long status = 24;
    std::set<std::string> flags;                      // canonical names, e.g. "IsSuspect"
    std::string dataName, dataPath, logName, logPath; // logical names and full Unix paths
    // RECOVERY_PENDING: whether "set online" finds what recovery was missing (a disk mounted again, a
    // lock let go), or is refused as when the log is gone.
    bool onlineRecovers = false;
    // Why start-up recovery left the database so, as the error log tells: missing, held, denied (opening
    // a file), log_full, io_error, recovery_failed, log_mismatch; empty when the scenario does not say.
    std::string cause;
    bool causeInData = false; // the file the cause lies in is the data file, not the log
    CheckdbOutcome checkdb;
};

// One entry of the server's error log: milliseconds after the log began, the process that wrote it, its text.
struct LogEntry {
    long long at = 0;
    std::string source, text;
    std::string folded; // text in lower case: a search of a long log folds it only once
};

// A statement taking its time now, as sys.dm_exec_requests shows it (2005 and later).
struct Request {
    int sessionId = 0;
    std::string command;
    std::chrono::steady_clock::time_point start;
    double seconds = 0; // how long it takes in all
};

// One row of an account table: column name → value (string or integer).
using AccountRow = nlohmann::ordered_json;

struct Model {
    std::string version = "9.00.4035.00";
    std::string edition = "Standard Edition";
    int major = 9;
    bool english = false;
    std::string dataDir;
    std::vector<std::pair<std::string, std::string>> logins; // name, password
    std::vector<Database> databases;                         // in dbid order
    bool hasUfSystem = false, hasUftSystem = false;
    std::vector<AccountRow> uaAccount, eapAccount;
    int allowUpdatesConfig = 0, allowUpdatesRun = 0;
    PathStyle paths;
    std::vector<Request> requests;
    std::vector<LogEntry> errorLog; // oldest first
    // The databases handed out for change (by the non-const Find) since the catalogue last caught up.
    std::set<int> touched;

    bool Modern() const { return major >= 9; } // 2005 and later: sys.databases, ALTER DATABASE states
    bool Since2012() const { return major >= 11; }
    const char* Year() const;              // the release's name: "2000", "2005", … "2025"
    Database* Find(std::string_view name); // marks the database touched
    const Database* Find(std::string_view name) const;
    const Database* FindById(long long dbid) const;

    // DATABASEPROPERTYEX(name,'Status') and DATABASEPROPERTY(name, property) as this version answers.
    std::string StatusEx(const Database& db) const;
    std::optional<int> Property(const Database& db, std::string_view property) const;
    long long StatusWord(const Database& db) const; // sysdatabases.status

private:
    mutable std::unordered_map<std::string, size_t> byName_; // folded name -> index into databases
    mutable const Database* indexed_ = nullptr;              // databases.data() when byName_ was built
    mutable size_t indexedCount_ = 0;
};

// Canonical spelling of a DATABASEPROPERTY flag name, or empty when the simulator does not know it.
std::string CanonicalFlag(std::string_view name);

// SQL Server 2000 status word ↔ flags.
std::set<std::string> FlagsFromWord(long long word);
long long WordFromFlags(const std::set<std::string>& flags);
// Sets or clears one status bit and the flag that mirrors it, keeping the flags no bit carries.
void SetBit2000(Database& db, long long bit, bool on);

// Parses a scenario; creates the data folder and the files it says exist. Empty error on success.
bool LoadScenario(const std::string& json, const std::string& dataDir, Model& model, std::string& error);
// Reads each scenario database's "checkdb" settings into a model LoadScenario filled. Empty error on success.
bool LoadCheckdbOutcomes(const std::string& json, Model& model, std::string& error);

} // namespace sqlsim
