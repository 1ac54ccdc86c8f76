// Discovery and classification against the simulator: which query runs for each server generation and
// system database, what lands in the grid, the count and the report label, how failures are shown, and
// the state labels the server's answers give (awkward names included).
#include "discovery/DbState.h"
#include "discovery/LoadAcc.h"
#include "SimHarness.h"
#include "support/Seams.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace qmtest;

namespace {

using Rows = std::vector<std::string>;
const std::string kProbeEx = "select name from sys.databases where 1=1 and ";
const Rows kAccountHeader = {"DB", "选择", "账套号", "账套名称", "年度", "路径", "报告", "校验"};
const Rows kAllHeader = {"DB", "选择", "空", "数据库", "空", "路径", "报告", "校验"};
const std::string kUa = R"(, "ua_account": [{"cAcc_id": "001", "cAcc_Name": "演示公司"},
                                           {"cAcc_id": "003", "cAcc_Name": "三号公司"}])";
const std::string kEap = R"(, "eap_account": [{"cAcc_Num": "101", "cAcc_Name": "T加演示", "iYear": 2015,
                                               "DsName": "UFTDATA_101_2015"}])";
const std::string kNoQuery = "未能读取异常数据库列表：服务器版本不受支持或未找到账套系统库";

// SQL Server 2000 knows its databases' states by flags.
std::string Db2000(const std::string& name, const std::string& flags = "") {
    return Db(name, "ONLINE", flags.empty() ? "" : R"(, "flags": [)" + flags + "]");
}
// Abnormal and healthy databases of every family, for 2005 and 2008, and the same on 2000 by flags.
const std::string kMixedEx = Db("UFDATA_001_2015", "SUSPECT") + "," + Db("UFDATA_002_2014", "EMERGENCY") + "," +
                             Db("UFDATA_003_2015", "ONLINE") + "," + Db("UFTDATA_101_2015", "SUSPECT") + "," +
                             Db("UFTDATA_102_2015", "OFFLINE") + "," + Db("REPORTS", "EMERGENCY");
const std::string kMixed2000 = Db2000("UFDATA_001_2015", R"("IsShutdown")") + "," +
                               Db2000("UFDATA_002_2014", R"("IsSuspect")") + "," + Db2000("UFDATA_003_2015") + "," +
                               Db2000("UFTDATA_101_2015", R"("IsInStandBy")") + "," +
                               Db2000("UFTDATA_102_2015", R"("IsOffline")") + "," + Db2000("REPORTS", R"("IsSuspect")");

// 2012 and later: a database whose recovery is pending is abnormal too.
const std::string kMixedModern = kMixedEx + "," + Db("UFDATA_004_2016", "RECOVERY_PENDING");

struct LoadAccSim : SignedIn {
    MainModel m;
    Rows Column(int c) {
        Rows out;
        for (int r = 1; r < m.grid.Rows(); ++r) out.push_back(m.grid.Cell(r, c));
        return out;
    }
    void ExpectFailure(const std::string& caption) {
        EXPECT_FALSE(LoadAcc(*app, m));
        EXPECT_EQ(m.labReport.caption, caption);
        EXPECT_EQ(m.labReport.color, kRed);
        EXPECT_EQ(m.iAccCount, 0); // no stale rows for the repair driver to walk
        EXPECT_EQ(m.grid.Rows(), 0);
    }
};

} // namespace

TEST_F(LoadAccSim, Sql2005U8FamilyListsAbnormalAccountDatabasesAndAFailedReloadShowsInRed) {
    ASSERT_TRUE(Start(Scenario("9.00.4035.00", kMixedEx, kUa)));
    ASSERT_EQ(app->cProduct, "T");
    StatementLog observer;
    app->observer = &observer;
    app->observerRow = 4;
    EXPECT_TRUE(LoadAcc(*app, m)) << m.labReport.caption;
    EXPECT_EQ(Sent(), (Rows{kProbeEx + "name='ufsystem'", kProbeEx + "name='uftsystem'", kLoadAccQ1}));
    ASSERT_EQ(observer.statements.size(), 3u);
    for (const auto& e : observer.statements) EXPECT_EQ(e.row, 0) << e.sql; // discovery belongs to no grid row
    EXPECT_EQ(app->observerRow, 4);
    EXPECT_FALSE(AnyFailure());
    ASSERT_EQ(m.grid.Rows(), 3);
    EXPECT_EQ(RowOf(m.grid, 0), kAccountHeader);
    // No account "002": still listed, account cells empty, year from the name.
    EXPECT_EQ(RowOf(m.grid, 1),
              (Rows{"UFDATA_001_2015", "", "001", "演示公司", "2015", P("UFDATA_001_2015.MDF"), "", ""}));
    EXPECT_EQ(RowOf(m.grid, 2), (Rows{"UFDATA_002_2014", "", "", "", "2014", P("UFDATA_002_2014.MDF"), "", ""}));
    EXPECT_EQ(m.iAccCount, 2);
    EXPECT_EQ(m.labReport.caption, "发现2个异常数据库");
    EXPECT_EQ(m.labReport.color, kRed);
    EXPECT_EQ(m.grid.currentRow, 1);

    // A rejected list query, then a closed connection, are shown in red, the rows just listed dropped.
    engine->AddFault({"DATABASEPROPERTYEX(name,'Status')", 1, 1205, "事务与另一个进程被死锁。", 13});
    ExpectFailure("未能读取异常数据库列表：事务与另一个进程被死锁。");

    engine->ClearTranscript();
    app->cProduct.clear();
    app->oMaster = factory->Create(); // never opened
    m.iAccCount = 2;
    ExpectFailure("未能读取异常数据库列表：对象关闭时，不允许操作。");
    EXPECT_TRUE(Sent().empty());
}

// The query for each generation and system database, and without a product every abnormal database
// (the account columns then name the database); 2000 goes by flags: shut down, suspect and standby
// count, offline does not.
TEST_F(LoadAccSim, TheQueryFollowsTheServerAndTheSystemDatabase) {
    const Rows kU8 = {"UFDATA_001_2015", "UFDATA_002_2014"}, kTPlus = {"UFTDATA_101_2015"},
               kAll = {"UFDATA_001_2015", "UFDATA_002_2014", "UFTDATA_101_2015", "REPORTS"};
    struct Case {
        std::string version, dbs, system, product; // product: as detected
        bool all;                                  // after Show all
        const char* query;
        Rows listed, years;
    };
    // clang-format off
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
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        ASSERT_TRUE(Start(Scenario(c.version, c.dbs, c.system)));
        ASSERT_EQ(app->cProduct, c.product);
        if (c.all) app->cProduct.clear();
        EXPECT_TRUE(LoadAcc(*app, m)) << m.labReport.caption;
        EXPECT_EQ(Sent().back(), c.query);
        EXPECT_FALSE(AnyFailure());
        EXPECT_EQ(RowOf(m.grid, 0), c.all ? kAllHeader : kAccountHeader);
        EXPECT_EQ(Column(0), c.listed);
        EXPECT_EQ(Column(3), c.all ? c.listed : Column(3));
        EXPECT_EQ(Column(4), c.years);
        EXPECT_EQ(m.labReport.caption, "发现" + std::to_string(c.listed.size()) + "个异常数据库");
    }
}

TEST_F(LoadAccSim, NoQueryWithoutTheProductsSystemDatabaseOrOnANewerServer) {
    ASSERT_TRUE(Start(Scenario("9.00.4035.00", kMixedEx)));
    app->cProduct = "U8"; // what the product's own login reported
    m.iAccCount = 3;
    m.grid.AppendRow({"stale"});
    ExpectFailure(kNoQuery);
    EXPECT_EQ(Sent(), (Rows{kProbeEx + "name='ufsystem'", kProbeEx + "name='uftsystem'"}));

    ASSERT_TRUE(Start(Scenario("18.0.1000.1", kMixedEx, kUa))); // a major not known yet has no class
    EXPECT_EQ(app->cSQLVersion, "18.0.1000.1. 标准版");
    ExpectFailure(kNoQuery);
    EXPECT_TRUE(Sent().empty());
}

// The state labels the server's answers give, names with blanks and apostrophes included.
TEST_F(LoadAccSim, StateLabelsFromTheServerIncludingAwkwardNames) {
    const std::string oBrien = "UFDATA_O'Brien 2015";
    // clang-format off
    const std::pair<std::string, std::vector<std::pair<std::string, std::string>>> servers[] = {
        {Scenario("10.0.2531.0", Db("A1", "SUSPECT") + "," + Db("UFDATA 002 2015", "EMERGENCY") + "," +
                                      Db(oBrien, "ONLINE") + "," + Db("A4", "OFFLINE")),
         {{"A1", "置疑"}, {"UFDATA 002 2015", "紧急只读状态"}, {oBrien, "在线"}, {"A4", "脱机"}, {"NO_SUCH_DB", "正常"}}},
        // Labels in probe order, each flag's own; two flags share 只读 and two share 脱机.
        {Scenario("8.00.2039", Db2000("S1", R"("IsShutdown", "IsSuspect")") + "," +
                                   Db2000("E2", R"("IsReadOnly", "IsEmergencyMode", "IsInStandBy", "IsOffline")") +
                                   "," + Db2000("D3", R"("IsSingleUser", "IsDetached", "IsDboOnly", "IsInLoad")") +
                                   "," + Db2000("R4", R"("IsInRecovery")") + "," + Db2000(oBrien, R"("IsSuspect")") +
                                   "," + Db2000("OK")),
         {{"S1", "置疑\\可疑"}, {"E2", "只读\\紧急\\只读\\脱机"}, {"D3", "单用户\\脱机\\DBO\\装载"}, {"R4", "恢复"},
          {oBrien, "可疑"}, {"OK", "正常"}}},
        {Scenario("16.0.1000.6", Db(oBrien, "RECOVERY_PENDING") + "," + Db("S", "SUSPECT") + "," + Db("E", "EMERGENCY") +
                                     "," + Db("R", "RESTORING")),
         {{oBrien, "恢复挂起"}, {"S", "置疑"}, {"E", "紧急只读状态"}, {"R", "还原"}, {"NO_SUCH_DB", "正常"}}},
    };
    // clang-format on
    for (const auto& [scenario, labels] : servers) {
        ASSERT_TRUE(Start(scenario));
        for (const auto& [db, label] : labels)
            EXPECT_EQ(GetDbState(*app, app->versionClass, db, app->oMaster), label) << db;
        EXPECT_FALSE(AnyFailure());
        EXPECT_EQ(app->cMsg, "");
    }
}
