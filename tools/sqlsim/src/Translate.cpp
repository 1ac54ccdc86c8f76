#include "Translate.h"

#include "Text.h"

namespace sqlsim {

namespace {

std::string QuoteIdent(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string QuoteLiteral(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

struct NamePart {
    std::string text; // unquoted; empty for the gap in db..table
    bool quoted = false;
};

bool Eq(const NamePart& p, const char* s) { return text::NameEquals(p.text, s) && !p.text.empty(); }

// The simulator's table for a catalogue name, "" when the name is not a catalogue object,
// "?" when it names an object this server does not have.
std::string MapObject(const std::vector<NamePart>& parts, const Model& m) {
    const size_t n = parts.size();
    const NamePart& last = parts.back();
    auto prefix = [&](std::initializer_list<const char*> want) {
        if (want.size() != n - 1) return false;
        size_t i = 0;
        for (const char* w : want) {
            const NamePart& p = parts[i++];
            if (*w == '\0' ? !p.text.empty() : !Eq(p, w)) return false;
        }
        return true;
    };
    auto masterScoped = [&](bool allowSys) {
        return n == 1 || prefix({"master", ""}) || prefix({"master", "dbo"}) || prefix({"dbo"}) ||
               (allowSys && (prefix({"sys"}) || prefix({"master", "sys"})));
    };
    if (Eq(last, "sysdatabases") && masterScoped(m.Modern())) return "sysdatabases";
    if (Eq(last, "sysaltfiles") && masterScoped(m.Modern())) return "sysaltfiles";
    if (Eq(last, "databases") && (prefix({"sys"}) || prefix({"master", "sys"})))
        return m.Modern() ? "sys_databases" : "?";
    if (Eq(last, "master_files") && (prefix({"sys"}) || prefix({"master", "sys"})))
        return m.Modern() ? "sys_master_files" : "?";
    if (Eq(last, "dm_exec_requests") && (prefix({"sys"}) || prefix({"master", "sys"})))
        return m.Modern() ? "sys_dm_exec_requests" : "?";
    if (Eq(last, "UA_Account") && (prefix({"UFSystem", ""}) || prefix({"UFSystem", "dbo"})))
        return m.hasUfSystem ? "ufsystem_ua_account" : "?";
    if (Eq(last, "EAP_Account") && (prefix({"UFTSystem", ""}) || prefix({"UFTSystem", "dbo"})))
        return m.hasUftSystem ? "uftsystem_eap_account" : "?";
    bool gap = false;
    for (const auto& p : parts) gap = gap || p.text.empty();
    if (n >= 3 || gap) return "?";
    // Schema-qualified names the catalogue lacks (an alias named sys or dbo is not worth supporting).
    if (n == 2 && (Eq(parts[0], "sys") || Eq(parts[0], "dbo") || Eq(parts[0], "INFORMATION_SCHEMA"))) return "?";
    return "";
}

std::string VariableValue(const std::string& name, const Model& m, int spid, bool& known) {
    known = true;
    std::string v = qm::AsciiLower(name);
    if (v == "@@spid") return std::to_string(spid);
    if (v == "@@trancount" || v == "@@error" || v == "@@rowcount") return "0";
    if (v == "@@servername") return "'QUILLMERE-SIM'";
    if (v == "@@language") return m.english ? "'us_english'" : "'简体中文'";
    if (v == "@@version") {
        return QuoteLiteral(std::string("Microsoft SQL Server ") + m.Year() + " - " + m.version + " " + m.edition +
                            " (Quillmere simulator)");
    }
    known = false;
    return {};
}

} // namespace

Translation TranslateSelect(const std::vector<Token>& t, const Model& m, const Messages& msgs, int spid) {
    Translation r;
    std::string out;
    std::string limit;
    auto emit = [&](const std::string& s) {
        if (!out.empty()) out += ' ';
        out += s;
    };
    for (size_t i = 0; i < t.size(); ++i) {
        const Token& tok = t[i];
        if (tok.kind == Tok::String) {
            emit(QuoteLiteral(tok.text) + " COLLATE SQLCI");
            continue;
        }
        if (tok.kind == Tok::Variable) {
            bool known = false;
            std::string v = VariableValue(tok.text, m, spid, known);
            if (!known) {
                r.error = msgs.UndeclaredVariable(tok.text);
                return r;
            }
            emit(v);
            continue;
        }
        // SELECT TOP n → LIMIT n at the end (only at the statement's head).
        if (tok.Is("top") && i > 0 && (t[i - 1].Is("select") || t[i - 1].Is("distinct")) && i + 1 < t.size() &&
            t[i + 1].kind == Tok::Number && i <= 2) {
            limit = t[i + 1].text;
            ++i;
            continue;
        }
        if (tok.IsName() || (tok.IsSym(".") && i + 1 < t.size() && t[i + 1].IsSym("."))) {
            // Gather a multi-part name: a.b, db..table, db.schema.table.
            std::vector<NamePart> parts;
            std::string original;
            size_t j = i;
            bool expectName = true;
            while (j < t.size()) {
                if (expectName && t[j].IsName()) {
                    parts.push_back({t[j].text, t[j].kind == Tok::QuotedIdent});
                    original += t[j].raw;
                    expectName = false;
                    ++j;
                } else if (t[j].IsSym(".")) {
                    if (expectName) parts.push_back({"", false});
                    original += ".";
                    expectName = true;
                    ++j;
                } else {
                    break;
                }
            }
            if (expectName) { // a trailing dot: leave the rest to SQLite's parser
                emit(tok.raw);
                continue;
            }
            i = j - 1;
            std::string mapped = MapObject(parts, m);
            if (mapped == "?") {
                r.error = msgs.InvalidObject(original);
                return r;
            }
            if (!mapped.empty()) {
                emit(mapped);
                continue;
            }
            // RIGHT, LEFT and ISNULL are keywords to SQLite; their function forms go by other names.
            if (parts.size() == 1 && !parts[0].quoted && j < t.size() && t[j].IsSym("(") &&
                (text::NameEquals(parts[0].text, "right") || text::NameEquals(parts[0].text, "left") ||
                 text::NameEquals(parts[0].text, "isnull"))) {
                emit("tsql_" + qm::AsciiLower(parts[0].text));
                continue;
            }
            std::string name;
            for (size_t k = 0; k < parts.size(); ++k) {
                if (k) name += '.';
                name += parts[k].quoted ? QuoteIdent(parts[k].text) : parts[k].text;
            }
            emit(name);
            continue;
        }
        emit(tok.raw);
    }
    if (!limit.empty()) out += " LIMIT " + limit;
    r.sql = out;
    return r;
}

} // namespace sqlsim
