// GetServerVersion and GetProductKind against a scripted connection: the exact statements and what
// becomes of each answer.
#include "app/Db.h"
#include "server/ProductDetection.h"
#include "server/ServerVersion.h"
#include "support/FakeConnection.h"

#include <gtest/gtest.h>

using namespace qm;
using qmtest::FakeConnection;

namespace {

const std::string kVersionSql =
    "SELECT  SERVERPROPERTY('productversion') as productversion,SERVERPROPERTY ('edition') as version";

struct Recorder : StatementObserver {
    std::vector<StatementEvent> events;
    void OnStatement(const StatementEvent& e) override { events.push_back(e); }
    void OnFileMoved(int, const std::string&, const std::string&, const std::string&) override {}
};

struct FixedLogin : LoginWrapper {
    explicit FixedLogin(std::string v) : v_(std::move(v)) {}
    void SetAdmin(bool) override {}
    bool Regedit(std::string&, std::string&, std::string&, std::string&, std::string&, std::string&,
                 std::string&) override { return true; }
    bool Success() const override { return true; }
    std::string Version() const override { return v_; }
    std::string Server() const override { return {}; }
    std::string DBUser() const override { return {}; }
    std::string DBPwd() override { return {}; }
    std::string v_;
};

struct ServerFixture : ::testing::Test {
    Platform platform;
    AppState app{platform};
    std::shared_ptr<FakeConnection> conn = std::make_shared<FakeConnection>();
    Recorder recorder;

    void SetUp() override {
        conn->state = 1;
        app.oMaster = conn;
        app.observer = &recorder;
    }
    void AnswerVersion(qm::Value pv, qm::Value edition) {
        conn->answers[kVersionSql] = FakeConnection::Rows({"productversion", "version"}, {{pv, edition}});
    }
    std::string Version() { return GetServerVersion(app, app.cMsg, app.oMaster); }
};

const std::string kDbs = "select name from sys.databases where 1=1 and ";
const std::string k2000Dbs = "select name from sysdatabases where 1=1 and ";

} // namespace

TEST_F(ServerFixture, VersionTextFromOneQueryThatTheObserverSees) {
    AnswerVersion(Value::Text("9.00.4035.00"), Value::Text("Standard Edition"));
    app.cMsg = "earlier";
    EXPECT_EQ(Version(), "SQL Server 2005 SP3 标准版");
    EXPECT_EQ(app.cMsg, "");
    ASSERT_EQ(conn->sent, std::vector<std::string>{kVersionSql});
    ASSERT_EQ(recorder.events.size(), 1u);
    EXPECT_EQ(recorder.events[0].sql, kVersionSql);
    EXPECT_TRUE(recorder.events[0].ok);
    AnswerVersion(Value::Text("9.00.1399.06"), Value::Text("Enterprise Edition"));
    EXPECT_EQ(Version(), "SQL Server 2005  企业版");
    AnswerVersion(Value::Text("11.0.2100.60"), Value::Text("Express Edition"));
    EXPECT_EQ(Version(), "11.0.2100.60. Express Edition");
}

TEST_F(ServerFixture, VersionFailuresGiveEmptyTextAndTheReason) {
    conn->answers[kVersionSql] = FakeConnection::Fail("'SERVERPROPERTY' 不是可以识别的 函数名。", 195);
    EXPECT_EQ(Version(), "");
    EXPECT_EQ(app.cMsg, "'SERVERPROPERTY' 不是可以识别的 函数名。");
    AnswerVersion(Value::Null(), Value::Text("Standard Edition"));
    EXPECT_EQ(Version(), "");
    EXPECT_EQ(app.cMsg, "无效使用 Null");
    conn->answers[kVersionSql] = FakeConnection::Rows({"productversion", "version"}, {});
    EXPECT_EQ(Version(), "");
    EXPECT_FALSE(app.cMsg.empty());
    AnswerVersion(Value::Text("9.00.40000.00"), Value::Text("Standard Edition"));
    EXPECT_EQ(Version(), "");
    EXPECT_EQ(app.cMsg, "溢出");
    conn->state = 0;
    EXPECT_EQ(Version(), "");
    EXPECT_EQ(app.cMsg, "对象关闭时，不允许操作。");
}

TEST_F(ServerFixture, ProductKindFromTheLoginNeedsNoQuery) {
    app.makeLoginWrapper = [] { return std::make_unique<FixedLogin>("T6"); };
    app.cSQLVersion = "SQL Server 2005 SP3 标准版";
    EXPECT_EQ(GetProductKind(app), "T6");
    EXPECT_TRUE(conn->sent.empty());
}

TEST_F(ServerFixture, ProductKindFromTheCatalogue) {
    app.cSQLVersion = "SQL Server 2008 SP1 企业版";
    auto found = FakeConnection::Rows({"name"}, {{Value::Text("UFSystem")}});
    auto none = FakeConnection::Rows({"name"}, {});
    conn->answers[kDbs + "name='ufsystem'"] = found;
    conn->answers[kDbs + "name='uftsystem'"] = none;
    EXPECT_EQ(GetProductKind(app), "T");
    EXPECT_EQ(conn->sent, (std::vector<std::string>{kDbs + "name='ufsystem'", kDbs + "name='uftsystem'"}));

    conn->answers[kDbs + "name='uftsystem'"] = FakeConnection::Rows({"name"}, {{Value::Text("UFTSystem")}});
    EXPECT_EQ(GetProductKind(app), "T+");   // both present: T+ wins
    conn->answers[kDbs + "name='ufsystem'"] = conn->answers[kDbs + "name='uftsystem'"] = none;
    EXPECT_EQ(GetProductKind(app), "");
}

TEST_F(ServerFixture, ProductKindOnSql2000UsesSysdatabases) {
    app.cSQLVersion = "SQL Server 2000 SP4 个人版";
    conn->answers[k2000Dbs + "name='ufsystem'"] = FakeConnection::Rows({"name"}, {{Value::Text("UFSystem")}});
    conn->answers[k2000Dbs + "name='uftsystem'"] = FakeConnection::Rows({"name"}, {});
    EXPECT_EQ(GetProductKind(app), "T");

    // A newer server whose raw version contains "2000" is not SQL Server 2000: sys.databases.
    conn->sent.clear();
    app.cSQLVersion = "12.0.2000.8. 企业版";
    GetProductKind(app);
    EXPECT_EQ(conn->sent.at(0), kDbs + "name='ufsystem'");
}

TEST_F(ServerFixture, FailingCatalogueQueriesFindNothingAndLeaveTheLastError) {
    app.cSQLVersion = "";
    conn->handler = [](const std::string& sql) {
        return FakeConnection::Fail(sql.find("uftsystem") != std::string::npos ? "second" : "first", 208);
    };
    EXPECT_EQ(GetProductKind(app), "");
    EXPECT_EQ(app.cMsg, "second");
    EXPECT_EQ(conn->sent.front(), kDbs + "name='ufsystem'");
}

TEST(SystemDbName, ByKindWithExactLetterCase) {
    for (const char* k : {"U8", "T6", "T3", "T"}) EXPECT_EQ(GetSystemDbName(k), "UFSystem") << k;
    EXPECT_EQ(GetSystemDbName("T+"), "UFTSystem");
    for (const char* k : {"", "u8", "t+", "T8", " T"}) EXPECT_EQ(GetSystemDbName(k), "master") << k;
}
