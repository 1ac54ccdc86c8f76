// DBCC CHECKDB: what the scenario says the check of a database finds, and how long it takes.
#include "Commands.h"

#include "Text.h"

#include <algorithm>
#include <cmath>

namespace sqlsim {

namespace {

constexpr long long kMaxFindingsShown = 10; // one error per finding, the rest only counted

bool ReadCount(const nlohmann::json& j, const char* key, long long& out) {
    auto it = j.find(key);
    if (it == j.end()) return true;
    if (!it->is_number_integer() || it->get<long long>() < 0) return false;
    out = it->get<long long>();
    return true;
}

} // namespace

bool LoadCheckdbOutcomes(const std::string& json, Model& model, std::string& error) {
    const auto j = nlohmann::json::parse(json, nullptr, false);
    if (!j.is_object()) return true; // LoadScenario has refused it already
    for (const auto& jd : j.value("databases", nlohmann::json::array())) {
        auto it = jd.is_object() ? jd.find("checkdb") : jd.end();
        if (!jd.is_object() || it == jd.end()) continue;
        const std::string name = jd.value("name", "");
        Database* db = model.Find(name);
        const auto seconds = it->is_object() ? it->find("seconds") : it->end();
        CheckdbOutcome o;
        if (!db || !it->is_object() || !ReadCount(*it, "allocation_errors", o.allocationErrors) ||
            !ReadCount(*it, "consistency_errors", o.consistencyErrors) ||
            (seconds != it->end() && (!seconds->is_number() || !(seconds->get<double>() >= 0)))) {
            error = "checkdb of " + name + " must hold non-negative allocation_errors, consistency_errors and seconds";
            return false;
        }
        if (seconds != it->end()) o.seconds = seconds->get<double>();
        db->checkdb = o;
    }
    return true;
}

// dbcc checkdb [ ( N'name' | 'name' | name | dbid [, noindex] ) ] [ with option [, option …] ]
bool Commands::Checkdb(Cursor& c, BatchResult& out) {
    std::string name = "master"; // no name (or 0): the current database, master for this server
    long long dbid = 0;
    bool byId = false;
    if (c.Symbol("(")) {
        if (c.Integer(dbid)) byId = dbid != 0;
        else if (!c.String(name) && !c.Name(name)) return SyntaxError(c, out);
        if (c.Symbol(",") && !c.Keyword("noindex")) return SyntaxError(c, out);
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
    const Database& db = *found;
    if (!m_.Modern() && db.flags.count("IsEmergencyMode")) return Fail(out, msgs_.InaccessibleFiles(db.name));
    if (m_.StatusEx(db) != "ONLINE") return Fail(out, msgs_.MarkedSuspect(db.name));

    const CheckdbOutcome& o = db.checkdb;
    const long long findings = o.allocationErrors + o.consistencyErrors;
    for (long long i = 0; i < std::min(findings, kMaxFindingsShown); ++i)
        out.messages.push_back(msgs_.CheckdbFinding(int(i)));
    if (findings > 0 || !quiet)
        out.messages.push_back(msgs_.CheckdbFound(db.name, o.allocationErrors, o.consistencyErrors));
    if (findings > 0) out.messages.push_back(msgs_.CheckdbRepairLevel(db.name));
    if (!quiet) out.messages.push_back(msgs_.DbccDone());
    busy_ = std::chrono::milliseconds(std::llround(o.seconds * 1000));
    return true; // the findings are errors, yet the batch goes on
}

} // namespace sqlsim
