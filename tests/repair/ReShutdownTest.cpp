// The log rebuild on SQL Server 2000 and 2005/2008, against the simulator's transcript.
#include "RepairFixture.h"

#include "repair/ReShutdown.h"

using namespace qmtest;

namespace {

class ReShutdown : public RepairFixture {
protected:
    bool Run(const std::string& version = "") {
        path = PathOf(kDb + ".MDF");
        return qm::ReShutdown(*app, version.empty() ? app->cSQLVersion : version, kDb, path);
    }
    // With `derivedLog` the server keeps the log at the derived path, so the rebuild meets a held file there.
    void LoadOne(int major, bool dataExists, bool logExists, bool derivedLog = false) {
        Load(major, {DbJson(kDb, "SUSPECT", dataExists, logExists, derivedLog ? kDb + ".LDF" : "")});
    }
    std::string path;
};

TEST_F(ReShutdown, Healthy2005MovesStaleLogsAsideFirstThenSendsTheStatementsInOrder) {
    LoadOne(9, true, true);
    const std::string log = PathOf(kDb + "_LOG.LDF"), derived = PathOf(kDb + ".LDF");
    const std::string bak = std::string(".") + kStamp + ".bak";
    WriteFile(log, "old log");
    WriteFile(derived, "older log");
    EXPECT_TRUE(Run());
    EXPECT_EQ(app->cMsg, "");
    EXPECT_EQ(Sent(), Seq("L E S R M O"));
    EXPECT_EQ(Failures(), "......");
    EXPECT_EQ(path, derived);   // the caller sees the derived log path
    // Only the lookup went out before the files were out of the way; both are kept.
    ASSERT_GE(observer.events.size(), 4u);
    EXPECT_THAT(std::vector<std::string>(observer.events.begin(), observer.events.begin() + 4),
                ElementsAre("sql " + LookupPath(kDb), "move " + log, "move " + derived, "sql " + Seq("E")[0]));
    EXPECT_EQ(observer.moves.at(1).newPath, derived + bak);
    EXPECT_EQ(ReadFile(log + bak), "old log");
    EXPECT_EQ(ReadFile(derived + bak), "older log");
    EXPECT_THAT(Files(), ElementsAre(kDb + ".LDF" + bak, kDb + ".MDF", kDb + "_LOG.LDF", kDb + "_LOG.LDF" + bak));
}

TEST_F(ReShutdown, Healthy2000SendsTheStatementsInOrderAndKeepsTheOldLog) {
    LoadOne(8, true, true);
    EXPECT_TRUE(Run());
    EXPECT_EQ(app->cMsg, "");
    EXPECT_EQ(Sent(), Seq("L A1 C E2 R2 D A0 C"));
    EXPECT_EQ(Failures(), "........");
    EXPECT_EQ(path, PathOf(kDb + ".LDF"));
    ASSERT_EQ(observer.moves.size(), 1u);
    EXPECT_EQ(observer.moves[0].newPath, PathOf(kDb + "_LOG.LDF." + kStamp + ".bak"));
    EXPECT_TRUE(std::filesystem::exists(observer.moves[0].newPath));
}

TEST_F(ReShutdown, HeldLogIsTriedAgainAndTheRebuildRetriedOnce) {
    LoadOne(9, true, true);
    const std::string log = PathOf(kDb + "_LOG.LDF");
    files.Refuse(log, "拒绝的权限", 1);   // the server lets go of it before the retry
    EXPECT_TRUE(Run());
    EXPECT_EQ(app->cMsg, "");
    EXPECT_EQ(Sent(), Seq("L E S R R M O"));
    EXPECT_EQ(Failures(), "...X...");
    EXPECT_THAT(MessageOf(3), HasSubstr("应该重命名或删除它"));
    ASSERT_EQ(observer.moves.size(), 2u);
    EXPECT_EQ(observer.moves[0].error, "拒绝的权限");
    EXPECT_EQ(observer.moves[0].newPath, "");
    EXPECT_EQ(observer.moves[1].error, "");
    EXPECT_TRUE(std::filesystem::exists(log + "." + kStamp + ".bak"));

    LoadOne(8, true, true, true);
    files.Refuse(PathOf(kDb + ".LDF"), "拒绝的权限", 2);   // both first checkpoints meet the held file
    EXPECT_TRUE(Run());
    EXPECT_EQ(app->cMsg, "");
    EXPECT_EQ(Sent(), Seq("L A1 C E2 R2 R2 D A0 C"));
    EXPECT_THAT(MessageOf(4), HasSubstr("应重命名或删除该文件"));
    EXPECT_TRUE(std::filesystem::exists(PathOf(kDb + ".LDF.") + kStamp + ".bak"));
}

TEST_F(ReShutdown, FailuresSendWhatTheyMustAndReportTheRightText) {
    struct Case {
        const char* what;
        int major;
        bool dataExists, derivedLog;
        std::string refusal;   // refused for ever: the recorded log, or with derivedLog the derived path
        std::vector<sqlsim::Fault> faults;
        const char* sent;
        std::string msg;   // "#n": the message of the n-th statement sent
    };
    const Case cases[] = {
        {"no data file", 9, false, false, "", {}, "", "错误：未找到数据文件"},
        {"no data file", 8, false, false, "", {}, "", "错误：未找到数据文件"},
        {"other refusal", 9, true, false, "磁盘错误", {}, "L", "磁盘错误"},
        {"English refusal", 9, true, false, "Permission denied", {}, "L", "Permission denied"},
        {"not quite English", 8, true, false, "permission denied for now", {}, "L", "permission denied for now"},
        {"failed retry", 9, true, false, "拒绝的权限", {}, "L E S R R", "#4"},
        {"failed retry", 8, true, true, "拒绝的权限", {}, "L A1 C E2 R2 R2 A0 C", "#5"},
        // English is accepted at the first checkpoints, not before the retry: 'allow updates' off again.
        {"English before retry", 8, true, true, "Permission Denied", {}, "L A1 C E2 R2 A0 C", "Permission Denied"},
        // A failed emergency is a failure even when the rebuild succeeds.
        {"emergency", 9, true, false, "", {{"set emergency", 1, 5011, "没有更改数据库的权限。"}}, "L E S R",
         "没有更改数据库的权限。"},
        {"closing", 9, true, false, "", {{"set multi_user", 1, 5070, "multi_user refused"}}, "L E S R M O",
         "multi_user refused"},
        {"closing", 8, true, false, "", {{"sp_dboption", 1, 15010, "dboption refused"}}, "L A1 C E2 R2 D A0 C",
         "dboption refused"},
        {"after allow updates", 8, true, false, "",
         {{"dbcc rebuild_log", 1, 5030, "未能排它地锁定数据库。"}, {"'allow updates',0", 1, 15247, "没有权限"}},
         "L A1 C E2 R2 A0 C", "未能排它地锁定数据库。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " on " + std::to_string(c.major));
        LoadOne(c.major, c.dataExists, true, c.derivedLog);
        files.Refuse(PathOf(kDb + (c.derivedLog ? ".LDF" : "_LOG.LDF")), c.refusal, c.refusal.empty() ? 0 : -1);
        for (const auto& f : c.faults) engine->AddFault(f);
        EXPECT_FALSE(Run());
        EXPECT_EQ(Sent(), Seq(c.sent));
        EXPECT_EQ(app->cMsg, c.msg[0] == '#' ? MessageOf(std::stoul(c.msg.substr(1))) : c.msg);
        EXPECT_NE(app->cMsg, "");
    }
}

TEST_F(ReShutdown, NoVersionClassSendsNothing) {
    LoadOne(9, true, false);
    EXPECT_TRUE(Run("Microsoft SQL Server 12.0.2000.8"));
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
    EXPECT_EQ(Sent().at(1), "select b.name as filename from sysdatabases as a inner join sysaltfiles as b on "
                            "a.dbid=b.dbid where b.fileid=2 and a.name='UFDATA 001''2015'");
    EXPECT_EQ(Sent().at(4), "alter database [UFDATA 001'2015] Rebuild Log on (name=UFDATA_LOGICAL_LOG,filename='" +
                                PathOf("UFDATA 001''2015_LOG.LDF") + "') ");
    EXPECT_EQ(Failures(), ".......");
}

} // namespace
