// Read-only and DBO-only recovery, with and without the fall-back to the log rebuild.
#include "RepairFixture.h"

#include "repair/ReReadOnly.h"

#include <gmock/gmock.h>

using namespace qmtest;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

const std::string kDb = "UFDATA_001_2015";
const std::string kMultiUser = "alter database UFDATA_001_2015 set multi_user";
const std::string kOnline = "alter database UFDATA_001_2015 set ONLINE";

using ReReadOnly = RepairFixture;

TEST_F(ReReadOnly, EmergencyDatabaseWithSoundLogGoesOnline) {
    Load(ScenarioJson(9, {DbJson(kDb, "EMERGENCY", true, true)}), k2005);
    EXPECT_TRUE(qm::ReReadOnly(*app, app->cSQLVersion, kDb));
    EXPECT_EQ(app->cMsg, "");
    EXPECT_THAT(Sent(), ElementsAre(kMultiUser, kOnline));
    EXPECT_THAT(Failed(), ElementsAre(false, false));
    EXPECT_TRUE(observer.moves.empty());
}

TEST_F(ReReadOnly, MissingLogFallsBackToTheRebuildAtTheRecordedPath) {
    Load(ScenarioJson(10, {DbJson(kDb, "EMERGENCY", true, false)}), k2008);
    EXPECT_TRUE(qm::ReReadOnly(*app, app->cSQLVersion, kDb)) << app->cMsg;
    EXPECT_EQ(app->cMsg, "");
    const std::string alter = "alter database " + kDb;
    EXPECT_THAT(Sent(),
                ElementsAre(kMultiUser, kOnline, LookupPath(kDb), alter + " set emergency ",
                            alter + " set single_user with rollback immediate ",
                            alter + " Rebuild Log on (name=Ufmodel_LOG,filename='" + PathOf(kDb + "_LOG.LDF") + "') ",
                            kMultiUser, kOnline));
    EXPECT_THAT(MessageOf(1), HasSubstr(".LDF"));
    EXPECT_EQ(files.emptyPathCalls, 0);
}

TEST_F(ReReadOnly, LowerCaseLdfAndConnectionFailureAlsoFallBack) {
    Load(ScenarioJson(9, {DbJson(kDb, "EMERGENCY", true, false)}), k2005);
    engine->AddFault({"set multi_user", 1, 5120, "无法打开物理文件 \"ufdata_log.ldf\"。"});
    EXPECT_TRUE(qm::ReReadOnly(*app, app->cSQLVersion, kDb));
    EXPECT_EQ(Sent().size(), 7u);  // refused multi_user, then the rebuild's six
    EXPECT_EQ(Sent().at(1), LookupPath(kDb));

    engine->ClearTranscript();
    engine->AddFault({"set multi_user", 1, 0, "连接失败"});
    EXPECT_TRUE(qm::ReReadOnly(*app, app->cSQLVersion, kDb));
    EXPECT_EQ(Sent().at(1), LookupPath(kDb));
}

TEST_F(ReReadOnly, OtherRefusalIsReportedWithoutFallback) {
    Load(ScenarioJson(9, {DbJson(kDb, "EMERGENCY", true, true)}), k2005);
    engine->AddFault({"set multi_user", 1, 5011, "用户没有更改数据库的权限。"});
    EXPECT_TRUE(qm::ReReadOnly(*app, app->cSQLVersion, kDb));
    EXPECT_EQ(app->cMsg, "用户没有更改数据库的权限。");
    EXPECT_THAT(Sent(), ElementsAre(kMultiUser));
}

TEST_F(ReReadOnly, RefusalWithoutWordsIsAFailure) {
    Load(ScenarioJson(9, {DbJson(kDb, "EMERGENCY", true, true)}), k2005);
    engine->AddFault({"set multi_user", 1, 5011, ""});
    EXPECT_FALSE(qm::ReReadOnly(*app, app->cSQLVersion, kDb));
    EXPECT_EQ(app->cMsg, "");
}

TEST_F(ReReadOnly, FailedFallbackIsAFailure) {
    Load(ScenarioJson(9, {DbJson(kDb, "EMERGENCY", true, false)}), k2005);
    engine->AddFault({"Rebuild Log", 1, 5028, "系统无法激活足够的数据库来重新生成日志。"});
    EXPECT_FALSE(qm::ReReadOnly(*app, app->cSQLVersion, kDb));
    EXPECT_EQ(app->cMsg, "系统无法激活足够的数据库来重新生成日志。");
}

TEST_F(ReReadOnly, Sql2000SendsTheSixStatements) {
    Load(ScenarioJson(8, {DbJson(kDb, "EMERGENCY", true, true, "", "Ufmodel_LOG",
                                 R"("IsEmergencyMode", "IsInStandBy", "IsOffline")")}),
         k2000);
    EXPECT_TRUE(qm::ReReadOnly(*app, app->cSQLVersion, kDb)) << app->cMsg;
    EXPECT_EQ(app->cMsg, "");
    EXPECT_THAT(Sent(), ElementsAre("sp_configure 'allow updates',1", "reconfigure with override",
                                    "update sysdatabases set status=4194328 where dbid=DB_ID('UFDATA_001_2015')",
                                    "sp_dboption 'UFDATA_001_2015 ','dbo use only','false'",
                                    "sp_configure 'allow updates',0", "reconfigure with override"));
    EXPECT_THAT(Failed(), ElementsAre(false, false, false, false, false, false));
}

TEST_F(ReReadOnly, Sql2000RefusedUpdateStopsButTurnsAllowUpdatesOff) {
    Load(ScenarioJson(8, {DbJson(kDb, "EMERGENCY", true, true)}), k2000);
    engine->AddFault({"update sysdatabases", 1, 229, "拒绝了对对象 'sysdatabases' 的 UPDATE 权限。"});
    EXPECT_FALSE(qm::ReReadOnly(*app, app->cSQLVersion, kDb));
    EXPECT_EQ(app->cMsg, "拒绝了对对象 'sysdatabases' 的 UPDATE 权限。");
    EXPECT_THAT(Sent(), ElementsAre("sp_configure 'allow updates',1", "reconfigure with override",
                                    "update sysdatabases set status=4194328 where dbid=DB_ID('UFDATA_001_2015')",
                                    "sp_configure 'allow updates',0", "reconfigure with override"));
}

TEST_F(ReReadOnly, VersionWithoutClassSendsNothing) {
    Load(ScenarioJson(9, {DbJson(kDb, "EMERGENCY", true, true)}), k2005);
    EXPECT_TRUE(qm::ReReadOnly(*app, "Microsoft SQL Server 11.0.2100.60", kDb));
    EXPECT_TRUE(Sent().empty());
}

} // namespace
