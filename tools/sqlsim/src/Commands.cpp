#include "Commands.h"

#include "ErrorLog.h"
#include "Text.h"

#include <climits>
#include <cstdlib>

namespace sqlsim {

bool Cursor::Keyword(std::string_view kw) {
    if (AtEnd() || !t_[i_].Is(kw)) return false;
    ++i_;
    return true;
}

bool Cursor::Symbol(std::string_view s) {
    if (AtEnd() || !t_[i_].IsSym(s)) return false;
    ++i_;
    return true;
}

bool Cursor::Name(std::string& out) {
    if (AtEnd() || !t_[i_].IsName()) return false;
    out = t_[i_++].text;
    return true;
}

bool Cursor::String(std::string& out) {
    if (AtEnd() || t_[i_].kind != Tok::String) return false;
    out = t_[i_++].text;
    return true;
}

bool Cursor::Integer(long long& out) {
    size_t j = i_;
    bool negative = false;
    if (j < t_.size() && (t_[j].IsSym("-") || t_[j].IsSym("+"))) negative = t_[j++].text == "-";
    if (j >= t_.size() || t_[j].kind != Tok::Number) return false;
    const std::string& digits = t_[j].text;
    if (digits.empty() || digits.size() > 18 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = std::strtoll(digits.c_str(), nullptr, 10);
    if (negative) out = -out;
    i_ = j + 1;
    return true;
}

std::string Cursor::NearToken() const {
    if (t_.empty()) return {};
    return AtEnd() ? t_.back().raw : t_[i_].raw;
}

bool Commands::Fail(BatchResult& out, Message m) {
    out.messages.push_back(std::move(m));
    return false;
}

bool Commands::SyntaxError(const Cursor& c, BatchResult& out) { return Fail(out, msgs_.Syntax(c.NearToken())); }

bool Commands::Run(const std::vector<Token>& tokens, BatchResult& out, int spid) {
    spid_ = spid;
    Cursor c(tokens);
    bool exec = c.Keyword("exec") || c.Keyword("execute");
    const Token* first = c.Peek();
    if (!first) return SyntaxError(c, out);
    if (c.Keyword("sp_configure")) return Configure(c, out);
    if (c.Keyword("sp_dboption")) return DbOption(c, out);
    if (const size_t n = ErrorLogProcedure(c)) {
        c.Skip(n);
        return ReadErrorLog(c, out);
    }
    if (!exec) {
        if (c.Keyword("alter")) return AlterDatabase(c, out);
        if (c.Keyword("dbcc")) return Dbcc(c, out);
        if (c.Keyword("reconfigure")) return Reconfigure(c, out);
        if (c.Keyword("update")) return UpdateSysdatabases(c, out);
        if (c.Keyword("use")) return Use(c, out);
        if (c.Keyword("set")) return true; // session options (textsize, language …) change nothing here
    }
    if (first->IsName()) {
        std::string lower = qm::AsciiLower(first->text);
        if (exec || lower.rfind("sp_", 0) == 0 || lower.rfind("xp_", 0) == 0)
            return Fail(out, msgs_.UnknownProcedure(first->text));
    }
    return SyntaxError(c, out);
}

bool Commands::Configure(Cursor& c, BatchResult& out) {
    if (c.AtEnd()) return true;
    std::string option;
    if (!c.String(option) && !c.Name(option)) return SyntaxError(c, out);
    option = qm::Trim(option, qm::kWhiteSpace);
    if (!text::NameEquals(option, "allow updates")) return Fail(out, msgs_.ConfigUnknown(option));
    if (c.AtEnd()) return true;
    long long value = 0;
    std::string textValue;
    if (!c.Symbol(",")) return SyntaxError(c, out);
    if (c.String(textValue)) {
        textValue = qm::Trim(textValue, qm::kWhiteSpace);
        if (textValue.empty() || textValue.find_first_not_of("0123456789") != std::string::npos)
            return Fail(out, msgs_.ConfigBadValue(textValue, "allow updates"));
        value = std::atoll(textValue.c_str());
    } else if (!c.Integer(value)) {
        return SyntaxError(c, out);
    }
    if (!c.AtEnd()) return SyntaxError(c, out);
    if (value != 0 && value != 1) return Fail(out, msgs_.ConfigBadValue(std::to_string(value), "allow updates"));
    // SQL Server 2000 runs a DBCC inside sp_configure and says so first.
    if (!m_.Modern()) out.messages.push_back(msgs_.DbccDone());
    out.messages.push_back(msgs_.ConfigChanged("allow updates", m_.allowUpdatesConfig, value));
    m_.allowUpdatesConfig = static_cast<int>(value);
    return true;
}

bool Commands::Reconfigure(Cursor& c, BatchResult& out) {
    bool override = false;
    if (c.Keyword("with")) {
        if (!c.Keyword("override")) return SyntaxError(c, out);
        override = true;
    }
    if (!c.AtEnd()) return SyntaxError(c, out);
    if (!override && m_.allowUpdatesConfig == 1) return Fail(out, msgs_.ReconfigureRefused());
    // From 2012 the option has no effect, and changing it makes RECONFIGURE fail even with OVERRIDE.
    if (m_.Since2012() && m_.allowUpdatesConfig != m_.allowUpdatesRun) return Fail(out, msgs_.ReconfigureRefused());
    m_.allowUpdatesRun = m_.allowUpdatesConfig;
    return true;
}

bool Commands::DbOption(Cursor& c, BatchResult& out) {
    if (c.AtEnd()) return true;
    std::string dbName, option, value;
    if (!c.String(dbName) && !c.Name(dbName)) return SyntaxError(c, out);
    bool hasOption = false, hasValue = false;
    if (c.Symbol(",")) {
        if (!c.String(option)) return SyntaxError(c, out);
        hasOption = true;
        if (c.Symbol(",")) {
            if (!c.String(value) && !c.Name(value)) return SyntaxError(c, out);
            hasValue = true;
        }
    }
    if (!c.AtEnd()) return SyntaxError(c, out);
    Database* db = m_.Find(dbName);
    if (!db) return Fail(out, msgs_.DbOptionNoDatabase(dbName));
    if (!hasOption) return true;
    std::string opt = qm::AsciiLower(qm::Trim(option, qm::kWhiteSpace));
    long long bit = opt == "dbo use only"  ? 2048
                    : opt == "single user" ? 4096
                    : opt == "read only"   ? 1024
                    : opt == "offline"     ? 512
                                           : 0;
    if (bit == 0) return Fail(out, msgs_.DbOptionUnknown(qm::Trim(option, qm::kWhiteSpace)));
    if (!hasValue) return true;
    std::string v = qm::AsciiLower(qm::Trim(value, qm::kWhiteSpace));
    bool on;
    if (v == "true" || v == "on") on = true;
    else if (v == "false" || v == "off") on = false;
    else return Fail(out, msgs_.DbOptionUsage());
    if (!m_.Modern()) {
        SetBit2000(*db, bit, on);
        return true;
    }
    const char* access = bit == 2048 ? "RESTRICTED_USER" : bit == 4096 ? "SINGLE_USER" : nullptr;
    if (access) {
        if (on) db->userAccess = access;
        else if (db->userAccess == access) db->userAccess = "MULTI_USER";
    } else if (bit == 512) {
        if (on) db->state = "OFFLINE";
        else return SetOnline(*db, out);
    }
    return true;
}

bool Commands::UpdateSysdatabases(Cursor& c, BatchResult& out) {
    // The target: sysdatabases, master..sysdatabases or master.dbo.sysdatabases.
    std::vector<std::string> parts;
    std::string original;
    bool expectName = true;
    while (!c.AtEnd() && !c.Peek()->Is("set")) {
        std::string part;
        if (expectName && c.Peek()->IsName()) {
            original += c.Peek()->raw;
            c.Name(part);
            parts.push_back(part);
            expectName = false;
        } else if (c.Peek()->IsSym(".")) {
            if (expectName) parts.push_back("");
            original += ".";
            c.Symbol(".");
            expectName = true;
        } else {
            return SyntaxError(c, out);
        }
    }
    if (parts.empty() || expectName) return SyntaxError(c, out);
    bool sysdb = text::NameEquals(parts.back(), "sysdatabases") &&
                 (parts.size() == 1 || (parts.size() == 3 && text::NameEquals(parts[0], "master") &&
                                        (parts[1].empty() || text::NameEquals(parts[1], "dbo"))));
    long long value = 0;
    if (!c.Keyword("set") || !c.Keyword("status") || !c.Symbol("=") || !c.Integer(value) || !c.Keyword("where"))
        return SyntaxError(c, out);
    std::string target;
    bool byName = false;
    long long dbid = 0;
    if (c.Keyword("dbid")) {
        if (!c.Symbol("=")) return SyntaxError(c, out);
        if (c.Keyword("DB_ID")) {
            if (!c.Symbol("(") || !c.String(target) || !c.Symbol(")")) return SyntaxError(c, out);
            byName = true;
        } else if (!c.Integer(dbid)) {
            return SyntaxError(c, out);
        }
    } else if (c.Keyword("name")) {
        if (!c.Symbol("=") || !c.String(target)) return SyntaxError(c, out);
        byName = true;
    } else {
        return SyntaxError(c, out);
    }
    if (!c.AtEnd()) return SyntaxError(c, out);
    if (!sysdb) return Fail(out, msgs_.InvalidObject(original));
    if (m_.Modern() || m_.allowUpdatesRun != 1) return Fail(out, msgs_.AdHocUpdates());
    if (value < INT_MIN || value > INT_MAX) return Fail(out, msgs_.Overflow());
    const Database* found = byName ? m_.Find(target) : m_.FindById(dbid);
    Database* db = found ? m_.Find(found->name) : nullptr;
    out.rowsAffected = db ? 1 : 0;
    if (db) {
        // The whole word is replaced; the flags then follow from the new word alone.
        db->status = value;
        db->flags = FlagsFromWord(value);
    }
    return true;
}

bool Commands::Use(Cursor& c, BatchResult& out) {
    std::string name;
    if (!c.Name(name) || !c.AtEnd()) return SyntaxError(c, out);
    const Database* db = m_.Find(name);
    if (!db) return Fail(out, msgs_.NoSuchDatabase(name));
    out.messages.push_back(msgs_.ContextChanged(db->name));
    return true;
}

} // namespace sqlsim
