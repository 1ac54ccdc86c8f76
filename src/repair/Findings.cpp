#include "repair/Findings.h"

#include "app/Db.h"
#include "discovery/AccountGrid.h"
#include "discovery/DbState.h"
#include "repair/SequenceSteps.h"
#include "repair/Verify.h"
#include "server/SqlText.h"

namespace qm {

namespace {

bool Counts(const SqlResult& r, long number, std::string& a, std::string& c) {
    for (const ServerMessage& m : r.messages)
        if (m.number == number && CheckdbCounts(m.text, a, c)) return true;
    return false;
}

// The reason a repair did not go through: the first error that is not one of the findings it lists
// (those are numbered 8900–8999), else the first error of all.
std::string RefusalOf(const SqlResult& r) {
    for (const ServerMessage& m : r.messages)
        if (m.severity > 10 && (m.number < 8900 || m.number > 8999) && !m.text.empty()) return m.text;
    if (r.connectionLost) return kConnectionLostText;
    return r.error.empty() ? std::string("未知错误") : r.error;
}

} // namespace

bool HasFindings(const SqlResult& check) {
    std::string a, c;
    return Counts(check, kCheckdbSummary, a, c) && (a != "0" || c != "0");
}

std::string RepairLevel(const SqlResult& check) {
    for (const ServerMessage& m : check.messages)
        if (m.number == kRepairLevelMessage && m.text.find(kRepairRebuild) != std::string::npos) return kRepairRebuild;
    return kRepairAllowDataLoss;
}

std::string CheckdbRepairStatement(const std::string& db, const std::string& level) {
    return "dbcc checkdb(N'" + SqlLiteralBody(db) + "', " + level + ") with no_infomsgs";
}

SqlResult RepairFindings(AppState& app, const std::string& db, const std::string& level) {
    const bool v2000 = app.versionClass == VersionClass::Sql2000;
    const std::string alter = "alter database " + IdentOrEmpty(db);
    // Left single-user, the database belongs to whichever program connects first.
    UndoGuard multiUser(app, {v2000 ? DbOptionStatement(db, "single user", false) : alter + " set multi_user"});
    multiUser.Arm();
    SqlResult r = ExecuteSql(
        app, app.oMaster,
        v2000 ? DbOptionStatement(db, "single user", true) : alter + " set single_user with rollback immediate");
    if (!r.ok) return r;
    CommandTimeoutScope noLimit(app.oMaster, 0); // a repair, like the check, may take hours
    return ExecuteSql(app, app.oMaster, CheckdbRepairStatement(db, level));
}

bool FindingsRepaired(const SqlResult& repair) {
    std::string a, c;
    return Counts(repair, kRepairFixedMessage, a, c);
}

std::string RepairedVerificationText(const std::string& firstOutcome, const SqlResult& repair, const SqlResult& second,
                                     bool stopped) {
    std::string a, c;
    if (!Counts(repair, kRepairFixedMessage, a, c)) {
        if (stopped) return firstOutcome + "；" + kFindingsRepairCancelled;
        return firstOutcome + "；" + kFindingsRepairFailed + RefusalOf(repair);
    }
    return kFindingsRepaired + a + "个分配错误、" + c + "个一致性错误；" + VerificationText(second, stopped);
}

bool EmergencyRepair(AppState& app, const std::string& db) {
    const std::string alter = "alter database " + IdentOrEmpty(db);
    SqlResult r = ExecuteSql(app, app.oMaster, alter + " set emergency");
    if (r.ok) {
        UndoGuard multiUser(app, {alter + " set multi_user"});
        multiUser.Arm();
        r = ExecuteSql(app, app.oMaster, alter + " set single_user");
        if (r.ok) {
            CommandTimeoutScope noLimit(app.oMaster, 0);
            r = ExecuteSql(app, app.oMaster,
                           "dbcc checkdb(N'" + SqlLiteralBody(db) + "', " + kRepairAllowDataLoss + ")");
        }
    }
    // The repair lists what it found as errors even when it mends them: the database's state says
    // whether it went through.
    if (!app.masterLost) {
        const std::string state = GetDbState(app, app.versionClass, db, app.oMaster);
        if (IsHealthyState(state)) {
            app.cMsg.clear();
            return true;
        }
    }
    app.cMsg = kEmergencyRepairFailed + RefusalOf(r);
    return false;
}

bool ConfirmFindingsRepair(MsgDialog& dialog, MainModel& m) {
    m.bRepairUncopied = false;
    if (!m.bRepairFindings) return true;
    if (dialog.ShowMsg(kMsgWarningYesNo, kAskRepairFindings) != 1) return false;
    if (!m.bBackup) m.bRepairUncopied = dialog.ShowMsg(kMsgWarningYesNo, kAskRepairUncopied) == 1;
    return true;
}

} // namespace qm
