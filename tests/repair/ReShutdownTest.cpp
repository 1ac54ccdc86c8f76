// The log rebuild on SQL Server 2000 and 2005/2008, against the simulator's transcript and the data folder.
#include "RepairFixture.h"

#include "repair/ReShutdown.h"

using namespace qmtest;

namespace {

class ReShutdown : public RepairFixture {
protected:
    bool Run(const std::string& dataFile = kDb + ".MDF") {
        path = PathOf(dataFile);
        return qm::ReShutdown(*app, app->cSQLVersion, kDb, path);
    }
    // With `derivedLog` the server keeps the log at the derived path, so the rebuild meets a held file there.
    void LoadOne(int major, bool dataExists, bool logExists, bool derivedLog = false) {
        Load(major, {DbJson(kDb, "SUSPECT", dataExists, logExists, derivedLog ? kDb + ".LDF" : "")});
    }
    std::string path;
};

TEST_F(ReShutdown, Healthy2005LooksUpFirstMovesStaleLogsAsideThenSendsTheStatementsInOrder) {
    LoadOne(9, true, true);
    const std::string log = PathOf(kDb + "_LOG.LDF"), derived = PathOf(kDb + ".LDF");
    WriteFile(log, "old log");
    WriteFile(derived, "older log");
    EXPECT_TRUE(Run());
    EXPECT_EQ(app->cMsg, "");
    EXPECT_EQ(Sent(), Seq("L F E S R M O"));
    EXPECT_EQ(Failures(), ".......");
    EXPECT_EQ(path, derived);   // the caller sees the derived log path
    ASSERT_GE(observer.events.size(), 5u);
    EXPECT_THAT(std::vector<std::string>(observer.events.begin(), observer.events.begin() + 5),
                ElementsAre("sql " + Seq("L")[0], "sql " + Seq("F")[0], "move " + log, "move " + derived,
                            "sql " + Seq("E")[0]));
    EXPECT_EQ(ReadFile(X(derived + "~")), "older log");
    EXPECT_THAT(Files(), ElementsAre(X("@.LDF~"), X("@.MDF"), X("@_LOG.LDF"), X("@_LOG.LDF~")));
}

// Data files and catalogues as they occur in the field: only a stale log of this database is ever moved
// or rebuilt at; the data file and every file of another database stay where they are.
TEST_F(ReShutdown, OnlyStaleLogsAreMovedOrRebuiltAt) {
    const std::string other = "UFDATA_002_2015";
    struct Case {
        const char* what;
        int major;
        std::vector<std::string> dbs;
        const char* dataFile;
        const char* sent;
        std::string msg;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {"ordinary", 8, {DbJson(kDb, "SUSPECT")}, "@.MDF", "L F T A1 C E2 R2 D A0 C", "",
         {"@.LDF", "@.MDF", "@_LOG.LDF~"}},
        {".DAT data file", 9, {DbAt(kDb, "SUSPECT", X("@.DAT"), X("@_LOG.LDF"))}, "@.DAT", "L F E S R M O", "",
         {"@.DAT", "@_LOG.LDF", "@_LOG.LDF~"}},
        {".DAT data file", 8, {DbAt(kDb, "SUSPECT", X("@.DAT"), X("@_LOG.LDF"))}, "@.DAT",
         "L F T A1 C E2 R2=@_LOG.LDF D A0 C", "", {"@.DAT", "@_LOG.LDF", "@_LOG.LDF~"}},
        // The file that replacing every MDF would name is another database's live log.
        {"MDFDATA folder", 8,
         {DbAt(kDb, "SUSPECT", X("MDFDATA/@.MDF"), X("MDFDATA/@_LOG.LDF")),
          DbAt(other, "ONLINE", "LDFDATA/" + other + ".MDF", X("LDFDATA/@.LDF"))},
         "MDFDATA/@.MDF", "L F T A1 C E2 R2=MDFDATA/@.LDF D A0 C", "",
         {"LDFDATA/@.LDF", "LDFDATA/" + other + ".MDF", "MDFDATA/@.LDF", "MDFDATA/@.MDF", "MDFDATA/@_LOG.LDF~"}},
        {"derived path is another database's log", 9,
         {DbJson(kDb, "SUSPECT"), DbAt(other, "ONLINE", other + ".MDF", X("@.LDF"))}, "@.MDF", "L F E S R M O", "",
         {"@.LDF", "@.MDF", "@_LOG.LDF", "@_LOG.LDF~", other + ".MDF"}},
        // Recorded in another letter case: still that database's file, so the rebuild goes to the recorded log.
        {"derived path is another database's log", 8,
         {DbJson(kDb, "SUSPECT"), DbAt(other, "ONLINE", other + ".MDF", "ufdata_001_2015.ldf")}, "@.MDF",
         "L F T A1 C E2 R2=@_LOG.LDF D A0 C", "", {"@.MDF", "@_LOG.LDF", "@_LOG.LDF~", other + ".MDF", "ufdata_001_2015.ldf"}},
        {"data file recorded as the log", 9, {DbAt(kDb, "SUSPECT", X("@.MDF"), X("@.MDF"))}, "@.MDF", "L F",
         "未修复：无法确定日志文件路径", {"@.MDF"}},
        {"data file recorded as the log", 8, {DbAt(kDb, "SUSPECT", X("@.MDF"), X("@.MDF"))}, "@.MDF",
         "L F T A1 C E2 R2 D A0 C", "", {"@.LDF", "@.MDF"}},
        {"no usable log path", 8, {DbAt(kDb, "SUSPECT", X("@.DAT"), X("@.DAT"))}, "@.DAT", "L F",
         "未修复：无法确定日志文件路径", {"@.DAT"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " on " + std::to_string(c.major));
        Load(c.major, c.dbs);
        EXPECT_EQ(Run(X(c.dataFile)), c.msg.empty());
        EXPECT_EQ(Sent(), Seq(X(c.sent)));
        EXPECT_EQ(app->cMsg, c.msg);
        EXPECT_EQ(Files(), X(c.files));
    }
}

TEST_F(ReShutdown, HeldLogIsTriedAgainAndTheRebuildRetriedOnce) {
    LoadOne(9, true, true);
    const std::string log = PathOf(kDb + "_LOG.LDF");
    files.Refuse(log, "拒绝的权限", 1);   // the server lets go of it before the retry
    EXPECT_TRUE(Run());
    EXPECT_EQ(app->cMsg, "");
    EXPECT_EQ(Sent(), Seq("L F E S R R M O"));
    EXPECT_EQ(Failures(), "....X...");
    EXPECT_THAT(MessageOf(4), HasSubstr("应该重命名或删除它"));
    ASSERT_EQ(observer.moves.size(), 2u);
    EXPECT_EQ(observer.moves[0].error, "拒绝的权限");
    EXPECT_EQ(observer.moves[0].newPath, "");
    EXPECT_EQ(observer.moves[1].error, "");
    EXPECT_TRUE(std::filesystem::exists(X(log + "~")));

    LoadOne(8, true, true, true);
    files.Refuse(PathOf(kDb + ".LDF"), "拒绝的权限", 2);   // both first checkpoints meet the held file
    EXPECT_TRUE(Run());
    EXPECT_EQ(app->cMsg, "");
    EXPECT_EQ(Sent(), Seq("L F T A1 C E2 R2 R2 D A0 C"));
    EXPECT_THAT(MessageOf(6), HasSubstr("应重命名或删除该文件"));
    EXPECT_TRUE(std::filesystem::exists(X(PathOf("@.LDF~"))));
}

// Every failure exit: what went out (the guards' statements included), and the report.
TEST_F(ReShutdown, FailuresSendWhatTheyMustAndReportTheRightText) {
    const sqlsim::Fault lockTimeout{"", 1, 1222, "已超过了锁请求超时时段。"};
    auto timeout = [&](const std::string& sql) { sqlsim::Fault f = lockTimeout; f.match = sql; return f; };
    struct Case {
        const char* what;
        int major;
        bool dataExists, derivedLog;
        std::string refusal;   // refused for ever: the recorded log, or with derivedLog the derived path
        std::vector<sqlsim::Fault> faults;
        const char* sent;
        std::string msg;   // "#n": the message of the n-th statement sent
        const char* product = "U8";
        const char* before = "";   // sent before the run
    };
    const Case cases[] = {
        {"no data file", 8, false, false, "", {}, "", "错误：未找到数据文件"},
        // A failed lookup ends the row with its own message before anything is moved or changed.
        {"log path lookup", 9, true, false, "", {timeout(Seq("L")[0])}, "L", lockTimeout.message},
        {"logical name lookup", 10, true, false, "", {timeout(Seq("N")[0])}, "L F N", lockTimeout.message, ""},
        {"other files lookup", 8, true, false, "", {timeout(Seq("F")[0])}, "L F", lockTimeout.message},
        {"status lookup", 8, true, false, "", {timeout(Seq("T")[0])}, "L F T", lockTimeout.message},
        {"other refusal", 9, true, false, "磁盘错误", {}, "L F", "磁盘错误"},
        {"English refusal", 9, true, false, "Permission denied", {}, "L F", "Permission denied"},
        {"not quite English", 8, true, false, "permission denied for now", {}, "L F T", "permission denied for now"},
        // From single_user on, a failure sets the database back to multi-user.
        {"failed retry", 9, true, false, "拒绝的权限", {}, "L F E S R R M", "#5"},
        {"emergency refused, rebuild accepted", 9, true, false, "", {{"set emergency", 1, 5011, "没有更改数据库的权限。"}},
         "L F E S R M", "没有更改数据库的权限。"},
        {"closing multi_user refused", 9, true, false, "", {{"set multi_user", 1, 5070, "multi_user refused"}},
         "L F E S R M O M", "multi_user refused"},
        // A failed 2000 rebuild puts the old status word back, then turns 'allow updates' off.
        {"failed retry", 8, true, true, "拒绝的权限", {}, "L F T A1 C E2 R2 R2 B=280 A0 C", "#7"},
        // English is accepted at the first checkpoints, not before the retry.
        {"English before retry", 8, true, true, "Permission Denied", {}, "L F T A1 C E2 R2 B=280 A0 C", "Permission Denied"},
        {"rebuild refused", 8, true, false, "",
         {{"dbcc rebuild_log", 1, 5030, "未能排它地锁定数据库。"}, {"'allow updates',0", 1, 15247, "没有权限"}},
         "L F T A1 C E2 R2 B=280 A0 C", "未能排它地锁定数据库。"},
        // The status was never written: nothing to put back.
        {"allow updates refused", 8, true, false, "", {{"'allow updates',1", 1, 15247, "没有权限"}},
         "L F T A1 C E2 R2 A0 C", "#6"},
        {"closing", 8, true, false, "", {{"sp_dboption", 1, 15010, "dboption refused"}}, "L F T A1 C E2 R2 D A0 C",
         "dboption refused"},
        // 'allow updates' was on already, so the log was rebuilt although sp_configure was refused: the
        // status the rebuild left is not overwritten with the old one.
        {"rebuilt after a refused sp_configure", 8, true, false, "", {{"'allow updates',1", 1, 15247, "没有权限"}},
         "L F T A1 C E2 R2 A0 C", "没有权限", "U8", "A1 C"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " on " + std::to_string(c.major));
        Load(c.major, {DbJson(kDb, "SUSPECT", c.dataExists, true, c.derivedLog ? kDb + ".LDF" : "")}, c.product);
        files.Refuse(PathOf(kDb + (c.derivedLog ? ".LDF" : "_LOG.LDF")), c.refusal, c.refusal.empty() ? 0 : -1);
        for (const auto& sql : Seq(c.before)) engine->Execute(sql);
        engine->ClearTranscript();
        for (const auto& f : c.faults) engine->AddFault(f);
        observer.statements.clear();
        EXPECT_FALSE(Run());
        EXPECT_EQ(Sent(), Seq(c.sent));
        EXPECT_EQ(observer.statements.size(), Sent().size());   // the guards' statements too
        EXPECT_EQ(app->cMsg, c.msg[0] == '#' ? MessageOf(std::stoul(c.msg.substr(1))) : c.msg);
        EXPECT_NE(app->cMsg, "");
        // Only lookups went out: no file was touched either.
        if (std::string(c.sent).find_first_not_of("LFNT ") == std::string::npos) {
            EXPECT_TRUE(files.changed.empty());
        }
        files.changed.clear();
    }
}

TEST_F(ReShutdown, NoVersionClassSendsNothing) {
    LoadOne(9, true, false);
    EXPECT_TRUE(qm::ReShutdown(*app, "Microsoft SQL Server 12.0.2000.8", kDb, path));
    app->cSQLVersion = "";
    EXPECT_TRUE(Run());
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(path, PathOf(kDb + ".MDF"));
}

TEST_F(ReShutdown, On2008WithoutProductTheLogicalNameComesFromTheServerAndNamesAreQuoted) {
    const std::string db = "UFDATA 001'2015";
    Load(10, {DbJson(db, "SUSPECT", true, false, "", "UFDATA_LOGICAL_LOG")}, "");
    std::string dataPath = PathOf(db + ".MDF");
    EXPECT_TRUE(qm::ReShutdown(*app, app->cSQLVersion, db, dataPath)) << app->cMsg;
    EXPECT_EQ(Sent().at(0), LookupPath("UFDATA 001''2015"));
    EXPECT_EQ(Sent().at(2), Seq("N", "UFDATA 001''2015")[0]);
    EXPECT_EQ(Sent().at(5), "alter database [UFDATA 001'2015] Rebuild Log on (name=UFDATA_LOGICAL_LOG,filename='" +
                                PathOf("UFDATA 001''2015_LOG.LDF") + "') ");
    EXPECT_EQ(Failures(), "........");
}

} // namespace
