#include "repair/PlanMode.h"

#include "platform/Paths.h"
#include "platform/Text.h"
#include "repair/SequenceSteps.h"

#include <cctype>

namespace qm {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Windows names a file the same whatever the letter case.
std::string PathKey(const std::string& path) { return PathSeparator() == '\\' ? AsciiUpper(path) : path; }

} // namespace

bool IsQuery(const std::string& sql) {
    size_t i = 0;
    for (;;) {
        while (i < sql.size() && IsBlank(sql[i])) ++i;
        if (sql.compare(i, 2, "--") != 0) break;
        i = sql.find('\n', i);
        if (i == std::string::npos) return false;
    }
    const std::string word = AsciiUpper(sql.substr(i, 6));
    if (word == "SELECT") return i + 6 == sql.size() || !std::isalnum(static_cast<unsigned char>(sql[i + 6]));
    // Reading the error log changes nothing either, and the cause it gives decides the row's road.
    return AsciiUpper(sql.substr(i)).rfind("EXEC MASTER..XP_READERRORLOG", 0) == 0;
}

const std::string& PlanConnection::ConnectionString() const {
    static const std::string none;
    return server_ ? server_->ConnectionString() : none;
}

SqlResult PlanConnection::Execute(const std::string& sql) {
    if (IsQuery(sql)) {
        if (!server_) return SqlResult{};
        // The server's own timeout governs the query; the plan's stands for the statement it replaces.
        return server_->Execute(sql);
    }
    keptBack_.push_back(sql);
    SqlResult accepted;
    accepted.ok = true;
    return accepted;
}

bool PlanFileSystem::Exists(const std::string& path) {
    const auto it = planned_.find(PathKey(path));
    return it != planned_.end() ? it->second : real_.Exists(path);
}

bool PlanFileSystem::Move(const std::string& from, const std::string& to, std::string&) {
    planned_[PathKey(from)] = false;
    planned_[PathKey(to)] = true;
    return true;
}

bool PlanFileSystem::ReadLines(const std::string& path, std::vector<std::string>& lines) {
    return real_.ReadLines(path, lines);
}

bool PlanFileSystem::ReadAll(const std::string& path, std::string& bytes, std::string& error) {
    return real_.ReadAll(path, bytes, error);
}

PlanState::PlanState(AppState& app) {
    Platform platform = app.platform;
    files_ = std::make_unique<PlanFileSystem>(*platform.files);
    platform.files = *files_;
    plan_ = std::make_unique<AppState>(platform);
    AppState& p = *plan_;
    p.cDBServer = app.cDBServer;
    p.cDBUser = app.cDBUser;
    p.cSQLVersion = app.cSQLVersion;
    p.versionClass = app.versionClass;
    p.cProduct = app.cProduct;
    p.cSystemDB = app.cSystemDB;
    p.bAdmin = app.bAdmin;
    p.oMaster = std::make_shared<PlanConnection>(app.oMaster);
    p.masterLost = app.masterLost.load();
}

} // namespace qm
