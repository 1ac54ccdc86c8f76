#include "app/Db.h"
#include "platform/Text.h"
#include "support/FakeConnection.h"

#include <gtest/gtest.h>

using namespace qm;
using qmtest::FakeConnection;
using qmtest::FakeConnectionFactory;

namespace {

struct DbFixture : ::testing::Test {
    FakeConnectionFactory factory;
    Platform platform;
    std::unique_ptr<AppState> app;
    std::shared_ptr<FakeConnection> conn = std::make_shared<FakeConnection>();

    void SetUp() override {
        platform.connections = &factory;
        app = std::make_unique<AppState>(platform);
        conn->state = 1;
    }
};

} // namespace

// Plain values stand bare; any other value is read back whole by the same rule the drivers' side reads.
TEST(ConnectionString, ExactTextAndEveryValueReadBackWhole) {
    EXPECT_EQ(BuildConnectionString("SRV\\SQL2005", "master", "sa", ""),
              "Provider=SQLOLEDB;Server=SRV\\SQL2005;Database=master;Uid=sa;Pwd=;");
    for (const std::string pwd : {"a;b", " pw ", "{x}y", "x}y{", "'q'", "\"q", "p\t"}) {
        const auto items = ParseConnectionText(BuildConnectionString("s", "master", "sa", pwd));
        EXPECT_EQ(FirstConnectionItem(items, {"Pwd"}), pwd);
    }
}

TEST_F(DbFixture, OpenSqlConnectionSetsTimeoutAndKeepsUnopenedConnectionOnFailure) {
    app->cDBServer = "127.0.0.1";
    app->cDBUser = "sa";
    app->cMsg = "earlier";
    auto ok = OpenSqlConnection(*app, "master");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->State(), 1);
    EXPECT_EQ(factory.created.back()->timeout, 300);
    EXPECT_EQ(app->cMsg, "earlier");  // not cleared on success

    factory.prepare = [](FakeConnection& c) { c.openError = "用户 'sa' 登录失败。"; };
    auto bad = OpenSqlConnection(*app, "master");
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->State(), 0);
    EXPECT_EQ(app->cMsg, "用户 'sa' 登录失败。");
}

// No row: GetFieldValue gives Null, GetSqlValue empty text; a failure or a missing column gives Empty
// and its description in cMsg, which a successful query empties.
TEST_F(DbFixture, FieldAndSqlValuesFromTheFirstRowOrTheReason) {
    conn->answers = {
        {"select name from sys.databases where 1=1 and name='ufsystem'", FakeConnection::Rows({"name"}, {})},
        {"select name from sys.databases where 1=1 and name like 'u%'",
         FakeConnection::Rows({"name"}, {{Value::Text("UFSystem")}, {Value::Text("UFTSystem")}})},
        {"select 1 as cvalue where 1=0", FakeConnection::Rows({"cvalue"}, {})},
        {"select x", FakeConnection::Fail("对象名 'x' 无效。", 208)},
        {"select 1 as a", FakeConnection::Rows({"a"}, {{Value::Number(1)}})},
    };
    app->cMsg = "stale";
    EXPECT_TRUE(GetFieldValue(*app, "name", "sys.databases", "name='ufsystem'", conn).isNull());
    EXPECT_EQ(app->cMsg, "");
    EXPECT_EQ(NullToStr(GetFieldValue(*app, "name", "sys.databases", "name like 'u%'", conn)), "UFSystem");
    Value none = GetSqlValue(*app, "cvalue", "select 1 as cvalue where 1=0", conn);
    EXPECT_TRUE(none.isText() && none.text().empty());
    EXPECT_TRUE(GetSqlValue(*app, "cvalue", "select x", conn).isEmpty());
    EXPECT_EQ(app->cMsg, "对象名 'x' 无效。");
    app->cMsg.clear();
    EXPECT_TRUE(GetSqlValue(*app, "cvalue", "select 1 as a", conn).isEmpty());  // a missing column, as in ADO
    EXPECT_FALSE(app->cMsg.empty());
    app->cMsg.clear();
    auto closed = std::make_shared<FakeConnection>();  // fails without reaching the server
    GetSqlValue(*app, "a", "select 1 as a", closed);
    EXPECT_FALSE(app->cMsg.empty());
    EXPECT_TRUE(closed->sent.empty());
}
