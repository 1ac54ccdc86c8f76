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

struct LoadAccSim : ::testing::Test {
    SimHarness sim;
    MainModel m;
    std::string State(const std::string& db) { return GetDbState(*sim.app, sim.app->cSQLVersion, db, sim.app->oMaster); }
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
    EXPECT_EQ(m.grid.fixedRows, 1);
    EXPECT_EQ(m.grid.headerHeightTwips, 500);
    EXPECT_EQ(m.grid.colWidthsTwips, (std::vector<int>{0, 500, 800, 2000, 500, 4000, 3000, 2000}));
    EXPECT_EQ(m.grid.currentRow, 1);
}

TEST_F(LoadAccSim, Sql2008WithBothSystemDatabasesListsTPlusAndWithoutProductEverything) {
    ASSERT_TRUE(sim.Start(Scenario("10.0.2531.0", kMixedEx, kUa + kEap)));
    ASSERT_EQ(sim.app->cProduct, "T+");
    EXPECT_TRUE(LoadAcc(*sim.app, m)) << m.labReport.caption;
    EXPECT_EQ(sim.Sent().back(), kLoadAccQ2);
    ASSERT_EQ(m.grid.Rows(), 2);
    EXPECT_EQ(RowOf(m.grid, 0), kAccountHeader);
    // The year is a number in the account table, shown as text.
    EXPECT_EQ(RowOf(m.grid, 1), (Rows{"UFTDATA_101_2015", "", "101", "T加演示", "2015", m.grid.Cell(1, kColPath), "", ""}));
    EXPECT_EQ(m.labReport.caption, "发现1个异常数据库");

    sim.app->cProduct.clear();   // "Show all"
    EXPECT_TRUE(LoadAcc(*sim.app, m)) << m.labReport.caption;
    EXPECT_EQ(sim.Sent().back(), kLoadAccQ3);
    EXPECT_EQ(RowOf(m.grid, 0), kAllHeader);
    EXPECT_EQ(Column(0), (Rows{"UFDATA_001_2015", "UFDATA_002_2014", "UFTDATA_101_2015", "REPORTS"}));
    EXPECT_EQ(Column(3), Column(0));
    EXPECT_EQ(Column(2), Rows(4));
    EXPECT_EQ(Column(4), Rows(4));
    EXPECT_EQ(m.iAccCount, 4);
    EXPECT_EQ(m.labReport.caption, "发现4个异常数据库");
}

TEST_F(LoadAccSim, Sql2000ChoosesByFlagsAndSystemDatabase) {
    ASSERT_TRUE(sim.Start(Scenario("8.00.2039", kMixed2000, kUa)));
    ASSERT_EQ(sim.app->cSQLVersion, "SQL Server 2000 SP4 标准版");
    EXPECT_TRUE(LoadAcc(*sim.app, m)) << m.labReport.caption;
    EXPECT_EQ(sim.Sent(), (Rows{kProbe2000 + "name='ufsystem'", kProbe2000 + "name='uftsystem'", kLoadAccQ4}));
    EXPECT_EQ(Column(0), (Rows{"UFDATA_001_2015", "UFDATA_002_2014"}));
    EXPECT_EQ(Column(2), (Rows{"001", ""}));
    sim.app->cProduct.clear();
    EXPECT_TRUE(LoadAcc(*sim.app, m)) << m.labReport.caption;
    EXPECT_EQ(sim.Sent().back(), kLoadAccQ6);
    EXPECT_EQ(m.iAccCount, 4);   // shut down, suspect and standby count; offline does not
    EXPECT_EQ(RowOf(m.grid, 0), kAllHeader);
}

TEST_F(LoadAccSim, Sql2000TPlus) {
    ASSERT_TRUE(sim.Start(Scenario("8.00.760", kMixed2000, kEap)));
    ASSERT_EQ(sim.app->cProduct, "T+");
    EXPECT_TRUE(LoadAcc(*sim.app, m)) << m.labReport.caption;
    EXPECT_EQ(sim.Sent().back(), kLoadAccQ5);
    EXPECT_EQ(Column(0), Rows{"UFTDATA_101_2015"});
    EXPECT_EQ(Column(4), Rows{"2015"});
    EXPECT_FALSE(sim.AnyFailure());
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

    SimHarness newer;   // 12.0.2000.8 contains "2000" but is no SQL Server 2000
    ASSERT_TRUE(newer.Start(Scenario("12.0.2000.8", kMixedEx, kUa)));
    EXPECT_EQ(newer.app->cSQLVersion, "12.0.2000.8. 标准版");
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

TEST_F(LoadAccSim, StateLabelsFromTheServerIncludingAwkwardNames) {
    ASSERT_TRUE(sim.Start(Scenario("9.00.4035.00", Db("A1", "SUSPECT") + "," + Db("UFDATA 002 2015", "EMERGENCY") +
                                                        "," + Db("UFDATA_O'Brien 2015", "ONLINE") + "," +
                                                        Db("A4", "OFFLINE"))));
    EXPECT_EQ(State("A1"), "置疑");
    EXPECT_EQ(State("UFDATA 002 2015"), "紧急只读状态");
    EXPECT_EQ(State("UFDATA_O'Brien 2015"), "在线");
    EXPECT_EQ(State("A4"), "脱机");
    EXPECT_EQ(State("NO_SUCH_DB"), "正常");   // NULL status
    EXPECT_FALSE(sim.AnyFailure());
    EXPECT_EQ(sim.app->cMsg, "");
}

TEST_F(LoadAccSim, Sql2000StateLabelsFromTheServerIncludingAwkwardNames) {
    ASSERT_TRUE(sim.Start(Scenario(
        "8.00.2039", Db("S1", "SUSPECT", R"("IsShutdown", "IsSuspect")") + "," +
                         Db("E2", "EMERGENCY", R"("IsEmergencyMode", "IsInStandBy", "IsOffline")") + "," +
                         Db("UFDATA_O'Brien 2015", "SUSPECT", R"("IsSuspect")") + "," + Db("OK", "ONLINE"))));
    EXPECT_EQ(State("S1"), "置疑\\可疑");
    EXPECT_EQ(State("E2"), "紧急\\只读\\脱机");
    EXPECT_EQ(State("UFDATA_O'Brien 2015"), "可疑");
    EXPECT_EQ(State("OK"), "正常");
    EXPECT_EQ(sim.Sent().size(), 44u);   // eleven probes each
    EXPECT_FALSE(sim.AnyFailure());
}
