// Discovery against the simulator: which query runs for each server generation and system database,
// what lands in the grid, the count and the report label, and how failures are shown.
#include "discovery/LoadAcc.h"
#include "SimHarness.h"

#include <gtest/gtest.h>

using namespace qm;
using qmtest::RowOf;
using qmtest::SimHarness;

namespace {

const std::string kProbeEx = "select name from sys.databases where 1=1 and ";
const std::string kProbe2000 = "select name from sysdatabases where 1=1 and ";
const std::vector<std::string> kAccountHeader = {"DB", "选择", "账套号", "账套名称", "年度", "路径", "报告"};
const std::vector<std::string> kAllHeader = {"DB", "选择", "空", "数据库", "空", "路径", "报告"};

std::string Db(const std::string& name, const std::string& state, const std::string& flags = "") {
    std::string j = R"({"name": ")" + name + R"(", "state": ")" + state + R"(", "data_file": ")" + name +
                     R"(.MDF", "log_file": ")" + name + R"(_LOG.LDF")";
    if (!flags.empty()) j += R"(, "flags": [)" + flags + "]";
    return j + "}";
}

std::string Scenario(const std::string& version, const std::string& databases, const std::string& extra = "") {
    return R"({"version": ")" + version + R"(", "edition": "Standard Edition", "logins": {"sa": ""},
              "databases": [)" + databases + "]" + extra + "}";
}

const std::string kUa = R"(, "ua_account": [{"cAcc_id": "001", "cAcc_Name": "演示公司"},
                                           {"cAcc_id": "003", "cAcc_Name": "三号公司"}])";
const std::string kEap = R"(, "eap_account": [{"cAcc_Num": "101", "cAcc_Name": "T加演示", "iYear": 2015,
                                               "DsName": "UFTDATA_101_2015"}])";

// Abnormal and healthy databases of every family, for 2005 and 2008.
const std::string kMixedEx = Db("UFDATA_001_2015", "SUSPECT") + "," + Db("UFDATA_002_2014", "EMERGENCY") + "," +
                             Db("UFDATA_003_2015", "ONLINE") + "," + Db("UFTDATA_101_2015", "SUSPECT") + "," +
                             Db("UFTDATA_102_2015", "OFFLINE") + "," + Db("REPORTS", "EMERGENCY");

// The same on 2000, by flags.
const std::string kMixed2000 =
    Db("UFDATA_001_2015", "SUSPECT", R"("IsShutdown")") + "," + Db("UFDATA_002_2014", "SUSPECT", R"("IsSuspect")") +
    "," + Db("UFDATA_003_2015", "ONLINE", "") + "," + Db("UFTDATA_101_2015", "SUSPECT", R"("IsInStandBy")") + "," +
    Db("UFTDATA_102_2015", "OFFLINE", R"("IsOffline")") + "," + Db("REPORTS", "SUSPECT", R"("IsSuspect")");

struct LoadAccSim : ::testing::Test {
    SimHarness sim;
    MainModel m;

    void ExpectLayout() {
        EXPECT_EQ(m.grid.fixedRows, 1);
        EXPECT_EQ(m.grid.headerHeightTwips, 500);
        EXPECT_EQ(m.grid.colWidthsTwips, (std::vector<int>{0, 500, 800, 2000, 500, 4000, 3000}));
        EXPECT_EQ(m.grid.currentRow, 1);
    }
    void ExpectPathCell(int row, const std::string& file) {
        const std::string& p = m.grid.Cell(row, kColPath);
        EXPECT_NE(p.find(sim.dataDir), std::string::npos) << p;
        EXPECT_TRUE(p.size() >= file.size() && p.compare(p.size() - file.size(), file.size(), file) == 0) << p;
    }
};

} // namespace

TEST_F(LoadAccSim, Sql2005U8FamilyListsAbnormalAccountDatabasesWithTheirAccounts) {
    ASSERT_TRUE(sim.Start(Scenario("9.00.4035.00", kMixedEx, kUa)));
    ASSERT_EQ(sim.app->cProduct, "T");
    EXPECT_TRUE(LoadAcc(*sim.app, m)) << m.labReport.caption;

    EXPECT_EQ(sim.Sent(), (std::vector<std::string>{kProbeEx + "name='ufsystem'", kProbeEx + "name='uftsystem'",
                                                    kLoadAccQ1}));
    EXPECT_TRUE(sim.Failures().empty());
    ASSERT_EQ(m.grid.Rows(), 3);
    EXPECT_EQ(RowOf(m.grid, 0), kAccountHeader);
    auto r1 = RowOf(m.grid, 1);
    EXPECT_EQ(r1[0], "UFDATA_001_2015");
    EXPECT_EQ(r1[1], "");
    EXPECT_EQ(r1[2], "001");
    EXPECT_EQ(r1[3], "演示公司");
    EXPECT_EQ(r1[4], "2015");
    EXPECT_EQ(r1[6], "");
    ExpectPathCell(1, "UFDATA_001_2015.MDF");
    // No account "002": still listed, account cells empty, year from the name.
    EXPECT_EQ(RowOf(m.grid, 2)[0], "UFDATA_002_2014");
    EXPECT_EQ(RowOf(m.grid, 2)[2], "");
    EXPECT_EQ(RowOf(m.grid, 2)[3], "");
    EXPECT_EQ(RowOf(m.grid, 2)[4], "2014");
    EXPECT_EQ(m.iAccCount, 2);
    EXPECT_EQ(m.labReport.caption, "发现2个异常数据库");
    EXPECT_EQ(m.labReport.color, kRed);
    ExpectLayout();
}

TEST_F(LoadAccSim, Sql2008WithBothSystemDatabasesListsTPlusOnly) {
    ASSERT_TRUE(sim.Start(Scenario("10.0.2531.0", kMixedEx, kUa + kEap)));
    ASSERT_EQ(sim.app->cProduct, "T+");
    EXPECT_TRUE(LoadAcc(*sim.app, m)) << m.labReport.caption;
    EXPECT_EQ(sim.Sent().back(), kLoadAccQ2);
    ASSERT_EQ(m.grid.Rows(), 2);
    EXPECT_EQ(RowOf(m.grid, 0), kAccountHeader);
    auto r = RowOf(m.grid, 1);
    EXPECT_EQ(r[0], "UFTDATA_101_2015");
    EXPECT_EQ(r[2], "101");
    EXPECT_EQ(r[3], "T加演示");
    EXPECT_EQ(r[4], "2015");   // a number from the account table, shown as text
    EXPECT_EQ(m.iAccCount, 1);
    EXPECT_EQ(m.labReport.caption, "发现1个异常数据库");
}

TEST_F(LoadAccSim, WithoutAProductEveryAbnormalDatabaseIsListed) {
    ASSERT_TRUE(sim.Start(Scenario("9.00.1399.06", kMixedEx, kUa)));
    sim.app->cProduct.clear();   // "Show all"
    EXPECT_TRUE(LoadAcc(*sim.app, m)) << m.labReport.caption;
    EXPECT_EQ(sim.Sent().back(), kLoadAccQ3);
    EXPECT_EQ(RowOf(m.grid, 0), kAllHeader);
    std::vector<std::string> names;
    for (int r = 1; r < m.grid.Rows(); ++r) {
        names.push_back(m.grid.Cell(r, 0));
        EXPECT_EQ(m.grid.Cell(r, 2), "");
        EXPECT_EQ(m.grid.Cell(r, 3), m.grid.Cell(r, 0));
        EXPECT_EQ(m.grid.Cell(r, 4), "");
    }
    EXPECT_EQ(names, (std::vector<std::string>{"UFDATA_001_2015", "UFDATA_002_2014", "UFTDATA_101_2015", "REPORTS"}));
    EXPECT_EQ(m.iAccCount, 4);
    EXPECT_EQ(m.labReport.caption, "发现4个异常数据库");
}

TEST_F(LoadAccSim, Sql2000ChoosesByFlagsAndSystemDatabase) {
    ASSERT_TRUE(sim.Start(Scenario("8.00.2039", kMixed2000, kUa)));
    ASSERT_EQ(sim.app->cSQLVersion, "SQL Server 2000 SP4 标准版");
    EXPECT_TRUE(LoadAcc(*sim.app, m)) << m.labReport.caption;
    EXPECT_EQ(sim.Sent(), (std::vector<std::string>{kProbe2000 + "name='ufsystem'", kProbe2000 + "name='uftsystem'",
                                                    kLoadAccQ4}));
    ASSERT_EQ(m.grid.Rows(), 3);
    EXPECT_EQ(m.grid.Cell(1, 0), "UFDATA_001_2015");
    EXPECT_EQ(m.grid.Cell(1, 2), "001");
    EXPECT_EQ(m.grid.Cell(2, 0), "UFDATA_002_2014");
    EXPECT_EQ(m.iAccCount, 2);

    sim.app->cProduct.clear();
    sim.engine->ClearTranscript();
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
    ASSERT_EQ(m.grid.Rows(), 2);
    EXPECT_EQ(RowOf(m.grid, 1)[0], "UFTDATA_101_2015");
    EXPECT_EQ(RowOf(m.grid, 1)[4], "2015");
    EXPECT_TRUE(sim.Failures().empty());
}

TEST_F(LoadAccSim, NothingAbnormalGivesHeaderAndOneEmptyRowInBlue) {
    ASSERT_TRUE(sim.Start(Scenario("10.50.1600.1", Db("UFDATA_001_2015", "ONLINE"), kUa)));
    m.iAccCount = 5;
    EXPECT_TRUE(LoadAcc(*sim.app, m)) << m.labReport.caption;
    ASSERT_EQ(m.grid.Rows(), 2);
    EXPECT_EQ(RowOf(m.grid, 0), kAccountHeader);
    EXPECT_EQ(RowOf(m.grid, 1), std::vector<std::string>(7));
    EXPECT_EQ(m.iAccCount, 0);
    EXPECT_EQ(m.labReport.caption, "未发现任何异常数据库");
    EXPECT_EQ(m.labReport.color, kBlue);
    ExpectLayout();
}

TEST_F(LoadAccSim, AProductWithoutItsSystemDatabaseChoosesNoQuery) {
    ASSERT_TRUE(sim.Start(Scenario("9.00.4035.00", kMixedEx)));
    sim.app->cProduct = "U8";   // what the product's own login reported
    m.iAccCount = 3;
    m.grid.AppendRow({"stale"});
    EXPECT_FALSE(LoadAcc(*sim.app, m));
    EXPECT_EQ(sim.Sent(), (std::vector<std::string>{kProbeEx + "name='ufsystem'", kProbeEx + "name='uftsystem'"}));
    EXPECT_EQ(m.grid.Rows(), 0);
    EXPECT_EQ(m.iAccCount, 0);
    EXPECT_EQ(m.labReport.caption, "未能读取异常数据库列表：服务器版本不受支持或未找到账套系统库");
    EXPECT_EQ(m.labReport.color, kRed);
}

TEST_F(LoadAccSim, ANewerServerIsNotTakenForSql2000) {
    ASSERT_TRUE(sim.Start(Scenario("12.0.2000.8", kMixedEx, kUa)));
    EXPECT_EQ(sim.app->cSQLVersion, "12.0.2000.8. 标准版");
    EXPECT_FALSE(LoadAcc(*sim.app, m));
    EXPECT_TRUE(sim.Sent().empty());
    EXPECT_EQ(m.labReport.caption, "未能读取异常数据库列表：服务器版本不受支持或未找到账套系统库");
    EXPECT_EQ(m.iAccCount, 0);
}

TEST_F(LoadAccSim, ARejectedListQueryIsShownInRed) {
    ASSERT_TRUE(sim.Start(Scenario("9.00.4035.00", kMixedEx, kUa)));
    EXPECT_TRUE(LoadAcc(*sim.app, m)) << m.labReport.caption;
    ASSERT_EQ(m.iAccCount, 2);
    sim.engine->AddFault({"DATABASEPROPERTYEX(name,'Status')", 1, 1205, "事务与另一个进程被死锁。", 13});
    EXPECT_FALSE(LoadAcc(*sim.app, m));
    EXPECT_EQ(m.labReport.caption, "未能读取异常数据库列表：事务与另一个进程被死锁。");
    EXPECT_EQ(m.labReport.color, kRed);
    EXPECT_EQ(m.iAccCount, 0);   // no stale rows for the repair driver to walk
    EXPECT_EQ(m.grid.Rows(), 0);
}

TEST_F(LoadAccSim, AClosedConnectionIsShownInRed) {
    ASSERT_TRUE(sim.Start(Scenario("9.00.4035.00", kMixedEx, kUa)));
    sim.app->cProduct.clear();
    sim.app->oMaster = sim.factory->Create();   // never opened
    m.iAccCount = 2;
    EXPECT_FALSE(LoadAcc(*sim.app, m));
    EXPECT_EQ(m.labReport.caption, "未能读取异常数据库列表：对象关闭时，不允许操作。");
    EXPECT_EQ(m.iAccCount, 0);
    EXPECT_TRUE(sim.Sent().empty());
}

TEST_F(LoadAccSim, DiscoveryStatementsBelongToNoGridRow) {
    struct Rows : StatementObserver {
        std::vector<int> rows;
        void OnStatement(const StatementEvent& e) override { rows.push_back(e.row); }
        void OnFileMoved(int, const std::string&, const std::string&, const std::string&) override {}
    } observer;
    ASSERT_TRUE(sim.Start(Scenario("9.00.4035.00", kMixedEx, kUa)));
    sim.app->observer = &observer;
    sim.app->observerRow = 4;
    LoadAcc(*sim.app, m);
    EXPECT_EQ(observer.rows, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(sim.app->observerRow, 4);
}
