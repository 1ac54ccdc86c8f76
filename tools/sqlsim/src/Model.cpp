#include "Model.h"

#include <utility>

#include "Text.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <utility>

namespace sqlsim {

namespace fs = std::filesystem;

namespace {

struct FlagBit {
    const char* name;
    long long bit; // 0: no status bit carries the flag
};

// Bits of sysdatabases.status on SQL Server 2000 and the DATABASEPROPERTY flags they answer.
const FlagBit kFlags[] = {
    {"IsInLoad", 32},          {"IsInRecovery", 128},  {"IsNotRecovered", 256},
    {"IsSuspect", 256},        {"IsOffline", 512},     {"IsReadOnly", 1024},
    {"IsDboOnly", 2048},       {"IsSingleUser", 4096}, {"IsEmergencyMode", 32768},
    {"IsShutdown", 0},         {"IsInStandBy", 0},     {"IsDetached", 0},
    {"IsAutoClose", 1},        {"IsTruncLog", 8},      {"IsTornPageDetectionEnabled", 16},
    {"IsAutoShrink", 4194304},
};

const char* const kStates[] = {"ONLINE",           "OFFLINE", "RESTORING", "RECOVERING",
                               "RECOVERY_PENDING", "SUSPECT", "EMERGENCY"};
const char* const kAccess[] = {"MULTI_USER", "SINGLE_USER", "RESTRICTED_USER"};
const std::string kCauses[] = {"",         "missing",         "held",         "denied",
                               "log_full", "recovery_failed", "log_mismatch", "io_error"};

bool Absolute(const std::string& p) {
    return !p.empty() && (p[0] == '/' || p[0] == '\\' || (p.size() > 1 && p[1] == ':'));
}

std::string FullPath(const std::string& dir, const std::string& file) {
    if (file.empty() || dir.empty() || Absolute(file)) return file;
    return dir + "/" + file;
}

// `bytes`: the file is made that long (sparse, so a database too large for any disk costs nothing).
bool CreateFile(const std::string& path, std::string& error, unsigned long long bytes = 0) {
    std::error_code ec;
    if (fs::exists(path, ec)) return true;
    // A file named with a folder (MDFDATA/X.DAT) gets that folder inside the data folder.
    if (const fs::path parent = fs::path(path).parent_path(); !parent.empty()) fs::create_directories(parent, ec);
    std::ofstream f(path, std::ios::binary);
    if (!f) {
        error = "cannot create " + path;
        return false;
    }
    f << "sqlsim database file\n";
    f.close();
    if (bytes) fs::resize_file(path, bytes, ec);
    if (ec) error = "cannot make " + path + " " + std::to_string(bytes) + " bytes long";
    return !ec;
}

std::string Str(const nlohmann::json& j, const char* key, const std::string& def) {
    auto it = j.find(key);
    return it != j.end() && it->is_string() ? it->get<std::string>() : def;
}

bool Flag(const nlohmann::json& j, const char* key, bool def) {
    auto it = j.find(key);
    return it != j.end() && it->is_boolean() ? it->get<bool>() : def;
}

std::set<std::string> FlagsFromState(const std::string& state, const std::string& access) {
    std::set<std::string> f;
    if (state == "SUSPECT" || state == "RECOVERY_PENDING") f.insert("IsSuspect");
    if (state == "EMERGENCY") f.insert("IsEmergencyMode");
    if (state == "OFFLINE") f.insert("IsOffline");
    if (state == "RESTORING") f.insert("IsInLoad");
    if (state == "RECOVERING") f.insert("IsInRecovery");
    if (access == "SINGLE_USER") f.insert("IsSingleUser");
    if (access == "RESTRICTED_USER") f.insert("IsDboOnly");
    return f;
}

Database SystemDb(const std::string& name, int dbid, const std::string& dir, const std::string& file) {
    Database d;
    d.name = name;
    d.dbid = dbid;
    d.system = true;
    d.dataName = name == "msdb"     ? "MSDBData"
                 : name == "tempdb" ? "tempdev"
                 : name == "master" ? "master"
                                    : name + "dev";
    d.logName = name == "msdb" ? "MSDBLog" : name == "tempdb" ? "templog" : name == "master" ? "mastlog" : name + "log";
    d.dataPath = FullPath(dir, file + ".MDF");
    d.logPath = FullPath(dir, file + "_LOG.LDF");
    return d;
}

} // namespace

std::string CanonicalFlag(std::string_view name) {
    std::string n = qm::TrimRight(name);
    for (const auto& f : kFlags) {
        if (text::NameEquals(n, f.name)) return f.name;
    }
    return {};
}

std::set<std::string> FlagsFromWord(long long word) {
    std::set<std::string> out;
    for (const auto& f : kFlags) {
        if (f.bit != 0 && (word & f.bit) != 0) out.insert(f.name);
    }
    return out;
}

long long WordFromFlags(const std::set<std::string>& flags) {
    long long word = 0;
    for (const auto& f : kFlags) {
        if (flags.count(f.name) != 0) word |= f.bit;
    }
    return word;
}

void SetBit2000(Database& db, long long bit, bool on) {
    db.status = on ? (db.status | bit) : (db.status & ~bit);
    for (const auto& f : kFlags) {
        if (f.bit != bit) continue;
        if (on) db.flags.insert(f.name);
        else db.flags.erase(f.name);
    }
}

Database* Model::Find(std::string_view name) {
    const Database* found = std::as_const(*this).Find(name);
    if (!found) return nullptr;
    touched.insert(found->dbid);
    return const_cast<Database*>(found);
}

const Database* Model::Find(std::string_view name) const {
    // Names are compared as the server does, without letter case and trailing blanks; a server with
    // thousands of databases is asked for one by name many times a second.
    if (indexedCount_ != databases.size() || indexed_ != databases.data()) {
        byName_.clear();
        for (size_t i = 0; i < databases.size(); ++i)
            byName_.emplace(qm::AsciiLower(qm::TrimRightView(databases[i].name)), i); // the first of a name wins
        indexed_ = databases.data();
        indexedCount_ = databases.size();
    }
    const auto it = byName_.find(qm::AsciiLower(qm::TrimRightView(name)));
    return it == byName_.end() ? nullptr : &databases[it->second];
}

const Database* Model::FindById(long long dbid) const {
    for (const auto& d : databases) {
        if (d.dbid == dbid) return &d;
    }
    return nullptr;
}

const char* Model::Year() const {
    static const char* const kYears[] = {"2000", "2005", "2008", "2012", "2014",
                                         "2016", "2017", "2019", "2022", "2025"};
    return major >= 8 && major <= 17 ? kYears[major - 8] : "";
}

std::string Model::StatusEx(const Database& db) const {
    if (Modern()) return db.state == "RECOVERY_PENDING" ? "SUSPECT" : db.state;
    const auto& f = db.flags;
    if (f.count("IsSuspect") || f.count("IsShutdown")) return "SUSPECT";
    if (f.count("IsEmergencyMode")) return "EMERGENCY";
    if (f.count("IsOffline")) return "OFFLINE";
    if (f.count("IsInLoad")) return "RESTORING";
    if (f.count("IsInRecovery")) return "RECOVERING";
    return "ONLINE";
}

std::optional<int> Model::Property(const Database& db, std::string_view property) const {
    std::string flag = CanonicalFlag(property);
    if (flag.empty()) return std::nullopt;
    if (!Modern()) return db.flags.count(flag) ? 1 : 0;
    // 2005/2008 still answer the old flags, from the database's state and user access.
    auto f = FlagsFromState(db.state, db.userAccess);
    if (db.state == "EMERGENCY") f.insert("IsReadOnly");
    return f.count(flag) ? 1 : 0;
}

long long Model::StatusWord(const Database& db) const {
    if (!Modern()) return db.status;
    auto f = FlagsFromState(db.state, db.userAccess);
    return 24 | WordFromFlags(f);
}

bool LoadScenario(const std::string& json, const std::string& dataDir, Model& m, std::string& error) {
    nlohmann::json j;
    try {
        j = nlohmann::json::parse(json);
    } catch (const std::exception& e) {
        error = std::string("scenario is not valid JSON: ") + e.what();
        return false;
    }
    if (!j.is_object()) {
        error = "scenario must be a JSON object";
        return false;
    }
    try {
        m = Model{};
        m.dataDir = dataDir;
        while (m.dataDir.size() > 1 && (m.dataDir.back() == '/' || m.dataDir.back() == '\\')) m.dataDir.pop_back();
        m.version = Str(j, "version", m.version);
        m.edition = Str(j, "edition", m.edition);
        m.major = std::atoi(m.version.c_str());
        if (m.major <= 0) {
            error = "scenario version has no major number: " + m.version;
            return false;
        }
        m.english = qm::AsciiLower(Str(j, "language", "zh-CN")).rfind("en", 0) == 0;
        if (auto it = j.find("logins"); it != j.end() && it->is_object()) {
            for (auto& [k, v] : it->items()) m.logins.emplace_back(k, v.is_string() ? v.get<std::string>() : "");
        } else {
            m.logins.emplace_back("sa", "");
        }

        std::error_code ec;
        if (!m.dataDir.empty()) fs::create_directories(m.dataDir, ec);

        m.databases.push_back(SystemDb("master", 1, m.dataDir, "MASTER"));
        m.databases.push_back(SystemDb("tempdb", 2, m.dataDir, "TEMPDB"));
        m.databases.push_back(SystemDb("model", 3, m.dataDir, "MODEL"));
        m.databases.push_back(SystemDb("msdb", 4, m.dataDir, "MSDBDATA"));

        int next = 5;
        for (const auto& jd : j.value("databases", nlohmann::json::array())) {
            Database d;
            d.name = Str(jd, "name", "");
            if (d.name.empty()) {
                error = "a database has no name";
                return false;
            }
            if (m.Find(d.name)) {
                error = "database listed twice: " + d.name;
                return false;
            }
            d.dbid = next++;
            d.state = qm::AsciiUpper(Str(jd, "state", "ONLINE"));
            d.userAccess = qm::AsciiUpper(Str(jd, "user_access", "MULTI_USER"));
            if (std::find(std::begin(kStates), std::end(kStates), d.state) == std::end(kStates)) {
                error = "unknown state " + d.state + " of " + d.name;
                return false;
            }
            if (std::find(std::begin(kAccess), std::end(kAccess), d.userAccess) == std::end(kAccess)) {
                error = "unknown user_access " + d.userAccess + " of " + d.name;
                return false;
            }
            if (auto it = jd.find("flags"); it != jd.end() && it->is_array()) {
                for (const auto& f : *it) {
                    std::string c = f.is_string() ? CanonicalFlag(f.get<std::string>()) : "";
                    if (c.empty()) {
                        error = "unknown flag " + f.dump() + " of " + d.name;
                        return false;
                    }
                    d.flags.insert(c);
                }
            } else {
                d.flags = FlagsFromState(d.state, d.userAccess);
            }
            auto st = jd.find("status");
            d.status = st != jd.end() && st->is_number_integer() ? st->get<long long>() : 24 | WordFromFlags(d.flags);
            d.dataName = Str(jd, "data_name", d.name);
            d.logName = Str(jd, "log_name", "Ufmodel_LOG");
            d.dataPath = FullPath(m.dataDir, Str(jd, "data_file", d.name + ".MDF"));
            d.logPath = FullPath(m.dataDir, Str(jd, "log_file", d.name + "_LOG.LDF"));
            d.onlineRecovers = Flag(jd, "online_recovers", false);
            d.cause = Str(jd, "cause", "");
            const std::string causeFile = Str(jd, "cause_file", "log");
            d.causeInData = causeFile == "data";
            if (std::find(std::begin(kCauses), std::end(kCauses), d.cause) == std::end(kCauses) ||
                (causeFile != "log" && !d.causeInData)) {
                error = "unknown cause or cause_file of " + d.name;
                return false;
            }
            const auto bytes = jd.find("data_file_bytes");
            if (bytes != jd.end() && !bytes->is_number_unsigned()) {
                error = "data_file_bytes of " + d.name + " must be a non-negative integer";
                return false;
            }
            if (Flag(jd, "data_file_exists", true) &&
                !CreateFile(d.dataPath, error, bytes == jd.end() ? 0 : bytes->get<unsigned long long>()))
                return false;
            if (Flag(jd, "log_file_exists", true) && !CreateFile(d.logPath, error)) return false;
            m.databases.push_back(std::move(d));
        }

        auto accounts = [&](const char* key, const char* dbName, bool& has, std::vector<AccountRow>& rows) {
            auto it = j.find(key);
            if (it == j.end() || !it->is_array()) return;
            has = true;
            for (const auto& row : *it) rows.push_back(AccountRow(row));
            if (!m.Find(dbName)) {
                Database d = SystemDb(dbName, next++, m.dataDir, qm::AsciiUpper(dbName));
                m.databases.push_back(std::move(d));
            }
        };
        accounts("ua_account", "UFSystem", m.hasUfSystem, m.uaAccount);
        accounts("eap_account", "UFTSystem", m.hasUftSystem, m.eapAccount);
    } catch (const std::exception& e) {
        error = std::string("scenario is malformed: ") + e.what();
        return false;
    }
    return true;
}

} // namespace sqlsim
