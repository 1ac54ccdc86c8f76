#include "repair/Cause.h"

#include "app/Db.h"
#include "platform/Text.h"
#include "server/SqlText.h"

#include <cctype>

namespace qm {

namespace {

// How many entries before a "recovery failed" are looked at for what made recovery fail.
constexpr int kRecoveryLookBack = 8;

bool Has(const std::string& upper, const char* what) { return upper.find(AsciiUpper(what)) != std::string::npos; }

// The number written after any of `markers` (blanks and a colon skipped), -1 when none is.
long NumberAfter(const std::string& text, std::initializer_list<const char*> markers) {
    for (const char* marker : markers) {
        const std::string m = AsciiUpper(marker);
        for (size_t at = text.find(m); at != std::string::npos; at = text.find(m, at + 1)) {
            size_t i = at + m.size();
            while (i < text.size() && (text[i] == ' ' || text[i] == ':')) ++i;
            size_t digits = i;
            while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
            if (digits > i && digits - i <= 9) return std::stol(text.substr(i, digits - i));
        }
    }
    return -1;
}

std::string ClassOfOsError(long code) {
    switch (code) {
    case 2:
    case 3: return kCauseMissing;
    case 5: return kCauseDenied;
    case 32:
    case 33: return kCauseHeld;
    case 23:   // data error (cyclic redundancy check)
    case 1117: // I/O device error
        return kCauseIo;
    default: return {};
    }
}

std::string ClassOfMessage(long number) {
    switch (number) {
    case 9002: return kCauseLogFull;
    case 823:
    case 824:
    case 825: return kCauseIo;
    case 3313:
    case 3314:
    case 3414:
    case 3456: return kCauseRecovery;
    case 5108:
    case 5173: return kCauseMismatch;
    default: return {};
    }
}

} // namespace

std::string ErrorLogQuery(VersionClass version, const std::string& db) {
    if (version == VersionClass::Sql2000) return "exec master..xp_readerrorlog";
    return "exec master..xp_readerrorlog 0, 1, N'" + SqlLiteralBody(db) + "'";
}

std::string ClassifyLogText(const std::string& text) {
    const std::string upper = AsciiUpper(text);
    // The operating system's own error says most: which file could not be had, and why.
    const std::string os = ClassOfOsError(NumberAfter(upper, {"Operating system error", "OS error", "操作系统错误"}));
    if (!os.empty()) return os;
    const std::string numbered = ClassOfMessage(NumberAfter(upper, {"Error:", "错误:"}));
    if (!numbered.empty()) return numbered;
    if ((Has(upper, "log") && Has(upper, "is full")) || Has(upper, "日志已满")) return kCauseLogFull;
    if (Has(upper, "I/O error") || Has(upper, "I/O 错误")) return kCauseIo;
    if (Has(upper, "does not match the primary file") || Has(upper, "与主文件不匹配")) return kCauseMismatch;
    if (Has(upper, "error occurred during recovery") || Has(upper, "During redoing of a logged operation") ||
        Has(upper, "During undoing of a logged operation") || Has(upper, "恢复期间出错") ||
        Has(upper, "重做已记录的操作时") || Has(upper, "撤消已记录的操作时"))
        return kCauseRecovery;
    return kCauseUnknown;
}

std::vector<std::string> LogEntries(const SqlResult& r, VersionClass version) {
    std::vector<std::string> entries;
    const Recordset& rs = r.recordset;
    if (version == VersionClass::Sql2000) {
        const int text = rs.columnIndex("ERRORLOG"), more = rs.columnIndex("ContinuationRow");
        for (const auto& row : rs.rows) {
            if (text < 0 || text >= int(row.size())) continue;
            const std::string part = NullToStr(row[size_t(text)]);
            const bool continued = more >= 0 && more < int(row.size()) && NullToStr(row[size_t(more)]) == "1";
            if (continued && !entries.empty()) entries.back() += part;
            else entries.push_back(TrimRight(part));
        }
        return entries;
    }
    const int date = rs.columnIndex("LogDate"), text = rs.columnIndex("Text");
    for (const auto& row : rs.rows) {
        if (text < 0 || text >= int(row.size())) continue;
        const std::string when = date >= 0 && date < int(row.size()) ? NullToStr(row[size_t(date)]) : "";
        entries.push_back((when.empty() ? "" : when + " ") + NullToStr(row[size_t(text)]));
    }
    return entries;
}

Cause CauseOf(const std::vector<std::string>& entries, const std::string& db, const std::string& dataPath) {
    const std::string name = AsciiUpper(TrimRight(db)), path = AsciiUpper(Trim(dataPath));
    auto names = [&](const std::string& entry) {
        const std::string upper = AsciiUpper(entry);
        return (!name.empty() && upper.find(name) != std::string::npos) ||
               (!path.empty() && upper.find(path) != std::string::npos);
    };
    for (size_t i = entries.size(); i-- > 0;) {
        if (!names(entries[i])) continue;
        Cause found{ClassifyLogText(entries[i]), entries[i]};
        if (found.kind == kCauseUnknown) continue;
        if (found.kind == kCauseRecovery) {
            for (size_t j = i, looked = 0; j-- > 0 && looked < size_t(kRecoveryLookBack); ++looked) {
                if (!names(entries[j])) continue;
                const std::string before = ClassifyLogText(entries[j]);
                if (before != kCauseUnknown && before != kCauseRecovery) return {before, entries[j]};
            }
        }
        return found;
    }
    return {};
}

namespace {

Cause ReadFromLog(AppState& app, const std::string& db, const std::string& dataPath) {
    const bool whole = app.versionClass == VersionClass::Sql2000;
    // 2000's log is the same for every row of a run: read once.
    if (whole && app.runErrorLog && app.runErrorLog->read) return CauseOf(app.runErrorLog->entries, db, dataPath);
    // ExecuteSql leaves cMsg alone: a failed read changes nothing but the cause.
    const SqlResult r = ExecuteSql(app, app.oMaster, ErrorLogQuery(app.versionClass, db));
    if (!r.ok) return {};
    std::vector<std::string> entries = LogEntries(r, app.versionClass);
    if (whole && app.runErrorLog) {
        app.runErrorLog->entries = std::move(entries);
        app.runErrorLog->read = true;
        return CauseOf(app.runErrorLog->entries, db, dataPath);
    }
    return CauseOf(entries, db, dataPath);
}

} // namespace

Cause ReadCause(AppState& app, const std::string& db, const std::string& dataPath) {
    Cause cause = ReadFromLog(app, db, dataPath);
    cause.asked = true;
    return cause;
}

bool CauseNamesFile(const Cause& cause, const std::string& path) {
    const std::string p = AsciiUpper(Trim(path));
    return !p.empty() && AsciiUpper(cause.line).find(p) != std::string::npos;
}

} // namespace qm
