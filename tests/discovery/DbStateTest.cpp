// State classification against a scripted connection: the answers a server gives seldom (odd flag
// values) and failures. The labels of real answers are met against the simulator (LoadAccSimTest).
#include "discovery/DbState.h"
#include "support/FakeConnection.h"
#include "support/TestPlatform.h"

#include <gtest/gtest.h>

using namespace qm;
using qmtest::FakeConnection;

namespace {

struct DbStateFake : ::testing::Test {
    qmtest::TestPlatform platform;
    AppState app{platform};
    std::shared_ptr<FakeConnection> fake = std::make_shared<FakeConnection>();
    std::shared_ptr<Connection> conn = fake;

    void SetUp() override { fake->state = 1; }
    std::string State2000(const std::string& db) { return GetDbState(app, VersionClass::Sql2000, db, conn); }
};

} // namespace

TEST_F(DbStateFake, Sql2000CountsOnlyAFlagOfOneAndFailuresGiveNormalOrNothingAndLeaveTheirError) {
    fake->handler = [](const std::string& sql) {
        if (sql.find("IsShutdown") != std::string::npos) return FakeConnection::Rows({"Status"}, {{Value::Number(2)}});
        if (sql.find("IsSuspect") != std::string::npos) return FakeConnection::Rows({"Status"}, {{Value::Text("1")}});
        if (sql.find("IsOffline") != std::string::npos) return FakeConnection::Rows({"Status"}, {{Value::Null()}});
        return FakeConnection::Rows({"Status"}, {}); // no such database: no row
    };
    EXPECT_EQ(State2000("db1"), "可疑");
    EXPECT_EQ(fake->sent.size(), 11u);

    fake->sent.clear();
    fake->state = 0; // every probe fails: each counts as zero
    EXPECT_EQ(State2000("db1"), "正常");
    EXPECT_EQ(app.cMsg, "对象关闭时，不允许操作。");
    EXPECT_EQ(conn.get(), fake.get()); // handed back unchanged

    fake->state = 1;
    fake->handler = [](const std::string& sql) {
        if (sql.find("IsReadOnly") != std::string::npos) return FakeConnection::Rows({"Status"}, {{Value::Number(1)}});
        return FakeConnection::Rows({"Status"}, {{Value::Text("abc")}});
    };
    EXPECT_EQ(State2000("db1"), "正常"); // an unreadable flag stops; the read-only label found before is dropped
    EXPECT_EQ(app.cMsg, "类型不匹配");
    EXPECT_EQ(fake->sent.size(), 2u);

    fake->handler = [](const std::string&) { return FakeConnection::Fail("连接已断开", 10054); };
    EXPECT_EQ(GetDbStateEx(app, "db1", conn), "");
    EXPECT_EQ(app.cMsg, "连接已断开");
}
