// The real ODBC layer under Wine with the production connection text: odbc32 → unixODBC → FreeTDS,
// registered as "SQL Server", against the native simulator over TDS on a loopback port.
#include "app/Db.h"
#include "discovery/LoadAcc.h"
#include "platform/OdbcConnectionString.h"
#include "platform/Platform.h"
#include "platform/TempFolder.h"
#include "server/ServerVersion.h"
#include "SimProcessWin.h"

#include <gtest/gtest.h>

using namespace qm;

namespace {

// Chinese in the password, the account names and a database name: every text crosses the wide API.
const char* const kScenario = R"({
  "version": "9.00.4035.00", "edition": "Standard Edition", "language": "zh-CN",
  "logins": {"sa": "口令sa"},
  "databases": [
    {"name": "UFDATA_001_2015", "state": "SUSPECT", "data_file": "UFDATA_001_2015.MDF", "log_file": "UFDATA_001_2015_LOG.LDF"},
    {"name": "UFDATA_002_2015", "state": "EMERGENCY", "data_file": "UFDATA_002_2015.MDF", "log_file": "UFDATA_002_2015_LOG.LDF"},
    {"name": "财务备份", "state": "ONLINE", "data_file": "财务备份.MDF", "log_file": "财务备份_LOG.LDF"}
  ],
  "ua_account": [{"cAcc_id": "001", "cAcc_Name": "演示公司"}, {"cAcc_id": "002", "cAcc_Name": "华东分公司"}]
})";

struct OdbcWine : ::testing::Test {
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(sim.Start(dir.path(), kScenario, error, "--windows-paths")) << error;
        app.cDBServer = sim.Server();
        app.cDBUser = "sa";
        app.cDBPwd = "口令sa";
    }
    qmtest::TempFolder dir;
    qmtest::SimProcessWin sim;
    DefaultPlatform real = MakeDefaultPlatform(dir.path());
    AppState app{real.platform};
};

} // namespace

TEST_F(OdbcWine, ProductionTextReadsVersionAndDiscoveryWithChineseIntact) {
    ASSERT_EQ(DefaultOdbcDrivers().sqlServer, "SQL Server");
    app.oMaster = OpenSqlConnection(app, "master");
    ASSERT_EQ(app.oMaster->State(), 1) << app.cMsg;
    EXPECT_EQ(app.oMaster->ConnectionString(),
              "Provider=SQLOLEDB;Server=" + sim.Server() + ";Database=master;Uid=sa;Pwd=口令sa;");

    std::string message;
    app.cSQLVersion = GetServerVersion(app, message, app.oMaster, app.versionClass);
    EXPECT_EQ(app.cSQLVersion, "SQL Server 2005 SP3 标准版") << message;
    EXPECT_EQ(NullToStr(GetFieldValue(app, "filename", "master..sysdatabases", "name='财务备份'", app.oMaster)),
              qmtest::WindowsPathOf(qmtest::LinuxPathOf(dir.path()) + "/data/财务备份.MDF"))
        << app.cMsg;  // the path as the simulator shows it to a Windows program

    app.cProduct = "U8";
    MainModel m;
    ASSERT_TRUE(LoadAcc(app, m)) << m.labReport.caption;
    ASSERT_EQ(m.grid.Rows(), 3);
    std::string header;
    for (int c = 0; c < kGridColumns; ++c) header += m.grid.Cell(0, c) + "|";
    EXPECT_EQ(header, "DB|选择|账套号|账套名称|年度|路径|报告|校验|");
    EXPECT_EQ(m.grid.Cell(1, kColAccName) + "|" + m.grid.Cell(2, kColAccName), "演示公司|华东分公司");
    EXPECT_EQ(m.iAccCount, 2);
}

TEST_F(OdbcWine, RefusedStatementAndWrongPasswordKeepTheServersNumberAndText) {
    app.oMaster = OpenSqlConnection(app, "master");
    ASSERT_EQ(app.oMaster->State(), 1) << app.cMsg;
    const SqlResult r = ExecuteSql(app, app.oMaster, "update sysdatabases set status=-32768 where name='财务备份'");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errorNumber, 259);
    EXPECT_EQ(r.error, "不允许对系统目录进行即席更新。");

    app.cDBPwd = "口令SA";  // passwords compare exactly
    auto refused = OpenSqlConnection(app, "master");
    EXPECT_EQ(refused->State(), 0);
    EXPECT_EQ(app.cMsg, "用户 'sa' 登录失败。");
}
