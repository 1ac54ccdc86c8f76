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
    EXPECT_EQ(Sent(), Seq("M O L E S R M O"));
    EXPECT_THAT(MessageOf(1), HasSubstr(".LDF"));
    EXPECT_EQ(files.emptyPathCalls, 0);   // no data path: no derived file is looked at
}

TEST_F(ReReadOnly, OnlyLogAndConnectionRefusalsFallBack) {
    const std::pair<const char*, bool> cases[] = {
        {"无法打开物理文件 \"ufdata_log.ldf\"。", true}, {"连接失败", true}, {"用户没有更改数据库的权限。", false}};
    for (const auto& [refusal, fallsBack] : cases) {
        Load(9, {DbJson(kDb, "EMERGENCY", true, false)});
        engine->AddFault({"set multi_user", 1, 5120, refusal});
        EXPECT_TRUE(Run()) << refusal;
        // Refused multi_user, then the rebuild; or the refusal as the report.
        EXPECT_EQ(Sent(), Seq(fallsBack ? "M L E S R M O" : "M")) << refusal;
        EXPECT_EQ(app->cMsg, fallsBack ? "" : refusal);
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
