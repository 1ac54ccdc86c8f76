// The log rebuild on SQL Server 2005/2008, against the simulator's transcript.
#include "RepairFixture.h"

#include "repair/ReShutdown.h"

#include <gmock/gmock.h>

using namespace qmtest;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

const std::string kDb = "UFDATA_001_2015";

class ReShutdown2005 : public RepairFixture {
protected:
    std::string Alter(const std::string& tail) const { return "alter database " + kDb + tail; }
    std::string Rebuild(const std::string& logicalName = "Ufmodel_LOG") const {
        return Alter(" Rebuild Log on (name=" + logicalName + ",filename='" + PathOf(kDb + "_LOG.LDF") + "') ");
    }
    std::string dataPath() const { return PathOf(kDb + ".MDF"); }
};

TEST_F(ReShutdown2005, HealthyRebuildSendsTheFiveStatementsInOrder) {
    Load(ScenarioJson(9, {DbJson(kDb, "SUSPECT", true, false)}), k2005);
    std::string path = dataPath();
    EXPECT_TRUE(qm::ReShutdown(*app, app->cSQLVersion, kDb, path));
    EXPECT_EQ(app->cMsg, "");
    EXPECT_THAT(Sent(), ElementsAre(LookupPath(kDb), Alter(" set emergency "),
                                    Alter(" set single_user with rollback immediate "), Rebuild(),
                                    Alter(" set multi_user"), Alter(" set ONLINE")));
    EXPECT_THAT(Failed(), ElementsAre(false, false, false, false, false, false));
    EXPECT_EQ(path, PathOf(kDb + ".LDF"));  // the caller sees the derived log path
    EXPECT_TRUE(observer.moves.empty());
}

TEST_F(ReShutdown2005, On2008WithoutProductTheLogicalNameComesFromTheServer) {
    Load(ScenarioJson(10, {DbJson(kDb, "SUSPECT", true, false, "", "UFDATA_LOGICAL_LOG")}), k2008, "");
    std::string path = dataPath();
    EXPECT_TRUE(qm::ReShutdown(*app, app->cSQLVersion, kDb, path));
    EXPECT_EQ(app->cMsg, "");
    EXPECT_THAT(Sent(), ElementsAre(LookupPath(kDb), LookupName(kDb), Alter(" set emergency "),
                                    Alter(" set single_user with rollback immediate "),
                                    Rebuild("UFDATA_LOGICAL_LOG"), Alter(" set multi_user"), Alter(" set ONLINE")));
}

TEST_F(ReShutdown2005, TPlusUsesItsOwnLogicalName) {
    Load(ScenarioJson(10, {DbJson(kDb, "SUSPECT", true, false, "", "MsSql_log")}), k2008, "T+");
    std::string path = dataPath();
    EXPECT_TRUE(qm::ReShutdown(*app, app->cSQLVersion, kDb, path));
    EXPECT_EQ(Sent().at(3), Rebuild("MsSql_log"));
}

TEST_F(ReShutdown2005, MissingDataFileSendsNothing) {
    Load(ScenarioJson(9, {DbJson(kDb, "SUSPECT", false, true)}), k2005);
    std::string path = dataPath();
    EXPECT_FALSE(qm::ReShutdown(*app, app->cSQLVersion, kDb, path));
    EXPECT_EQ(app->cMsg, "错误：未找到数据文件");
    EXPECT_TRUE(Sent().empty());
    EXPECT_THAT(Files(), ElementsAre(kDb + "_LOG.LDF"));
}

TEST_F(ReShutdown2005, StaleLogsAreMovedAsideBeforeAnyStatementAndKept) {
    Load(ScenarioJson(9, {DbJson(kDb, "SUSPECT", true, true)}), k2005);
    const std::string staleLog = PathOf(kDb + "_LOG.LDF");
    const std::string staleDerived = PathOf(kDb + ".LDF");
    WriteFile(staleLog, "old log");
    WriteFile(staleDerived, "older log");
    std::string path = dataPath();
    EXPECT_TRUE(qm::ReShutdown_2005(*app, kDb, path));
    EXPECT_EQ(app->cMsg, "");

    ASSERT_EQ(observer.moves.size(), 2u);
    EXPECT_EQ(observer.moves[0].path, staleLog);
    EXPECT_EQ(observer.moves[0].newPath, staleLog + "." + kStamp + ".bak");
    EXPECT_EQ(observer.moves[1].path, staleDerived);
    EXPECT_EQ(observer.moves[1].newPath, staleDerived + "." + kStamp + ".bak");
    EXPECT_EQ(ReadFile(staleLog + "." + kStamp + ".bak"), "old log");
    EXPECT_EQ(ReadFile(staleDerived + "." + kStamp + ".bak"), "older log");
    // Only the lookup went out before the files were out of the way.
    ASSERT_GE(observer.events.size(), 4u);
    EXPECT_EQ(observer.events[0], "sql " + LookupPath(kDb));
    EXPECT_EQ(observer.events[1], "move " + staleLog);
    EXPECT_EQ(observer.events[2], "move " + staleDerived);
    EXPECT_EQ(observer.events[3], "sql " + Alter(" set emergency "));
    // The folder holds the data file, the server's new log and the two kept logs — nothing else.
    EXPECT_THAT(Files(), ElementsAre(kDb + ".LDF." + kStamp + ".bak", kDb + ".MDF", kDb + "_LOG.LDF",
                                     kDb + "_LOG.LDF." + kStamp + ".bak"));
    EXPECT_NE(ReadFile(staleLog), "old log");
    EXPECT_EQ(Sent().at(3), Rebuild());
    EXPECT_THAT(Failed(), ElementsAre(false, false, false, false, false, false));
}

TEST_F(ReShutdown2005, HeldLogIsTriedAgainAndTheRebuildRetriedOnce) {
    Load(ScenarioJson(9, {DbJson(kDb, "SUSPECT", true, true)}), k2005);
    const std::string log = PathOf(kDb + "_LOG.LDF");
    files.Refuse(log, "拒绝的权限", 1);  // the server lets go of it before the retry
    std::string path = dataPath();
    EXPECT_TRUE(qm::ReShutdown_2005(*app, kDb, path));
    EXPECT_EQ(app->cMsg, "");
    EXPECT_THAT(Sent(), ElementsAre(LookupPath(kDb), Alter(" set emergency "),
                                    Alter(" set single_user with rollback immediate "), Rebuild(), Rebuild(),
                                    Alter(" set multi_user"), Alter(" set ONLINE")));
    EXPECT_THAT(Failed(), ElementsAre(false, false, false, true, false, false, false));
    EXPECT_THAT(MessageOf(3), HasSubstr("应该重命名或删除它"));
    ASSERT_EQ(observer.moves.size(), 2u);
    EXPECT_EQ(observer.moves[0].error, "拒绝的权限");
    EXPECT_EQ(observer.moves[0].newPath, "");
    EXPECT_EQ(observer.moves[1].error, "");
    EXPECT_TRUE(std::filesystem::exists(log + "." + kStamp + ".bak"));
}

TEST_F(ReShutdown2005, FailedRetryIsAFailureWithTheRetrysMessage) {
    Load(ScenarioJson(9, {DbJson(kDb, "SUSPECT", true, true)}), k2005);
    files.Refuse(PathOf(kDb + "_LOG.LDF"), "拒绝的权限");
    std::string path = dataPath();
    EXPECT_FALSE(qm::ReShutdown_2005(*app, kDb, path));
    EXPECT_THAT(Sent(), ElementsAre(LookupPath(kDb), Alter(" set emergency "),
                                    Alter(" set single_user with rollback immediate "), Rebuild(), Rebuild()));
    EXPECT_EQ(app->cMsg, MessageOf(4));
    EXPECT_THAT(app->cMsg, HasSubstr("应该重命名或删除它"));
}

TEST_F(ReShutdown2005, OtherRefusalsEndTheSequenceBeforeAnyStatement) {
    Load(ScenarioJson(9, {DbJson(kDb, "SUSPECT", true, true)}), k2005);
    files.Refuse(PathOf(kDb + "_LOG.LDF"), "磁盘错误");
    std::string path = dataPath();
    EXPECT_FALSE(qm::ReShutdown_2005(*app, kDb, path));
    EXPECT_EQ(app->cMsg, "磁盘错误");
    EXPECT_THAT(Sent(), ElementsAre(LookupPath(kDb)));
}

TEST_F(ReShutdown2005, EnglishPermissionTextIsNotAcceptedHere) {
    Load(ScenarioJson(9, {DbJson(kDb, "SUSPECT", true, true)}), k2005);
    files.Refuse(PathOf(kDb + "_LOG.LDF"), "Permission denied");
    std::string path = dataPath();
    EXPECT_FALSE(qm::ReShutdown_2005(*app, kDb, path));
    EXPECT_EQ(app->cMsg, "Permission denied");
    EXPECT_THAT(Sent(), ElementsAre(LookupPath(kDb)));
}

TEST_F(ReShutdown2005, FailedEmergencyIsReportedEvenWhenTheRebuildSucceeds) {
    Load(ScenarioJson(9, {DbJson(kDb, "SUSPECT", true, false)}), k2005);
    engine->AddFault({"set emergency", 1, 5011, "用户没有更改数据库 'UFDATA_001_2015' 的权限。"});
    std::string path = dataPath();
    EXPECT_FALSE(qm::ReShutdown_2005(*app, kDb, path));
    EXPECT_EQ(app->cMsg, "用户没有更改数据库 'UFDATA_001_2015' 的权限。");
    EXPECT_THAT(Sent(), ElementsAre(LookupPath(kDb), Alter(" set emergency "),
                                    Alter(" set single_user with rollback immediate "), Rebuild()));
    EXPECT_THAT(Failed(), ElementsAre(false, true, false, false));
}

TEST_F(ReShutdown2005, BothClosingStatementsRunAndTheLastFailureIsReported) {
    Load(ScenarioJson(9, {DbJson(kDb, "SUSPECT", true, false)}), k2005);
    engine->AddFault({"set multi_user", 1, 5070, "multi_user refused"});
    std::string path = dataPath();
    EXPECT_FALSE(qm::ReShutdown_2005(*app, kDb, path));
    EXPECT_EQ(app->cMsg, "multi_user refused");
    EXPECT_EQ(Sent().back(), Alter(" set ONLINE"));

    engine->ClearTranscript();
    engine->AddFault({"set multi_user", 1, 5070, "multi_user refused"});
    engine->AddFault({"set ONLINE", 1, 5070, "online refused"});
    path = dataPath();
    EXPECT_FALSE(qm::ReShutdown_2005(*app, kDb, path));
    EXPECT_EQ(app->cMsg, "online refused");
}

TEST_F(ReShutdown2005, RoutineFailingWithoutTextLeavesCMsgEmpty) {
    Load(ScenarioJson(9, {DbJson(kDb, "SUSPECT", true, false)}), k2005);
    engine->AddFault({"Rebuild Log", 1, 5000, ""});
    std::string path = dataPath();
    EXPECT_FALSE(qm::ReShutdown_2005(*app, kDb, path));
    EXPECT_EQ(app->cMsg, "");
}

TEST_F(ReShutdown2005, EmptyDataPathTouchesNoDerivedFile) {
    Load(ScenarioJson(9, {DbJson(kDb, "SUSPECT", true, true)}), k2005);
    std::string path;
    EXPECT_TRUE(qm::ReShutdown_2005(*app, kDb, path));
    EXPECT_EQ(path, "");
    EXPECT_EQ(files.emptyPathCalls, 0);
    ASSERT_EQ(observer.moves.size(), 1u);
    EXPECT_EQ(observer.moves[0].path, PathOf(kDb + "_LOG.LDF"));
    EXPECT_EQ(Sent().at(3), Rebuild());
}

TEST_F(ReShutdown2005, NamesThatAreNoIdentifiersAreQuoted) {
    const std::string db = "UFDATA 001'2015";
    Load(ScenarioJson(9, {DbJson(db, "SUSPECT", true, false)}), k2005);
    std::string path = PathOf(db + ".MDF");
    EXPECT_TRUE(qm::ReShutdown_2005(*app, db, path)) << app->cMsg;
    const std::string alter = "alter database [UFDATA 001'2015]";
    const std::string log = PathOf("UFDATA 001''2015_LOG.LDF");
    EXPECT_THAT(Sent(), ElementsAre(LookupPath("UFDATA 001''2015"), alter + " set emergency ",
                                    alter + " set single_user with rollback immediate ",
                                    alter + " Rebuild Log on (name=Ufmodel_LOG,filename='" + log + "') ",
                                    alter + " set multi_user", alter + " set ONLINE"));
}

TEST_F(ReShutdown2005, VersionDispatch) {
    Load(ScenarioJson(9, {DbJson(kDb, "SUSPECT", true, false)}), k2005);
    std::string path = dataPath();
    EXPECT_TRUE(qm::ReShutdown(*app, "Microsoft SQL Server 12.0.2000.8", kDb, path));
    EXPECT_TRUE(qm::ReShutdown(*app, "", kDb, path));
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(path, dataPath());
}

} // namespace
