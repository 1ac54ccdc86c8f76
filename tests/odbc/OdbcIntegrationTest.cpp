// The ODBC adapter through unixODBC and FreeTDS against the simulator's TDS front end on 127.0.0.1,
// with a scripted engine: what the tool sends arrives whole, and what the server answers reaches
// the tool as ADO would show it; and with the real engine, a long check cancelled by the driver's
// attention. (Login refusals and a server lost mid-run are met on the wire in the end-to-end runs.)
#include "StubEngine.h"
#include "sqlsim/SimFixture.h"

#include <chrono>
#include <future>

namespace qmtest {
namespace {

using sqlsim::BatchResult;
using sqlsim::Cell;
using sqlsim::ColumnType;
using sqlsim::ResultSet;

// Chinese names and text, empty text, NULLs and numbers at each release's TDS version, over a result
// long enough to span many packets and a cell longer than a packet in a second result set; the
// batch, longer than a packet too, arrives whole.
TEST(OdbcOverTds, ResultsAndBatchesCrossPacketsIntactAtEveryVersion) {
    using enum ColumnType;
    ResultSet rows, wide;
    rows.columns = {{"DB", NVarChar}, {"选择", NVarChar}, {"账套名称", NVarChar}, {"年度", Int}};
    rows.rows = {{Cell::Text("UFDATA_001_2015"), Cell::Text(""), Cell::Text("演示公司（置疑）"), Cell::Int(2015)},
                 {Cell::Text("UFDATA_002_2016"), Cell::Null(), Cell::Null(), Cell::Null()}};
    for (int i = 0; i < 5000; ++i)
        rows.rows.push_back({Cell::Text("账套" + std::to_string(i)), Cell::Null(), Cell::Null(), Cell::Int(i)});
    wide.columns = {{"wide", NVarChar}};
    wide.rows = {{Cell::Text(std::string(3000, 'w') + "尾")}};
    BatchResult answer;
    answer.results = {rows, wide};
    const std::string sql =
        "select name as DB,'' as 选择 from sysdatabases where name like '" + std::string(6000, 'q') + "中文'";
    for (int major : {8, 9, 10}) {
        SCOPED_TRACE(major);
        StubServer f(major);
        f.engine->handler = [&](const std::string&) { return answer; };
        qm::SqlResult r = f.Open()->Execute(sql);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(f.engine->LastBatch(), sql);
        EXPECT_EQ(r.recordset.columns, (std::vector<std::string>{"DB", "选择", "账套名称", "年度"}));
        ASSERT_EQ(r.recordset.rows.size(), 5002u);
        EXPECT_EQ(r.recordset.rows[0],
                  (std::vector<qm::Value>{qm::Value::Text("UFDATA_001_2015"), qm::Value::Text(""),
                                          qm::Value::Text("演示公司（置疑）"), qm::Value::Number(2015)}));
        for (size_t i = 1; i < 4; ++i) EXPECT_TRUE(r.recordset.rows[1][i].isNull()) << i;
        EXPECT_EQ(r.recordset.rows[5001][0], qm::Value::Text("账套4999"));
        EXPECT_EQ(r.recordset.rows[5001][3], qm::Value::Number(4999));
    }
}

TEST(OdbcOverTds, PasswordWithSeparatorsAndBracesReachesTheServerWhole) {
    StubServer f;
    for (auto [pwd, quoted] : {std::pair{" a;b{=d ", "{ a;b{=d }"}, std::pair{"x}y{z", "{x}}y{z}"}}) {
        f.engine->logins = {{"sa", pwd}};
        EXPECT_EQ(f.Open(quoted)->State(), 1) << pwd;
    }
}

TEST(OdbcOverTds, FailedOpensAreDescribedQuicklyWithoutDriverPrefixes) {
    qm::OdbcConnectionFactory factory;
    auto c = factory.Create();
    std::string error;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(c->Open("Provider=SQLOLEDB;Server=127.0.0.1,1;Database=master;Uid=sa;Pwd=;", error)); // nobody listens
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find("[FreeTDS]"), std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));

    // Config.mdb without the Access driver fails with the driver manager's text, never a crash or a hang.
    auto j = qm::OdbcConnectionFactory(qm::OdbcDrivers{"FreeTDS", "Quillmere Missing Access Driver"}).Create();
    EXPECT_FALSE(
        j->Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source='/nonexistent/Config.mdb';"
                "Persist Security Info=False;Jet OLEDB:DataBase Password='58'",
                error));
    EXPECT_FALSE(error.empty());
    EXPECT_NE(error.front(), '[') << error;
    EXPECT_EQ(j->State(), 0);
}

TEST(OdbcOverTds, InformationalMessagesAndErrorsAreAllReported) {
    StubServer f;
    const std::string exists =
        "文件 'D:\\DATA\\UFDATA_001_2015_LOG.LDF' 已存在。应该重命名或删除它，以便可以创建新的日志文件。";
    f.engine->handler = [&](const std::string& sql) {
        BatchResult r;
        if (sql.rfind("alter", 0) == 0) {
            r.messages = {{5060, 1, 10, "正在回滚不合格的事务。"},
                          {5025, 1, 16, exists},
                          {5069, 1, 16, "ALTER DATABASE 语句失败。"}};
            r.failed = true;
        } else if (sql.rfind("select", 0) == 0) {
            // A result set, then a failing statement later in the same batch.
            ResultSet rs;
            rs.columns = {{"name", ColumnType::NVarChar}};
            rs.rows = {{Cell::Text("master")}, {Cell::Text("UFSystem")}};
            r.results = {rs};
            r.messages = {{208, 1, 16, "对象名 'sys.databases' 无效。"}};
            r.failed = true;
        } else {
            r.rowsAffected = sql.find("nobody") != std::string::npos ? 0 : 1;
        }
        return r;
    };
    auto c = f.Open();

    qm::SqlResult alter = c->Execute("alter database [UFDATA_001_2015] Rebuild Log on (name=Ufmodel_LOG)");
    EXPECT_FALSE(alter.ok);
    EXPECT_EQ(alter.error, exists);
    EXPECT_EQ(alter.errorNumber, 5025);
    // The driver ranks error records before informational ones; the errors keep their order.
    std::string ranked;
    for (const auto& m : alter.messages) ranked += std::to_string(m.number) + (m.severity > 10 ? "! " : " ");
    EXPECT_EQ(ranked, "5025! 5069! 5060 ");

    qm::SqlResult both = c->Execute("select name from sysdatabases; select name from sys.databases");
    EXPECT_FALSE(both.ok);
    EXPECT_EQ(both.error, "对象名 'sys.databases' 无效。");
    EXPECT_EQ(both.recordset.rows.size(), 2u);

    // No row touched is still success (the driver answers SQL_NO_DATA).
    for (const char* update : {"update sysdatabases set status=-32768 where name='x'",
                               "update sysdatabases set status=0 where name='nobody'"})
        EXPECT_TRUE(c->Execute(update).ok) << update;
}

using Clock = std::chrono::steady_clock;
using ScenarioOverTds = simtest::SimTest;

// The driver gives up after its timeout with an attention; the server stops the check at once and
// the connection stays usable. Other connections are served while the check runs.
TEST_F(ScenarioOverTds, AttentionEndsALongCheckAtOnceWithoutHoldingUpOthers) {
    ASSERT_TRUE(Load(R"({"databases": [{"name": "A", "checkdb": {"seconds": 30}}, {"name": "B"}]})"));
    TdsRig<sqlsim::Engine> rig(engine);
    auto checker = rig.Open(), other = rig.Open();
    checker->SetCommandTimeout(1);
    const auto t0 = Clock::now();
    auto check =
        std::async(std::launch::async, [&] { return checker->Execute("dbcc checkdb(N'A') with no_infomsgs"); });
    do {
        const auto q0 = Clock::now();
        ASSERT_TRUE(other->Execute("select name from sysdatabases").ok);
        EXPECT_LT(Clock::now() - q0, std::chrono::milliseconds(500));
    } while (check.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready);
    const qm::SqlResult cancelled = check.get();
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(5));
    EXPECT_FALSE(cancelled.ok);

    EXPECT_TRUE(checker->Execute("dbcc checkdb(N'B') with no_infomsgs").ok);
    EXPECT_NE(engine->TranscriptJsonLines().find("with no_infomsgs\", \"error\": null, \"cancelled\": true}"),
              std::string::npos);
}

} // namespace
} // namespace qmtest
