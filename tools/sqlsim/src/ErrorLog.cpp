// The error log written at start-up and on a refused start, and xp_readerrorlog reading it.
#include "ErrorLog.h"

#include "Commands.h"
#include "Text.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string_view>

namespace sqlsim {

namespace {

constexpr long long kStep = 10;    // milliseconds between entries
constexpr size_t kRowChars = 255;  // SQL Server 2000 splits a longer entry into continuation rows
constexpr size_t kSourceWidth = 8; // and pads the process to this width

void Append(Model& m, const std::string& source, std::string text, bool sameTime = false) {
    const long long at = m.errorLog.empty() ? 0 : m.errorLog.back().at + (sameTime ? 0 : kStep);
    std::string folded = qm::AsciiLower(text);
    m.errorLog.push_back({at, source, std::move(text), std::move(folded)});
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

std::vector<Message> FileErrors(const Model& m, const Messages& msgs, const Database& db, const FileFault& f) {
    const std::string p = m.paths.Shown(f.Path(db));
    return {f.inData ? msgs.OpenDataFailed(p, f.os) : msgs.OpenLogFailed(p, f.os), msgs.OsFileError(p, f.os)};
}

// What start-up recovery met: the scenario's cause, or else a file the scenario left out of a database
// that recovery gave up on.
std::vector<Message> StartupErrors(const Model& m, const Messages& msgs, const Database& db) {
    if (db.cause.empty()) {
        const bool failed =
            m.Modern() ? db.state == "SUSPECT" || db.state == "RECOVERY_PENDING" : db.flags.count("IsSuspect") > 0;
        const bool noData = !FileExists(db.dataPath);
        if (!failed || (!noData && FileExists(db.logPath))) return {};
        return FileErrors(m, msgs, db, FileFault{noData, 2});
    }
    if (const auto f = OpenFault(db)) return FileErrors(m, msgs, db, *f);
    const std::string data = m.paths.Shown(db.dataPath), log = m.paths.Shown(db.logPath);
    if (db.cause == "log_full") return {msgs.LogFull(db.name)};
    if (db.cause == "io_error") return {msgs.ChecksumError(db.dbid, data), msgs.RecoveryFailed(db.name, db.dbid)};
    if (db.cause == "recovery_failed") return {msgs.RedoFailed(db.name), msgs.RecoveryFailed(db.name, db.dbid)};
    return {msgs.FilesMismatch(), msgs.LogMismatch(log)};
}

// Each error goes in as two entries of the same moment, the number line and the text; an
// informational message only as its text.
void AppendErrors(Model& m, const Messages& msgs, const Database& db, std::vector<Message> errors,
                  const std::string& source) {
    if (errors.empty()) return;
    if (m.Modern()) errors.push_back(msgs.InaccessibleFiles(db.name));
    for (const Message& e : errors) {
        if (e.severity > 10) Append(m, source, msgs.LogErrorLine(e));
        Append(m, source, e.text, e.severity > 10);
    }
}

// An entry's time: the log began at 03:00 on 2 January 2015. SQL Server 2000 shows hundredths.
std::string Stamp(long long at, bool hundredths) {
    const long long t = 3 * 3600000LL + at;
    char buf[64];
    std::snprintf(buf, sizeof buf, "2015-01-%02lld %02lld:%02lld:%02lld.%03lld", 2 + t / 86400000, t / 3600000 % 24,
                  t / 60000 % 60, t / 1000 % 60, t % 1000);
    std::string s = buf;
    if (hundredths) s.pop_back();
    return s;
}

} // namespace

std::optional<FileFault> OpenFault(const Database& db) {
    const int os = db.cause == "missing" ? 2 : db.cause == "held" ? 32 : db.cause == "denied" ? 5 : 0;
    if (os == 0) return std::nullopt;
    return FileFault{db.causeInData, os};
}

void WriteStartupLog(Model& m, const Messages& msgs) {
    const std::string server = m.Modern() ? "Server" : "server", first = m.Modern() ? "spid7s" : "spid3";
    Append(m, server,
           std::string("Microsoft SQL Server ") + m.Year() + " - " + m.version + " (Intel X86) " + m.edition);
    Append(m, server, msgs.LogProcessId());
    for (const Database& db : m.databases) {
        if (m.Modern() ? db.state == "OFFLINE" : db.flags.count("IsOffline") > 0) continue;
        const std::string source = db.system || !m.Modern() ? first : "spid9s";
        Append(m, source, msgs.LogStartingUp(db.name));
        AppendErrors(m, msgs, db, StartupErrors(m, msgs, db), source);
    }
    Append(m, first, msgs.LogRecoveryDone());
}

void LogRefusedStart(Model& m, const Messages& msgs, const Database& db, const FileFault& fault,
                     const std::string& source) {
    Append(m, source, msgs.LogStartingUp(db.name));
    AppendErrors(m, msgs, db, FileErrors(m, msgs, db, fault), source);
}

size_t ErrorLogProcedure(const Cursor& c) {
    auto name = [&](size_t i, std::string_view n) {
        const Token* t = c.Peek(i);
        return t && t->IsName() && text::NameEquals(t->text, n);
    };
    auto dot = [&](size_t i) { return c.Peek(i) && c.Peek(i)->IsSym("."); };
    auto schema = [&](size_t i) { return (name(i, "dbo") || name(i, "sys")) && dot(i + 1); };
    size_t i = 0;
    if (name(0, "master") && dot(1)) i = dot(2) ? 3 : schema(2) ? 4 : 0;
    else if (schema(0)) i = 2;
    return name(i, "xp_readerrorlog") ? i + 1 : 0;
}

bool Commands::ReadErrorLog(Cursor& c, BatchResult& out) {
    // The log's number (0: the current one), its kind (1: the server's, 2: the agent's) and a text to find;
    // SQL Server 2000 takes the number only.
    long long number = 0, kind = 1;
    std::string find;
    for (size_t n = 0; !c.AtEnd(); ++n) {
        if (n > 0 && !c.Symbol(",")) return SyntaxError(c, out);
        if (n >= (m_.Modern() ? 3u : 1u)) return Fail(out, msgs_.TooManyArguments("xp_readerrorlog"));
        if (!c.Keyword("null") && !(n < 2 && c.Integer(n == 0 ? number : kind)) && !(n == 2 && c.String(find)))
            return SyntaxError(c, out);
    }
    const bool current = number == 0 && kind == 1;
    ResultSet rs;
    if (m_.Modern()) {
        rs.columns = {{"LogDate"}, {"ProcessInfo"}, {"Text"}};
        const std::string folded = qm::AsciiLower(find);
        for (const LogEntry& e : m_.errorLog) {
            if (current && (find.empty() || e.folded.find(folded) != std::string::npos))
                rs.rows.push_back({Cell::Text(Stamp(e.at, false)), Cell::Text(e.source), Cell::Text(e.text)});
        }
    } else {
        rs.columns = {{"ERRORLOG"}, {"ContinuationRow", ColumnType::Int}};
        for (const LogEntry& e : m_.errorLog) {
            if (!current) break;
            const std::string source =
                e.source + std::string(kSourceWidth - std::min(kSourceWidth, e.source.size()), ' ');
            const auto chars = qm::Utf8Chars(Stamp(e.at, true) + " " + source + " " + e.text);
            for (size_t i = 0; i < chars.size(); i += kRowChars) {
                std::string row;
                for (size_t j = i; j < chars.size() && j < i + kRowChars; ++j) row += chars[j];
                rs.rows.push_back({Cell::Text(std::move(row)), Cell::Int(i > 0 ? 1 : 0)});
            }
        }
    }
    out.results.push_back(std::move(rs));
    return true;
}

} // namespace sqlsim
