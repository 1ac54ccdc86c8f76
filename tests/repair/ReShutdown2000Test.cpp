// The log rebuild on SQL Server 2000, against the simulator's transcript.
#include "RepairFixture.h"

#include "repair/ReShutdown.h"

#include <gmock/gmock.h>

using namespace qmtest;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

const std::string kDb = "UFDATA_001_2015";
const std::string kAllowOn = "sp_configure 'allow updates',1";
const std::string kAllowOff = "sp_configure 'allow updates',0";
const std::string kReconfigure = "reconfigure with override";
const std::string kEmergency = "update sysdatabases set status=-32768 where dbid=DB_ID('UFDATA_001_2015') ";
const std::string kDboOff = "sp_dboption 'UFDATA_001_2015 ','dbo use only','false'";

class ReShutdown2000 : public RepairFixture {
protected:
    std::string Rebuild() const {
        return "dbcc rebuild_log('" + kDb + " ','" + PathOf(kDb + ".LDF") + "')";
    }
    std::string dataPath() const { return PathOf(kDb + ".MDF"); }
    // The server keeps this database's log at the derived path, so the rebuild meets the held file.
    void LoadWithLogAtDerivedPath() {
        Load(ScenarioJson(8, {DbJson(kDb, "SUSPECT", true, true, kDb + ".LDF")}), k2000);
    }
};

TEST_F(ReShutdown2000, HealthyRebuildSendsTheSevenStatementsInOrder) {
    Load(ScenarioJson(8, {DbJson(kDb, "SUSPECT", true, true)}), k2000);
    std::string path = dataPath();
    EXPECT_TRUE(qm::ReShutdown(*app, app->cSQLVersion, kDb, path));
    EXPECT_EQ(app->cMsg, "");
    EXPECT_THAT(Sent(), ElementsAre(LookupPath(kDb), kAllowOn, kReconfigure, kEmergency, Rebuild(), kDboOff,
                                    kAllowOff, kReconfigure));
    EXPECT_THAT(Failed(), ElementsAre(false, false, false, false, false, false, false, false));
    EXPECT_EQ(path, PathOf(kDb + ".LDF"));
    // The recorded log was moved aside and kept.
    ASSERT_EQ(observer.moves.size(), 1u);
    EXPECT_EQ(observer.moves[0].newPath, PathOf(kDb + "_LOG.LDF." + kStamp + ".bak"));
    EXPECT_TRUE(std::filesystem::exists(observer.moves[0].newPath));
}

TEST_F(ReShutdown2000, MissingDataFileSendsNothing) {
    Load(ScenarioJson(8, {DbJson(kDb, "SUSPECT", false, true)}), k2000);
    std::string path = dataPath();
    EXPECT_FALSE(qm::ReShutdown(*app, app->cSQLVersion, kDb, path));
    EXPECT_EQ(app->cMsg, "错误：未找到数据文件");
    EXPECT_TRUE(Sent().empty());
}

TEST_F(ReShutdown2000, HeldLogIsRetriedAndTheClosingStatementsFollow) {
    LoadWithLogAtDerivedPath();
    const std::string log = PathOf(kDb + ".LDF");
    files.Refuse(log, "拒绝的权限", 2);  // both first checkpoints meet the held file
    std::string path = dataPath();
    EXPECT_TRUE(qm::ReShutdown_2000(*app, kDb, path));
    EXPECT_EQ(app->cMsg, "");
    EXPECT_THAT(Sent(), ElementsAre(LookupPath(kDb), kAllowOn, kReconfigure, kEmergency, Rebuild(), Rebuild(),
                                    kDboOff, kAllowOff, kReconfigure));
    EXPECT_THAT(MessageOf(4), HasSubstr("应重命名或删除该文件"));
    EXPECT_TRUE(std::filesystem::exists(log + "." + kStamp + ".bak"));
}

TEST_F(ReShutdown2000, EnglishPermissionTextIsAcceptedFirstButNotBeforeTheRetry) {
    LoadWithLogAtDerivedPath();
    files.Refuse(PathOf(kDb + ".LDF"), "Permission Denied");
    std::string path = dataPath();
    EXPECT_FALSE(qm::ReShutdown_2000(*app, kDb, path));
    EXPECT_EQ(app->cMsg, "Permission Denied");
    // Past both first checkpoints, stopped before the retry, 'allow updates' turned off again.
    EXPECT_THAT(Sent(), ElementsAre(LookupPath(kDb), kAllowOn, kReconfigure, kEmergency, Rebuild(), kAllowOff,
                                    kReconfigure));
    EXPECT_EQ(observer.moves.size(), 3u);
}

TEST_F(ReShutdown2000, LowerCaseEnglishTextIsAcceptedAtTheFirstCheckpoints) {
    Load(ScenarioJson(8, {DbJson(kDb, "SUSPECT", true, true)}), k2000);
    files.Refuse(PathOf(kDb + "_LOG.LDF"), "permission denied");
    std::string path = dataPath();
    // The held log is not in the rebuild's way (it goes to the derived path), so the run succeeds.
    EXPECT_TRUE(qm::ReShutdown_2000(*app, kDb, path));
    EXPECT_EQ(Sent().size(), 8u);
}

TEST_F(ReShutdown2000, OtherRefusalEndsBeforeAllowUpdatesIsTouched) {
    Load(ScenarioJson(8, {DbJson(kDb, "SUSPECT", true, true)}), k2000);
    files.Refuse(PathOf(kDb + "_LOG.LDF"), "permission denied for now");
    std::string path = dataPath();
    EXPECT_FALSE(qm::ReShutdown_2000(*app, kDb, path));
    EXPECT_EQ(app->cMsg, "permission denied for now");
    EXPECT_THAT(Sent(), ElementsAre(LookupPath(kDb)));
}

TEST_F(ReShutdown2000, FailedRetryEndsWithItsMessageAndAllowUpdatesOff) {
    LoadWithLogAtDerivedPath();
    files.Refuse(PathOf(kDb + ".LDF"), "拒绝的权限");
    std::string path = dataPath();
    EXPECT_FALSE(qm::ReShutdown_2000(*app, kDb, path));
    EXPECT_THAT(Sent(), ElementsAre(LookupPath(kDb), kAllowOn, kReconfigure, kEmergency, Rebuild(), Rebuild(),
                                    kAllowOff, kReconfigure));
    EXPECT_EQ(app->cMsg, MessageOf(5));
    EXPECT_THAT(app->cMsg, HasSubstr("应重命名或删除该文件"));
}

TEST_F(ReShutdown2000, FailureAfterAllowUpdatesTurnsItOffAndKeepsTheOriginalText) {
    Load(ScenarioJson(8, {DbJson(kDb, "SUSPECT", true, false)}), k2000);
    engine->AddFault({"dbcc rebuild_log", 1, 5030, "未能排它地锁定数据库以执行该操作。"});
    engine->AddFault({"'allow updates',0", 1, 15247, "没有权限"});
    std::string path = dataPath();
    EXPECT_FALSE(qm::ReShutdown_2000(*app, kDb, path));
    EXPECT_EQ(app->cMsg, "未能排它地锁定数据库以执行该操作。");
    EXPECT_THAT(Sent(), ElementsAre(LookupPath(kDb), kAllowOn, kReconfigure, kEmergency, Rebuild(), kAllowOff,
                                    kReconfigure));
}

TEST_F(ReShutdown2000, RefusedConfigureEndsWithTheLastFailureAmongTheStatements) {
    Load(ScenarioJson(8, {DbJson(kDb, "SUSPECT", true, false)}), k2000);
    engine->AddFault({"'allow updates',1", 1, 15247, "用户没有执行 sp_configure 的权限。"});
    std::string path = dataPath();
    EXPECT_FALSE(qm::ReShutdown_2000(*app, kDb, path));
    // Without 'allow updates' the status is not written and the rebuild refuses: its message is the
    // last failure and the report.
    EXPECT_THAT(Failed(), ElementsAre(false, true, false, true, true, false, false));
    EXPECT_EQ(app->cMsg, MessageOf(4));
    EXPECT_THAT(app->cMsg, HasSubstr("旁路恢复模式"));
    EXPECT_THAT(Sent(), ElementsAre(LookupPath(kDb), kAllowOn, kReconfigure, kEmergency, Rebuild(), kAllowOff,
                                    kReconfigure));
}

TEST_F(ReShutdown2000, ClosingStatementsAllRunAndTheLastFailureIsReported) {
    Load(ScenarioJson(8, {DbJson(kDb, "SUSPECT", true, false)}), k2000);
    engine->AddFault({"sp_dboption", 1, 15010, "dboption refused"});
    std::string path = dataPath();
    EXPECT_FALSE(qm::ReShutdown_2000(*app, kDb, path));
    EXPECT_EQ(app->cMsg, "dboption refused");
    EXPECT_THAT(Sent(), ElementsAre(LookupPath(kDb), kAllowOn, kReconfigure, kEmergency, Rebuild(), kDboOff,
                                    kAllowOff, kReconfigure));
}

TEST_F(ReShutdown2000, LowerCaseDataPathIsNotDerived) {
    const std::string db = "ufdata_lower";
    Load(ScenarioJson(8, {DbJson(db, "SUSPECT", true, false)}), k2000);
    // The fixture's folder is upper case; only the file name part is lower case here.
    std::filesystem::rename(PathOf(db + ".MDF"), PathOf("ufdata_lower.mdf"));
    std::string path = PathOf("ufdata_lower.mdf");
    qm::ReShutdown_2000(*app, db, path);
    EXPECT_EQ(path, PathOf("ufdata_lower.mdf"));
    EXPECT_EQ(Sent().at(4), "dbcc rebuild_log('ufdata_lower ','" + PathOf("ufdata_lower.mdf") + "')");
}

} // namespace
