// DBCC CHECKDB: what the scenario says the check of a database finds, what a repair mends and leaves,
// and how long either takes.
#include "Commands.h"

#include "Text.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace sqlsim {

namespace {

constexpr long long kMaxFindingsShown = 10; // one error per finding, the rest only counted

struct LevelName {
    RepairLevel level;
    const char* name;
};
const LevelName kLevels[] = {{RepairLevel::Fast, "repair_fast"},
                             {RepairLevel::Rebuild, "repair_rebuild"},
                             {RepairLevel::AllowDataLoss, "repair_allow_data_loss"}};

bool ReadCount(const nlohmann::json& j, const char* key, long long& out) {
    auto it = j.find(key);
    if (it == j.end()) return true;
    if (!it->is_number_integer() || it->get<long long>() < 0) return false;
    out = it->get<long long>();
    return true;
}

// One database's "checkdb" settings; `why` tells what is wrong with them.
bool ReadOutcome(const nlohmann::json& j, CheckdbOutcome& o, std::string& why) {
    const auto seconds = j.is_object() ? j.find("seconds") : j.end();
    if (!j.is_object() || !ReadCount(j, "allocation_errors", o.allocationErrors) ||
        !ReadCount(j, "consistency_errors", o.consistencyErrors) ||
        (seconds != j.end() && (!seconds->is_number() || !(seconds->get<double>() >= 0)))) {
        why = "must hold non-negative allocation_errors, consistency_errors and seconds";
        return false;
    }
    if (seconds != j.end()) o.seconds = seconds->get<double>();
    if (auto it = j.find("level"); it != j.end()) {
        // A scenario's findings always need more than the least repair, which mends nothing since 2005.
        if (*it != "repair_rebuild" && *it != "repair_allow_data_loss") {
            why = "has a level other than repair_rebuild or repair_allow_data_loss";
            return false;
        }
        o.level = *it == "repair_rebuild" ? RepairLevel::Rebuild : RepairLevel::AllowDataLoss;
    }
    if (auto it = j.find("left_after_repair"); it != j.end()) {
        if (!it->is_object() || !ReadCount(*it, "allocation_errors", o.leftAllocation) ||
            !ReadCount(*it, "consistency_errors", o.leftConsistency) || o.leftAllocation > o.allocationErrors ||
            o.leftConsistency > o.consistencyErrors) {
            why = "must leave after repair non-negative allocation_errors and consistency_errors, no more than found";
            return false;
        }
    }
    if (auto it = j.find("emergency_repair"); it != j.end()) {
        if (*it != "fails") {
            why = "can only say of emergency_repair that it \"fails\"";
            return false;
        }
        o.emergencyRepairFails = true;
    }
    return true;
}

RepairLevel ReadRepairLevel(Cursor& c) {
    for (const auto& l : kLevels) {
        if (c.Keyword(l.name)) return l.level;
    }
    return RepairLevel::None;
}

} // namespace

const char* RepairLevelName(RepairLevel level) {
    for (const auto& l : kLevels) {
        if (l.level == level) return l.name;
    }
    return "";
}

bool LoadCheckdbOutcomes(const std::string& json, Model& model, std::string& error) {
    const auto j = nlohmann::json::parse(json, nullptr, false);
    if (!j.is_object()) return true; // LoadScenario has refused it already
    for (const auto& jd : j.value("databases", nlohmann::json::array())) {
        auto it = jd.is_object() ? jd.find("checkdb") : jd.end();
        if (!jd.is_object() || it == jd.end()) continue;
        const std::string name = jd.value("name", "");
        Database* db = model.Find(name);
        CheckdbOutcome o;
        std::string why = "names no database";
        if (!db || !ReadOutcome(*it, o, why)) {
            error = "checkdb of " + name + " " + why;
            return false;
        }
        db->checkdb = o;
    }
    return true;
}

// dbcc checkdb [ ( N'name' | 'name' | name | dbid [, noindex | repair_fast | repair_rebuild |
//                 repair_allow_data_loss ] ) ] [ with option [, option …] ]
bool Commands::Checkdb(Cursor& c, BatchResult& out) {
    std::string name = "master"; // no name (or 0): the current database, master for this server
    long long dbid = 0;
    bool byId = false;
    RepairLevel repair = RepairLevel::None;
    if (c.Symbol("(")) {
        if (c.Integer(dbid)) byId = dbid != 0;
        else if (!c.String(name) && !c.Name(name)) return SyntaxError(c, out);
        if (c.Symbol(",") && !c.Keyword("noindex") && (repair = ReadRepairLevel(c)) == RepairLevel::None)
            return SyntaxError(c, out);
        if (!c.Symbol(")")) return SyntaxError(c, out);
    }
    bool quiet = false;
    if (c.Keyword("with")) {
        static const char* const kOptions[] = {"all_errormsgs", "tablock", "physical_only", "data_purity",
                                               "extended_logical_checks"};
        do {
            if (c.Keyword("no_infomsgs")) {
                quiet = true;
                continue;
            }
            const Token* t = c.Peek();
            const bool known =
                t && std::any_of(std::begin(kOptions), std::end(kOptions), [&](const char* o) { return t->Is(o); });
            if (!known) return SyntaxError(c, out);
            c.Keyword(t->text);
        } while (c.Symbol(","));
    }
    if (!c.AtEnd()) return SyntaxError(c, out);

    const Database* found = byId ? m_.FindById(dbid) : m_.Find(name);
    if (!found) return Fail(out, msgs_.CheckdbNoDatabase(byId ? std::to_string(dbid) : qm::TrimRight(name)));
    Database& db = *m_.Find(found->name); // a repair changes it
    if (!m_.Modern() && db.flags.count("IsEmergencyMode")) return Fail(out, msgs_.InaccessibleFiles(db.name));
    // Only a repair opens an emergency database, and only one that may lose data.
    const bool emergency = repair != RepairLevel::None && m_.Modern() && db.state == "EMERGENCY";
    if (!emergency && m_.StatusEx(db) != "ONLINE") return Fail(out, msgs_.MarkedSuspect(db.name));
    if (repair != RepairLevel::None) {
        const bool single = m_.Modern() ? db.userAccess == "SINGLE_USER" : db.flags.count("IsSingleUser") != 0;
        if (!single) return Fail(out, msgs_.RepairNeedsSingleUser());
        if (emergency && repair != RepairLevel::AllowDataLoss) return Fail(out, msgs_.RepairLevelInEmergency());
    }

    CheckdbOutcome& o = db.checkdb;
    busy_ = std::chrono::milliseconds(std::llround(o.seconds * 1000));
    if (emergency) {
        bool rebuilt = false;
        if (o.emergencyRepairFails || !RebuildLostLog(db, rebuilt)) return Fail(out, msgs_.EmergencyRepairFailed());
        if (rebuilt) out.messages.push_back(msgs_.LogRebuilt(db.name));
        db.state = "ONLINE";
    }
    const long long findings = o.allocationErrors + o.consistencyErrors;
    const bool fixes = findings > 0 && repair >= o.level;
    // The findings that stay come last.
    const long long fixed = fixes ? findings - o.leftAllocation - o.leftConsistency : 0;
    for (long long i = 0; i < std::min(findings, kMaxFindingsShown); ++i) {
        out.messages.push_back(msgs_.CheckdbFinding(int(i)));
        if (i < fixed) out.messages.push_back(msgs_.CheckdbRepaired());
    }
    if (findings > 0 || !quiet)
        out.messages.push_back(msgs_.CheckdbFound(db.name, o.allocationErrors, o.consistencyErrors));
    if (fixes) {
        out.messages.push_back(msgs_.CheckdbFixed(db.name, o.allocationErrors - o.leftAllocation,
                                                  o.consistencyErrors - o.leftConsistency));
        o.allocationErrors = std::exchange(o.leftAllocation, 0);
        o.consistencyErrors = std::exchange(o.leftConsistency, 0);
    } else if (findings > 0) {
        out.messages.push_back(msgs_.CheckdbRepairLevel(db.name, RepairLevelName(o.level)));
    }
    if (!quiet) out.messages.push_back(msgs_.DbccDone());
    return true; // the findings are errors, yet the batch goes on
}

} // namespace sqlsim
