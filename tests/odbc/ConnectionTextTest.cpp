// Connection text translation and diagnostic clean-up: what the driver receives and what the
// operator reads, without any driver involved.
#include "platform/OdbcConnectionString.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

const OdbcDrivers kFreeTds{"FreeTDS", "MDBTools"};
const OdbcDrivers kWindows{"SQL Server", "Microsoft Access Driver (*.mdb)"};

// host|instance|port, "!" in front when the name is not usable.
TEST(ConnectionText, ServerNameForms) {
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"db1", "db1||0"},          {" db1 , 1501 ", "db1||1501"},  {"db1\\U8SQL", "db1|U8SQL|0"},
        {"(LOCAL)\\SQL2000", "127.0.0.1|SQL2000|0"}, {".\\inst,1444", "127.0.0.1|inst|1444"},
        {"tcp:db2,1433", "db2||1433"}, {"", "127.0.0.1||0"},     {"db1,abc", "!db1||0"}, {"db1,70000", "!db1||0"},
    };
    // clang-format on
    for (const auto& [in, want] : cases) {
        const ServerAddress a = ParseServerName(in);
        EXPECT_EQ((a.valid ? "" : "!") + a.host + "|" + a.instance + "|" + std::to_string(a.port), want) << in;
    }
}

// The ODBC text for each driver, or "!" and the reason when no driver could open it.
TEST(ConnectionText, TranslatesForEachDriverOrRefusesWhatNoDriverCouldOpen) {
    const std::string tail = "ClientCharset=UTF-8;TDS_Version=7.3;";
    const std::string jet =
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source='/tool/Config.mdb';"
        "Persist Security Info=False;Jet OLEDB:DataBase Password='58'";
    struct Case {
        std::string ado;
        const OdbcDrivers* drivers;
        std::string odbc;
    };
    // clang-format off
    const Case cases[] = {
        {"Provider=SQLOLEDB;Server=127.0.0.1,54321;Database=master;Uid=sa;Pwd=;", &kFreeTds,
         "DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=54321;DATABASE=master;UID=sa;PWD=;" + tail},
        {"Provider=SQLOLEDB;Server=(local);Database=Tempdb;Uid=sa;Pwd=x;", &kFreeTds,
         "DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=1433;DATABASE=Tempdb;UID=sa;PWD=x;" + tail},
        // A named instance without a port is resolved by the driver through SQL Browser.
        {"Provider=SQLOLEDB;Server=srv\\U8;Database=master;Uid=sa;Pwd=x;", &kFreeTds,
         "DRIVER={FreeTDS};SERVER=srv\\U8;DATABASE=master;UID=sa;PWD=x;" + tail},
        // Each quoting form is read by its own doubling rule, keys in any letter case, items without
        // "=" skipped; the whole password survives from the ADO text to the ODBC text.
        {"Provider=SQLOLEDB;Server= h,1 ;Database='my''db';junk;uid=\"s\"\"a\";Pwd={p;w}}d }", &kFreeTds,
         "DRIVER={FreeTDS};SERVER=h;PORT=1;DATABASE=my'db;UID=s\"a;PWD={p;w}}d };" + tail},
        {"Provider=SQLOLEDB;Server=h,1;Database=master;Uid=sa;PWD={{x}}};", &kFreeTds,
         "DRIVER={FreeTDS};SERVER=h;PORT=1;DATABASE=master;UID=sa;PWD={{x}}};" + tail},
        {"Provider=SQLOLEDB;Server=(local)\\U8,1500;Database=master;Uid=sa;Pwd=1;", &kWindows,
         "DRIVER={SQL Server};SERVER=(local)\\U8,1500;DATABASE=master;UID=sa;PWD=1;"},
        {jet, &kFreeTds, "DRIVER={MDBTools};DBQ=/tool/Config.mdb;PWD=58;"},
        {jet, &kWindows, "DRIVER={Microsoft Access Driver (*.mdb)};DBQ=/tool/Config.mdb;PWD=58;"},
        {"Provider=MSDAORA;Data Source=x", &kFreeTds, "!未找到提供程序。该程序可能未正确安装。"},
        {"Provider=SQLOLEDB;Server=h,port;Uid=sa;Pwd=;", &kFreeTds, "!SQL Server 不存在或拒绝访问。"},
    };
    // clang-format on
    for (const Case& c : cases) {
        OdbcConnectSpec spec;
        std::string error;
        EXPECT_EQ(TranslateConnectionText(c.ado, *c.drivers, spec, error) ? spec.text : "!" + error, c.odbc);
    }
    OdbcConnectSpec spec;
    std::string error;
    ASSERT_TRUE(TranslateConnectionText("Server=h;Connect Timeout=3;Uid=sa;Pwd=;", kFreeTds, spec, error));
    EXPECT_EQ(spec.loginTimeout, 3);
}

TEST(OdbcText, DriverPrefixesGo) {
    EXPECT_EQ(StripDriverPrefixes("[FreeTDS][SQL Server]用户 'sa' 登录失败。"), "用户 'sa' 登录失败。");
    EXPECT_EQ(StripDriverPrefixes("[Microsoft][ODBC SQL Server Driver][SQL Server]对象名 'x' 无效。"),
              "对象名 'x' 无效。");
    EXPECT_EQ(StripDriverPrefixes("No prefix [kept] here"), "No prefix [kept] here");
    EXPECT_EQ(StripDriverPrefixes("[unterminated"), "[unterminated");
}

} // namespace
} // namespace qm
