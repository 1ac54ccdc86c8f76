// The log rebuild on SQL Server 2000 and 2005/2008, against the simulator's transcript and the data folder.
#include "RepairFixture.h"

#include "repair/ReShutdown.h"

using namespace qmtest;

namespace {

class ReShutdown : public RepairFixture {
protected:
    bool Run(const std::string& dataFile = kDb + ".MDF") {
        path = P(dataFile);
        return qm::ReShutdown(*app, app->versionClass, kDb, path);
    }
    std::string path;
};

TEST_F(ReShutdown, Healthy2005LooksUpFirstMovesStaleLogsAsideThenSendsTheStatementsInOrder) {
    Load(9, {Db(kDb, "SUSPECT")});
    const std::string log = P(kDb + "_LOG.LDF"), derived = P(kDb + ".LDF");
    WriteFile(log, "old log");
    WriteFile(derived, "older log");
    EXPECT_TRUE(Run());
    EXPECT_EQ(app->cMsg, "");
    EXPECT_EQ(Sent(), Seq("L F E S R M O"));
    EXPECT_EQ(Failures(), ".......");
    EXPECT_EQ(path, derived); // the caller sees the derived log path
    ASSERT_GE(observer.events.size(), 5u);
    EXPECT_THAT(std::vector<std::string>(observer.events.begin(), observer.events.begin() + 5),
                ElementsAre("sql " + Seq("L")[0], "sql " + Seq("F")[0], "move " + log, "move " + derived,
                            "sql " + Seq("E")[0]));
    EXPECT_THAT(Files(), ElementsAre(X("@.LDF~"), X("@.MDF"), X("@_LOG.LDF"), X("@_LOG.LDF~")));
}

// Every way through both rebuilds: what went out (the guards' statements included), the report, and
// what is left in the data folder. Only a stale log of this database is ever moved or rebuilt at.
TEST_F(ReShutdown, SequencesSendReportAndLeaveTheRightFiles) {
    const std::string other = "UFDATA_002_2015", noLogPath = "未修复：无法确定日志文件路径";
    const std::string derivedLog = DbAt(kDb, "SUSPECT", kDb + ".MDF", kDb + ".LDF"); // the log beside the data file
    const sqlsim::Fault lockTimeout{"", 1, 1222, "已超过了锁请求超时时段。"};
    auto timeout = [&](const std::string& sql) {
        sqlsim::Fault f = lockTimeout;
        f.match = sql;
        return f;
    };
    struct Case {
        const char* what;
        int major = 9;
        std::vector<std::string> dbs = {Db(kDb, "SUSPECT")};
        const char* dataFile = "@.MDF";
        const char* refuse = "@_LOG.LDF"; // moves of this file are refused `times` times (< 0: for ever)
        std::string refusal = "";
        int times = -1;
        std::vector<sqlsim::Fault> faults = {};
        const char* before = ""; // sent before the run
        const char* product = "U8";
        const char* language = "zh-CN";
        const char* sent = "";
        std::string msg = "";                // "#n": the message of the n-th statement sent; "" for success
        std::vector<std::string> files = {}; // checked when not empty
    };
    // clang-format off
    const Case cases[] = {
        {.what = ".DAT data file", .dbs = {DbAt(kDb, "SUSPECT", X("@.DAT"), X("@_LOG.LDF"))}, .dataFile = "@.DAT",
         .sent = "L F E S R M O", .files = {"@.DAT", "@_LOG.LDF", "@_LOG.LDF~"}},
        {.what = ".DAT data file", .major = 8, .dbs = {DbAt(kDb, "SUSPECT", X("@.DAT"), X("@_LOG.LDF"))},
         .dataFile = "@.DAT", .sent = "L F T A1 C E2 R2=@_LOG.LDF D A0 C", .files = {"@.DAT", "@_LOG.LDF", "@_LOG.LDF~"}},
        // The file that replacing every MDF would name is another database's live log.
        {.what = "MDFDATA folder", .major = 8,
         .dbs = {DbAt(kDb, "SUSPECT", X("MDFDATA/@.MDF"), X("MDFDATA/@_LOG.LDF")),
                 DbAt(other, "ONLINE", "LDFDATA/" + other + ".MDF", X("LDFDATA/@.LDF"))},
         .dataFile = "MDFDATA/@.MDF", .sent = "L F T A1 C E2 R2=MDFDATA/@.LDF D A0 C",
         .files = {"LDFDATA/@.LDF", "LDFDATA/" + other + ".MDF", "MDFDATA/@.LDF", "MDFDATA/@.MDF", "MDFDATA/@_LOG.LDF~"}},
        {.what = "derived path is another database's log",
         .dbs = {Db(kDb, "SUSPECT"), DbAt(other, "ONLINE", other + ".MDF", X("@.LDF"))}, .sent = "L F E S R M O",
         .files = {"@.LDF", "@.MDF", "@_LOG.LDF", "@_LOG.LDF~", other + ".MDF"}},
        // Recorded in another letter case: still that database's file, so the rebuild goes to the recorded log.
        {.what = "derived path is another database's log", .major = 8,
         .dbs = {Db(kDb, "SUSPECT"), DbAt(other, "ONLINE", other + ".MDF", "ufdata_001_2015.ldf")},
         .sent = "L F T A1 C E2 R2=@_LOG.LDF D A0 C",
         .files = {"@.MDF", "@_LOG.LDF", "@_LOG.LDF~", other + ".MDF", "ufdata_001_2015.ldf"}},
        {.what = "data file recorded as the log", .dbs = {DbAt(kDb, "SUSPECT", X("@.MDF"), X("@.MDF"))}, .sent = "L F",
         .msg = noLogPath, .files = {"@.MDF"}},
        {.what = "data file recorded as the log", .major = 8, .dbs = {DbAt(kDb, "SUSPECT", X("@.MDF"), X("@.MDF"))},
         .sent = "L F T A1 C E2 R2 D A0 C", .files = {"@.LDF", "@.MDF"}},
        {.what = "no usable log path", .major = 8, .dbs = {DbAt(kDb, "SUSPECT", X("@.DAT"), X("@.DAT"))},
         .dataFile = "@.DAT", .sent = "L F", .msg = noLogPath, .files = {"@.DAT"}},
        // A log the server still holds is tried again after the rebuild said it exists.
        {.what = "held log let go before the retry", .refusal = "拒绝的权限", .times = 1, .sent = "L F E S R R M O",
         .files = {"@.MDF", "@_LOG.LDF", "@_LOG.LDF~"}},
        {.what = "held log let go before the retry", .major = 8, .dbs = {derivedLog}, .refuse = "@.LDF",
         .refusal = "拒绝的权限", .times = 2, .sent = "L F T A1 C E2 R2 R2 D A0 C", .files = {"@.LDF", "@.LDF~", "@.MDF"}},
        // An English server's "file exists" is known by its number.
        {.what = "English held log let go before the retry", .major = 8, .dbs = {derivedLog}, .refuse = "@.LDF",
         .refusal = "拒绝的权限", .times = 2, .language = "en", .sent = "L F T A1 C E2 R2 R2 D A0 C",
         .files = {"@.LDF", "@.LDF~", "@.MDF"}},

        {.what = "no data file", .major = 8, .dbs = {Db(kDb, "SUSPECT", R"(, "data_file_exists": false)")}, .msg = "错误：未找到数据文件"},
        // A failed lookup ends the row with its own message before anything is moved or changed.
        {.what = "log path lookup", .faults = {timeout(Seq("L")[0])}, .sent = "L", .msg = lockTimeout.message},
        {.what = "logical name lookup", .major = 10, .faults = {timeout(Seq("N")[0])}, .product = "",
         .sent = "L F N", .msg = lockTimeout.message},
        {.what = "other files lookup", .major = 8, .faults = {timeout(Seq("F")[0])}, .sent = "L F", .msg = lockTimeout.message},
        {.what = "status lookup", .major = 8, .faults = {timeout(Seq("T")[0])}, .sent = "L F T", .msg = lockTimeout.message},
        {.what = "English refusal", .refusal = "Permission denied", .sent = "L F", .msg = "Permission denied"},
        {.what = "not quite English", .major = 8, .refusal = "permission denied for now", .sent = "L F T",
         .msg = "permission denied for now"},
        // From single_user on, a failure sets the database back to multi-user.
        {.what = "failed retry", .refusal = "拒绝的权限", .sent = "L F E S R R M", .msg = "#5"},
        {.what = "emergency refused, rebuild accepted", .faults = {{"set emergency", 1, 5011, "没有更改数据库的权限。"}},
         .sent = "L F E S R M", .msg = "没有更改数据库的权限。"},
        {.what = "closing multi_user refused", .faults = {{"set multi_user", 1, 5070, "multi_user refused"}},
         .sent = "L F E S R M O M", .msg = "multi_user refused"},
        // A failed 2000 rebuild puts the old status word back, then turns 'allow updates' off.
        {.what = "failed retry", .major = 8, .dbs = {derivedLog}, .refuse = "@.LDF", .refusal = "拒绝的权限",
         .sent = "L F T A1 C E2 R2 R2 B=280 A0 C", .msg = "#7"},
        // English is accepted at the first checkpoints, not before the retry.
        {.what = "English before retry", .major = 8, .dbs = {derivedLog}, .refuse = "@.LDF",
         .refusal = "Permission Denied", .sent = "L F T A1 C E2 R2 B=280 A0 C", .msg = "Permission Denied"},
        {.what = "rebuild refused", .major = 8,
         .faults = {{"dbcc rebuild_log", 1, 5030, "未能排它地锁定数据库。"}, {"'allow updates',0", 1, 15247, "没有权限"}},
         .sent = "L F T A1 C E2 R2 B=280 A0 C", .msg = "未能排它地锁定数据库。"},
        // The status was never written: nothing to put back.
        {.what = "allow updates refused", .major = 8, .faults = {{"'allow updates',1", 1, 15247, "没有权限"}},
         .sent = "L F T A1 C E2 R2 A0 C", .msg = "#6"},
        // 'allow updates' was on already, so the log was rebuilt although sp_configure was refused: the
        // status the rebuild left is not overwritten with the old one.
        {.what = "rebuilt after a refused sp_configure", .major = 8, .faults = {{"'allow updates',1", 1, 15247, "没有权限"}},
         .before = "A1 C", .sent = "L F T A1 C E2 R2 A0 C", .msg = "没有权限"},
        {.what = "closing", .major = 8, .faults = {{"sp_dboption", 1, 15010, "dboption refused"}},
         .sent = "L F T A1 C E2 R2 D A0 C", .msg = "dboption refused"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " on " + std::to_string(c.major));
        Load(c.major, c.dbs, c.product, c.language);
        if (!c.refusal.empty()) files.Refuse(P(X(c.refuse)), c.refusal, c.times);
        for (const auto& sql : Seq(c.before)) engine->Execute(sql);
        engine->ClearTranscript();
        for (const auto& f : c.faults) engine->AddFault(f);
        EXPECT_EQ(Run(X(c.dataFile)), c.msg.empty());
        EXPECT_EQ(Sent(), Seq(X(c.sent)));
        EXPECT_EQ(observer.statements.size(), Sent().size()); // the guards' statements too
        EXPECT_EQ(app->cMsg, c.msg[0] == '#' ? engine->Transcript().at(std::stoul(c.msg.substr(1))).message : c.msg);
        if (!c.files.empty()) {
            EXPECT_EQ(Files(), X(c.files));
        }
        // Only lookups went out: no file was touched either.
        if (std::string(c.sent).find_first_not_of("LFNT ") == std::string::npos) {
            EXPECT_TRUE(files.changed.empty());
        }
    }
}

TEST_F(ReShutdown, On2008WithoutProductTheLogicalNameComesFromTheServerAndNamesAreQuoted) {
    const std::string db = "UFDATA 001'2015";
    Load(10, {Db(db, "SUSPECT", R"(, "log_file_exists": false, "log_name": "UFDATA_LOGICAL_LOG")")}, "");
    std::string dataPath = P(db + ".MDF");
    EXPECT_TRUE(qm::ReShutdown(*app, app->versionClass, db, dataPath)) << app->cMsg;
    EXPECT_EQ(Sent().at(2), Seq("N", "UFDATA 001''2015")[0]);
    EXPECT_EQ(Sent().at(5), "alter database [UFDATA 001'2015] Rebuild Log on (name=UFDATA_LOGICAL_LOG,filename='" +
                                P("UFDATA 001''2015_LOG.LDF") + "') ");
    EXPECT_EQ(Failures(), "........");
}

} // namespace
