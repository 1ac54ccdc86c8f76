// Read-only and DBO-only recovery, with and without the fall-back to the log rebuild.
#include "RepairFixture.h"

#include "repair/ReReadOnly.h"

using namespace qmtest;

namespace {

struct ReReadOnly : RepairFixture {
    bool Run() { return qm::ReReadOnly(*app, app->cSQLVersion, kDb); }
};

TEST_F(ReReadOnly, EmergencyDatabaseWithSoundLogGoesOnlineAndNoVersionClassSendsNothing) {
    Load(9, {DbJson(kDb, "EMERGENCY")});
    EXPECT_TRUE(Run());
    EXPECT_EQ(app->cMsg, "");
    EXPECT_EQ(Sent(), Seq("M O"));
    EXPECT_EQ(Failures(), "..");
    EXPECT_TRUE(observer.moves.empty());
    engine->ClearTranscript();
    EXPECT_TRUE(qm::ReReadOnly(*app, "Microsoft SQL Server 11.0.2100.60", kDb));
    EXPECT_TRUE(Sent().empty());
}

TEST_F(ReReadOnly, MissingLogFallsBackToTheRebuildAtTheRecordedPath) {
    Load(10, {DbJson(kDb, "EMERGENCY", true, false)});
    EXPECT_TRUE(Run()) << app->cMsg;
    EXPECT_EQ(app->cMsg, "");
    EXPECT_EQ(Sent(), Seq("M O L F E S R M O"));
    EXPECT_THAT(MessageOf(1), HasSubstr(".LDF"));
    EXPECT_EQ(files.emptyPathCalls, 0);   // no data path: no derived file is looked at
}

TEST_F(ReReadOnly, OnlyLogFileAndConnectionRefusalsFallBack) {
    struct Case {
        std::string db, refusal;
        bool fallsBack;
    };
    const Case cases[] = {
        {kDb, "无法打开物理文件 \"ufdata_log.ldf\"。", true},
        {kDb, "连接失败", true},
        {kDb, "用户没有更改数据库的权限。", false},
        // The letters LDF in the database's own name are no log file: its sound log is kept.
        {"GOLDFIELD", "此时无法更改数据库 'GOLDFIELD' 的状态或选项。数据库处于单用户模式，当前某个用户已与其连接。", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.refusal);
        Load(9, {DbJson(c.db, "EMERGENCY")});
        engine->AddFault({"set multi_user", 1, 5064, c.refusal});
        EXPECT_TRUE(qm::ReReadOnly(*app, app->cSQLVersion, c.db));
        // Refused multi_user, then the rebuild; or the refusal as the report.
        EXPECT_EQ(Sent(), Seq(c.fallsBack ? "M L F E S R M O" : "M", c.db));
        EXPECT_EQ(app->cMsg, c.fallsBack ? "" : c.refusal);
        // The sound log stays; only the rebuild moves it aside (and makes a new one).
        std::vector<std::string> kept = {c.db + ".MDF", c.db + "_LOG.LDF"};
        if (c.fallsBack) kept.push_back(c.db + "_LOG.LDF." + kStamp + ".bak");
        EXPECT_EQ(Files(), kept);
    }
}

TEST_F(ReReadOnly, RefusalWithoutWordsAndFailedFallbackAreFailures) {
    Load(9, {DbJson(kDb, "EMERGENCY", true, false)});
    engine->AddFault({"Rebuild Log", 1, 5028, "系统无法激活足够的数据库来重新生成日志。"});
    EXPECT_FALSE(Run());
    EXPECT_EQ(app->cMsg, "系统无法激活足够的数据库来重新生成日志。");
    Load(9, {DbJson(kDb, "EMERGENCY")});
    engine->AddFault({"set multi_user", 1, 5011, ""});
    EXPECT_FALSE(Run());
    EXPECT_EQ(app->cMsg, "");
}

TEST_F(ReReadOnly, Sql2000SendsTheSixStatementsAndARefusedUpdateStillTurnsAllowUpdatesOff) {
    Load(8, {DbJson(kDb, "EMERGENCY")});
    EXPECT_TRUE(Run()) << app->cMsg;
    EXPECT_EQ(app->cMsg, "");
    EXPECT_EQ(Sent(), Seq("A1 C U2 D A0 C"));
    EXPECT_EQ(Failures(), "......");
    Load(8, {DbJson(kDb, "EMERGENCY")});
    engine->AddFault({"update sysdatabases", 1, 229, "拒绝了对对象 'sysdatabases' 的 UPDATE 权限。"});
    EXPECT_FALSE(Run());
    EXPECT_EQ(app->cMsg, "拒绝了对对象 'sysdatabases' 的 UPDATE 权限。");
    EXPECT_EQ(Sent(), Seq("A1 C U2 A0 C"));
}

} // namespace
