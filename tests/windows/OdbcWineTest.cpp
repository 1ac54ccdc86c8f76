// The real ODBC layer under Wine with the production connection text: odbc32 → unixODBC → FreeTDS,
// registered as "SQL Server", against the native simulator over TDS on a loopback port. Chinese crosses
// the wide API in the password, a statement's text, a result and the server's messages; the discovery
// list over this road is met by the end-to-end runs.
#include "app/Db.h"
#include "platform/Platform.h"
#include "platform/TempFolder.h"
#include "SimProcessWin.h"

#include <gtest/gtest.h>

using namespace qm;

TEST(OdbcWine, ChineseCrossesThePasswordStatementsResultsAndTheServersMessages) {
    qmtest::TempFolder dir;
    qmtest::SimProcessWin sim;
    std::string error;
    ASSERT_TRUE(sim.Start(dir.path(),
                          R"({"version": "9.00.4035.00", "edition": "Standard Edition", "logins": {"sa": "口令sa"},
        "databases": [{"name": "财务备份", "data_file": "财务备份.MDF", "log_file": "财务备份_LOG.LDF"}]})",
                          error, "--windows-paths"))
        << error;
    DefaultPlatform real = MakeDefaultPlatform(dir.path());
    AppState app{real.platform};
    app.cDBServer = sim.Server();
    app.cDBUser = "sa";
    app.cDBPwd = "口令sa";
    app.oMaster = OpenSqlConnection(app, "master");
    ASSERT_EQ(app.oMaster->State(), 1) << app.cMsg;
    EXPECT_EQ(NullToStr(GetFieldValue(app, "filename", "master..sysdatabases", "name='财务备份'", app.oMaster)),
              qmtest::WindowsPathOf(qmtest::LinuxPathOf(dir.path()) + "/data/财务备份.MDF"))
        << app.cMsg; // the path as the simulator shows it to a Windows program

    const SqlResult r = ExecuteSql(app, app.oMaster, "update sysdatabases set status=-32768 where name='财务备份'");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errorNumber, 259);
    EXPECT_EQ(r.error, "不允许对系统目录进行即席更新。");

    app.cDBPwd = "口令SA"; // passwords compare exactly
    EXPECT_EQ(OpenSqlConnection(app, "master")->State(), 0);
    EXPECT_EQ(app.cMsg, "用户 'sa' 登录失败。");
}
