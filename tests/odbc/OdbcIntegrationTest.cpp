// The ODBC adapter through unixODBC and FreeTDS against the simulator's TDS front end on 127.0.0.1,
// with a scripted engine: what the tool sends arrives whole, and what the server answers reaches
// the tool as ADO would show it.
#include "StubEngine.h"
#include "platform/OdbcConnection.h"
#include "tds/TdsServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>

namespace qmtest {
namespace {

using sqlsim::BatchResult;
using sqlsim::Cell;
using sqlsim::ColumnType;
using sqlsim::ResultSet;

struct Fixture {
    explicit Fixture(int major = 9) : engine(std::make_shared<StubEngine>(major)), server(engine, {}) {
        std::string error;
        EXPECT_TRUE(server.Start(0, error)) << error;
    }
    std::string Text(const std::string& pwdItem = "Pwd=;", const std::string& db = "master") const {
        return "Provider=SQLOLEDB;Server=127.0.0.1," + std::to_string(server.Port()) + ";Database=" + db +
               ";Uid=sa;" + pwdItem;
    }
    std::shared_ptr<qm::Connection> Open(const std::string& pwdItem = "Pwd=;") {
        auto c = factory.Create();
        std::string error;
        EXPECT_TRUE(c->Open(Text(pwdItem), error)) << error;
        return c;
    }
    std::shared_ptr<StubEngine> engine;
    sqlsim::tds::TdsServer server;
    qm::OdbcConnectionFactory factory;
};

ResultSet AccountRows() {
    ResultSet rs;
    rs.columns = {{"DB", ColumnType::NVarChar}, {"选择", ColumnType::NVarChar}, {"账套号", ColumnType::NVarChar},
                  {"账套名称", ColumnType::NVarChar}, {"年度", ColumnType::Int}};
    rs.rows = {{Cell::Text("UFDATA_001_2015"), Cell::Text(""), Cell::Text("001"), Cell::Text("演示公司（置疑）"),
                Cell::Int(2015)},
               {Cell::Text("UFDATA_002_2016"), Cell::Null(), Cell::Text("002"), Cell::Null(), Cell::Null()}};
    return rs;
}

TEST(OdbcOverTds, ChineseNamesTextNullsAndNumbersAtEveryVersion) {
    for (int major : {8, 9, 10}) {
        SCOPED_TRACE(major);
        Fixture f(major);
        f.engine->handler = [](const std::string&) {
            BatchResult r;
            r.results = {AccountRows()};
            return r;
        };
        auto c = f.Open();
        ASSERT_EQ(c->State(), 1);
        const std::string sql = "select name as DB,'' as 选择 from sysdatabases where name like 'UFDATA%'";
        qm::SqlResult r = c->Execute(sql);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(f.engine->Batches().back(), sql);
        EXPECT_EQ(r.recordset.columns, (std::vector<std::string>{"DB", "选择", "账套号", "账套名称", "年度"}));
        ASSERT_EQ(r.recordset.rows.size(), 2u);
        const auto& row0 = r.recordset.rows[0];
        EXPECT_EQ(row0[0], qm::Value::Text("UFDATA_001_2015"));
        EXPECT_EQ(row0[1], qm::Value::Text(""));
        EXPECT_EQ(row0[3], qm::Value::Text("演示公司（置疑）"));
        EXPECT_EQ(row0[4], qm::Value::Number(2015));
        const auto& row1 = r.recordset.rows[1];
        EXPECT_TRUE(row1[1].isNull());
        EXPECT_TRUE(row1[3].isNull());
        EXPECT_TRUE(row1[4].isNull());
    }
}

TEST(OdbcOverTds, LoginRefusalShowsTheServerText) {
    Fixture f;
    f.engine->logins = {{"sa", "right"}};
    auto c = f.factory.Create();
    std::string error;
    EXPECT_FALSE(c->Open(f.Text("Pwd=wrong;"), error));
    EXPECT_EQ(error, "用户 'sa' 登录失败。");
    EXPECT_EQ(c->State(), 0);
    EXPECT_EQ(c->Execute("select 1").error, "对象关闭时，不允许操作。");
}

TEST(OdbcOverTds, PasswordWithSeparatorsAndBracesReachesTheServerWhole) {
    Fixture f;
    for (const char* pwd : {" a;b{=d ", "x}y{z", "{lead"}) {
        SCOPED_TRACE(pwd);
        f.engine->logins = {{"sa", pwd}};
        std::string item = "Pwd={";
        for (const char* p = pwd; *p; ++p) item += *p == '}' ? std::string("}}") : std::string(1, *p);
        item += "};";
        auto c = f.factory.Create();
        std::string error;
        EXPECT_TRUE(c->Open(f.Text(item), error)) << error;
    }
}

TEST(OdbcOverTds, UnreachableServerFailsQuicklyWithADescription) {
    uint16_t port = 0;
    {
        Fixture f;
        port = f.server.Port();
    }
    qm::OdbcConnectionFactory factory;
    auto c = factory.Create();
    std::string error;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(c->Open("Provider=SQLOLEDB;Server=127.0.0.1," + std::to_string(port) + ";Database=master;Uid=sa;Pwd=;",
                         error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find("[FreeTDS]"), std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
}

// Config.mdb goes through the same driver manager; without the Access driver the open fails with
// the manager's text, never with a crash or a hang.
TEST(OdbcOverTds, JetTextWithoutItsDriverFailsWithADescription) {
    qm::OdbcConnectionFactory factory(qm::OdbcDrivers{"FreeTDS", "Quillmere Missing Access Driver"});
    auto c = factory.Create();
    std::string error;
    EXPECT_FALSE(c->Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source='/nonexistent/Config.mdb';"
                         "Persist Security Info=False;Jet OLEDB:DataBase Password='58'",
                         error));
    EXPECT_FALSE(error.empty());
    EXPECT_NE(error.front(), '[') << error;
    EXPECT_EQ(c->State(), 0);
}

TEST(OdbcOverTds, InformationalMessagesAndErrorsAreAllReported) {
    Fixture f;
    const std::string exists = "文件 'D:\\DATA\\UFDATA_001_2015_LOG.LDF' 已存在。应该重命名或删除它，以便可以创建新的日志文件。";
    f.engine->handler = [&](const std::string& sql) {
        BatchResult r;
        if (sql.rfind("dbcc", 0) == 0) {
            r.messages = {{2528, 1, 10, "DBCC 执行完毕。如果 DBCC 输出了错误信息，请与系统管理员联系。"}};
        } else if (sql.rfind("alter", 0) == 0) {
            r.messages = {{5060, 1, 10, "正在回滚不合格的事务。"}, {5025, 1, 16, exists}, {5069, 1, 16, "ALTER DATABASE 语句失败。"}};
            r.failed = true;
        } else if (sql.rfind("select", 0) == 0) {
            // A result set, then a failing statement later in the same batch.
            r.results = {AccountRows()};
            r.messages = {{208, 1, 16, "对象名 'sys.databases' 无效。"}};
            r.failed = true;
        } else {
            r.rowsAffected = sql.find("nobody") != std::string::npos ? 0 : 1;
        }
        return r;
    };
    auto c = f.Open();

    qm::SqlResult dbcc = c->Execute("dbcc checkdb");
    EXPECT_TRUE(dbcc.ok) << dbcc.error;
    ASSERT_EQ(dbcc.messages.size(), 1u);
    EXPECT_EQ(dbcc.messages[0].number, 2528);
    EXPECT_LE(dbcc.messages[0].severity, 10);
    EXPECT_EQ(dbcc.messages[0].text, "DBCC 执行完毕。如果 DBCC 输出了错误信息，请与系统管理员联系。");

    qm::SqlResult alter = c->Execute("alter database [UFDATA_001_2015] Rebuild Log on (name=Ufmodel_LOG)");
    EXPECT_FALSE(alter.ok);
    EXPECT_EQ(alter.error, exists);
    EXPECT_EQ(alter.errorNumber, 5025);
    // The driver ranks error records before informational ones; the errors keep their order.
    ASSERT_EQ(alter.messages.size(), 3u);
    EXPECT_EQ(alter.messages[0].number, 5025);
    EXPECT_GT(alter.messages[0].severity, 10);
    EXPECT_EQ(alter.messages[1].number, 5069);
    EXPECT_EQ(alter.messages[2].number, 5060);
    EXPECT_LE(alter.messages[2].severity, 10);

    qm::SqlResult both = c->Execute("select name from sysdatabases; select name from sys.databases");
    EXPECT_FALSE(both.ok);
    EXPECT_EQ(both.error, "对象名 'sys.databases' 无效。");
    EXPECT_EQ(both.recordset.rows.size(), 2u);

    qm::SqlResult update = c->Execute("update sysdatabases set status=-32768 where name='x'");
    EXPECT_TRUE(update.ok) << update.error;
    EXPECT_TRUE(update.recordset.columns.empty());
    // No row touched is still success (the driver answers SQL_NO_DATA).
    qm::SqlResult none = c->Execute("update sysdatabases set status=0 where name='nobody'");
    EXPECT_TRUE(none.ok) << none.error;
}

TEST(OdbcOverTds, LongTextAndManyRowsCrossPacketBoundaries) {
    Fixture f;
    ResultSet big;
    big.columns = {{"n", ColumnType::Int}, {"名称", ColumnType::NVarChar}};
    for (int i = 0; i < 5000; ++i) big.rows.push_back({Cell::Int(i), Cell::Text("账套" + std::to_string(i))});
    const std::string wide(3000, 'w');
    f.engine->handler = [&](const std::string&) {
        BatchResult r;
        ResultSet one;
        one.columns = {{"wide", ColumnType::NVarChar}};
        one.rows = {{Cell::Text(wide + "尾")}};
        r.results = {big, one};
        return r;
    };
    auto c = f.Open();
    const std::string sql = "select '" + std::string(6000, 'q') + "中文'";
    qm::SqlResult r = c->Execute(sql);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(f.engine->Batches().back(), sql);
    ASSERT_EQ(r.recordset.rows.size(), 5000u);
    EXPECT_EQ(r.recordset.rows[4999][0], qm::Value::Number(4999));
    EXPECT_EQ(r.recordset.rows[4999][1], qm::Value::Text("账套4999"));
}

// The engine cannot be interrupted, so the driver gives up on the cancelled statement; what matters
// is that the timeout applies and the server keeps serving.
TEST(OdbcOverTds, CommandTimeoutEndsAStatementThatHangs) {
    Fixture f;
    std::mutex mu;
    std::condition_variable cv;
    bool release = false;
    f.engine->handler = [&](const std::string& sql) {
        if (sql == "slow") {
            std::unique_lock<std::mutex> lock(mu);
            cv.wait_for(lock, std::chrono::seconds(20), [&] { return release; });
        }
        return BatchResult{};
    };
    auto c = f.Open();
    c->SetCommandTimeout(1);
    const auto t0 = std::chrono::steady_clock::now();
    qm::SqlResult slow = c->Execute("slow");
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
    EXPECT_FALSE(slow.ok);
    EXPECT_FALSE(slow.error.empty());
    {
        std::lock_guard<std::mutex> lock(mu);
        release = true;
    }
    cv.notify_all();
    auto again = f.Open();
    EXPECT_TRUE(again->Execute("fast").ok);
}

} // namespace
} // namespace qmtest
