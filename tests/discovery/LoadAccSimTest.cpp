// Discovery and classification against the simulator: which query runs for each server generation and
// system database, what lands in the grid, the count and the report label, how failures are shown, and
// the state labels the server's answers give (awkward names included).
#include "discovery/DbState.h"
#include "discovery/LoadAcc.h"
#include "SimHarness.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace qmtest;

namespace {

using Rows = std::vector<std::string>;
const std::string kProbeEx = "select name from sys.databases where 1=1 and ";
const std::string kProbe2000 = "select name from sysdatabases where 1=1 and ";
const Rows kAccountHeader = {"DB", "选择", "账套号", "账套名称", "年度", "路径", "报告", "校验"};
const Rows kAllHeader = {"DB", "选择", "空", "数据库", "空", "路径", "报告", "校验"};
const std::string kUa = R"(, "ua_account": [{"cAcc_id": "001", "cAcc_Name": "演示公司"},
                                           {"cAcc_id": "003", "cAcc_Name": "三号公司"}])";
const std::string kEap = R"(, "eap_account": [{"cAcc_Num": "101", "cAcc_Name": "T加演示", "iYear": 2015,
                                               "DsName": "UFTDATA_101_2015"}])";
const std::string kNoQuery = "未能读取异常数据库列表：服务器版本不受支持或未找到账套系统库";

// Abnormal and healthy databases of every family, for 2005 and 2008, and the same on 2000 by flags.
const std::string kMixedEx = Db("UFDATA_001_2015", "SUSPECT") + "," + Db("UFDATA_002_2014", "EMERGENCY") + "," +
                             Db("UFDATA_003_2015", "ONLINE") + "," + Db("UFTDATA_101_2015", "SUSPECT") + "," +
                             Db("UFTDATA_102_2015", "OFFLINE") + "," + Db("REPORTS", "EMERGENCY");
const std::string kMixed2000 =
    Db("UFDATA_001_2015", "SUSPECT", R"("IsShutdown")") + "," + Db("UFDATA_002_2014", "SUSPECT", R"("IsSuspect")") +
    "," + Db("UFDATA_003_2015", "ONLINE") + "," + Db("UFTDATA_101_2015", "SUSPECT", R"("IsInStandBy")") + "," +
    Db("UFTDATA_102_2015", "OFFLINE", R"("IsOffline")") + "," + Db("REPORTS", "SUSPECT", R"("IsSuspect")");

// 2012 and later: a database whose recovery is pending is abnormal too.
const std::string kMixedModern = kMixedEx + "," + Db("UFDATA_004_2016", "RECOVERY_PENDING");

struct LoadAccSim : ::testing::Test {
    SimHarness sim;
    MainModel m;
    Rows Column(int c) {
        Rows out;
        for (int r = 1; r < m.grid.Rows(); ++r) out.push_back(m.grid.Cell(r, c));
        return out;
    }
    void ExpectFailure(const std::string& caption, AppState* app = nullptr) {
        EXPECT_FALSE(LoadAcc(app ? *app : *sim.app, m));
        EXPECT_EQ(m.labReport.caption, caption);
        EXPECT_EQ(m.labReport.color, kRed);
        EXPECT_EQ(m.iAccCount, 0);   // no stale rows for the repair driver to walk
        EXPECT_EQ(m.grid.Rows(), 0);
    }
};

} // namespace

TEST_F(LoadAccSim, Sql2005U8FamilyListsAbnormalAccountDatabasesWithTheirAccounts) {
    ASSERT_TRUE(sim.Start(Scenario("9.00.4035.00", kMixedEx, kUa)));
    ASSERT_EQ(sim.app->cProduct, "T");
    struct Recorder : StatementObserver {
        std::vector<int> rows;
        void OnStatement(const StatementEvent& e) override { rows.push_back(e.row); }
        void OnFileMoved(int, const std::string&, const std::string&, const std::string&) override {}
    } observer;
    sim.app->observer = &observer;
    sim.app->observerRow = 4;
    EXPECT_TRUE(LoadAcc(*sim.app, m)) << m.labReport.caption;
    EXPECT_EQ(sim.Sent(), (Rows{kProbeEx + "name='ufsystem'", kProbeEx + "name='uftsystem'", kLoadAccQ1}));
    EXPECT_EQ(observer.rows, (std::vector<int>{0, 0, 0}));   // discovery statements belong to no grid row
    EXPECT_EQ(sim.app->observerRow, 4);
    EXPECT_FALSE(sim.AnyFailure());
    ASSERT_EQ(m.grid.Rows(), 3);
    EXPECT_EQ(RowOf(m.grid, 0), kAccountHeader);
    // No account "002": still listed, account cells empty, year from the name.
    EXPECT_EQ(RowOf(m.grid, 1), (Rows{"UFDATA_001_2015", "", "001", "演示公司", "2015", m.grid.Cell(1, kColPath), "", ""}));
    EXPECT_EQ(RowOf(m.grid, 2), (Rows{"UFDATA_002_2014", "", "", "", "2014", m.grid.Cell(2, kColPath), "", ""}));
    EXPECT_EQ(m.grid.Cell(1, kColPath), sim.dataDir + "/UFDATA_001_2015.MDF");
    EXPECT_EQ(m.iAccCount, 2);
    EXPECT_EQ(m.labReport.caption, "发现2个异常数据库");
    EXPECT_EQ(m.labReport.color, kRed);
    EXPECT_EQ(m.grid.colWidthsTwips, (std::vector<int>{0, 500, 800, 2000, 500, 4000, 3000, 2000}));
    EXPECT_EQ(m.grid.currentRow, 1);
}

// The query for each generation and system database, and without a product every abnormal database
// (the account columns then name the database); 2000 goes by flags: shut down, suspect and standby
// count, offline does not.
TEST_F(LoadAccSim, TheQueryFollowsTheServerAndTheSystemDatabase) {
    const Rows kU8 = {"UFDATA_001_2015", "UFDATA_002_2014"}, kTPlus = {"UFTDATA_101_2015"},
               kAll = {"UFDATA_001_2015", "UFDATA_002_2014", "UFTDATA_101_2015", "REPORTS"};
    struct Case {
        std::string version, dbs, system, product;   // product: as detected
        bool all;                                    // after Show all
        const char* query;
        Rows listed, years;
    };
    const Case cases[] = {
        {"10.0.2531.0", kMixedEx, kUa + kEap, "T+", false, kLoadAccQ2, kTPlus, {"2015"}},   // the year is a number
        {"10.0.2531.0", kMixedEx, kUa + kEap, "T+", true, kLoadAccQ3, kAll, Rows(4)},
        {"8.00.2039", kMixed2000, kUa, "T", false, kLoadAccQ4, kU8, {"2015", "2014"}},
        {"8.00.2039", kMixed2000, kUa, "T", true, kLoadAccQ6, kAll, Rows(4)},
        {"8.00.760", kMixed2000, kEap, "T+", false, kLoadAccQ5, kTPlus, {"2015"}},
        {"16.0.1000.6", kMixedModern, kUa + kEap, "T+", false, kLoadAccQ8, kTPlus, {"2015"}},
        {"15.0.4153.1", kMixedModern, kUa + kEap, "T+", true, kLoadAccQ9,
         {"UFDATA_001_2015", "UFDATA_002_2014", "UFTDATA_101_2015", "REPORTS", "UFDATA_004_2016"}, Rows(5)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        SimHarness one;
        ASSERT_TRUE(one.Start(Scenario(c.version, c.dbs, c.system)));
        ASSERT_EQ(one.app->cProduct, c.product);
        if (c.all) one.app->cProduct.clear();
        EXPECT_TRUE(LoadAcc(*one.app, m)) << m.labReport.caption;
        EXPECT_EQ(one.Sent().back(), c.query);
        EXPECT_FALSE(one.AnyFailure());
        EXPECT_EQ(RowOf(m.grid, 0), c.all ? kAllHeader : kAccountHeader);
        EXPECT_EQ(Column(0), c.listed);
        EXPECT_EQ(Column(3), c.all ? c.listed : Column(3));
        EXPECT_EQ(Column(4), c.years);
        EXPECT_EQ(m.labReport.caption, "发现" + std::to_string(c.listed.size()) + "个异常数据库");
    }
}

TEST_F(LoadAccSim, NothingAbnormalGivesHeaderAndOneEmptyRowInBlue) {
    ASSERT_TRUE(sim.Start(Scenario("10.50.1600.1", Db("UFDATA_001_2015", "ONLINE"), kUa)));
    m.iAccCount = 5;
    EXPECT_TRUE(LoadAcc(*sim.app, m)) << m.labReport.caption;
    ASSERT_EQ(m.grid.Rows(), 2);
    EXPECT_EQ(RowOf(m.grid, 0), kAccountHeader);
    EXPECT_EQ(RowOf(m.grid, 1), Rows(qm::kGridColumns));
    EXPECT_EQ(m.iAccCount, 0);
    EXPECT_EQ(m.labReport.caption, "未发现任何异常数据库");
    EXPECT_EQ(m.labReport.color, kBlue);
}

TEST_F(LoadAccSim, NoQueryWithoutTheProductsSystemDatabaseOrOnANewerServer) {
    ASSERT_TRUE(sim.Start(Scenario("9.00.4035.00", kMixedEx)));
    sim.app->cProduct = "U8";   // what the product's own login reported
    m.iAccCount = 3;
    m.grid.AppendRow({"stale"});
    ExpectFailure(kNoQuery);
    EXPECT_EQ(sim.Sent(), (Rows{kProbeEx + "name='ufsystem'", kProbeEx + "name='uftsystem'"}));

    SimHarness newer;   // a major not known yet has no class
    ASSERT_TRUE(newer.Start(Scenario("18.0.1000.1", kMixedEx, kUa)));
    EXPECT_EQ(newer.app->cSQLVersion, "18.0.1000.1. 标准版");
    ExpectFailure(kNoQuery, newer.app.get());
    EXPECT_TRUE(newer.Sent().empty());
}

TEST_F(LoadAccSim, ARejectedListQueryOrAClosedConnectionIsShownInRed) {
    ASSERT_TRUE(sim.Start(Scenario("9.00.4035.00", kMixedEx, kUa)));
    EXPECT_TRUE(LoadAcc(*sim.app, m)) << m.labReport.caption;
    ASSERT_EQ(m.iAccCount, 2);
    sim.engine->AddFault({"DATABASEPROPERTYEX(name,'Status')", 1, 1205, "事务与另一个进程被死锁。", 13});
    ExpectFailure("未能读取异常数据库列表：事务与另一个进程被死锁。");

    sim.engine->ClearTranscript();
    sim.app->cProduct.clear();
    sim.app->oMaster = sim.factory->Create();   // never opened
    m.iAccCount = 2;
    ExpectFailure("未能读取异常数据库列表：对象关闭时，不允许操作。");
    EXPECT_TRUE(sim.Sent().empty());
}

// The state labels the server's answers give, names with blanks and apostrophes included.
TEST_F(LoadAccSim, StateLabelsFromTheServerIncludingAwkwardNames) {
    const std::string oBrien = "UFDATA_O'Brien 2015";
    const std::pair<std::string, std::vector<std::pair<std::string, std::string>>> servers[] = {
        {Scenario("10.0.2531.0", Db("A1", "SUSPECT") + "," + Db("UFDATA 002 2015", "EMERGENCY") + "," +
                                      Db(oBrien, "ONLINE") + "," + Db("A4", "OFFLINE")),
         {{"A1", "置疑"}, {"UFDATA 002 2015", "紧急只读状态"}, {oBrien, "在线"}, {"A4", "脱机"}, {"NO_SUCH_DB", "正常"}}},
        // Labels in probe order, each flag's own; two flags share 只读 and two share 脱机.
        {Scenario("8.00.2039", Db("S1", "SUSPECT", R"("IsShutdown", "IsSuspect")") + "," +
                                   Db("E2", "EMERGENCY", R"("IsReadOnly", "IsEmergencyMode", "IsInStandBy", "IsOffline")") +
                                   "," + Db("D3", "ONLINE", R"("IsSingleUser", "IsDetached", "IsDboOnly", "IsInLoad")") +
                                   "," + Db("R4", "ONLINE", R"("IsInRecovery")") + "," +
                                   Db(oBrien, "SUSPECT", R"("IsSuspect")") + "," + Db("OK", "ONLINE")),
         {{"S1", "置疑\\可疑"}, {"E2", "只读\\紧急\\只读\\脱机"}, {"D3", "单用户\\脱机\\DBO\\装载"}, {"R4", "恢复"},
          {oBrien, "可疑"}, {"OK", "正常"}}},
        {Scenario("16.0.1000.6", Db(oBrien, "RECOVERY_PENDING") + "," + Db("S", "SUSPECT") + "," + Db("E", "EMERGENCY") +
                                     "," + Db("R", "RESTORING")),
         {{oBrien, "恢复挂起"}, {"S", "置疑"}, {"E", "紧急只读状态"}, {"R", "还原"}, {"NO_SUCH_DB", "正常"}}},
    };
    for (const auto& [scenario, labels] : servers) {
        SimHarness one;
        ASSERT_TRUE(one.Start(scenario));
        for (const auto& [db, label] : labels)
            EXPECT_EQ(GetDbState(*one.app, one.app->versionClass, db, one.app->oMaster), label) << db;
        EXPECT_FALSE(one.AnyFailure());
        EXPECT_EQ(one.app->cMsg, "");
    }
}
