// State classification against a scripted connection: the exact statements, the labels and their
// order, and what a failure leaves behind.
#include "discovery/DbState.h"
#include "support/FakeConnection.h"

#include <gtest/gtest.h>

#include <set>

using namespace qm;
using qmtest::FakeConnection;

namespace {

const char* const kFlags[] = {"IsReadOnly", "IsSingleUser", "IsShutdown", "IsEmergencyMode", "IsInStandBy",
                              "IsDetached", "IsDboOnly", "IsInLoad", "IsInRecovery", "IsOffline", "IsSuspect"};

std::string Probe(const std::string& flag, const std::string& nameBody) {
    return "select DATABASEPROPERTY(name,'" + flag + "') as Status from master.dbo.sysdatabases where name='" +
           nameBody + "'";
}

std::string ExQuery(const std::string& nameBody) {
    return "--password \r\nSELECT case DATABASEPROPERTYEX ('" + nameBody +
           "', 'Status') when 'ONLINE' then '在线' when 'OFFLINE'  then '脱机' when 'RESTORING'  then '还原' when "
           "'RECOVERING'  then '恢复' when 'SUSPECT'  then '置疑' when 'EMERGENCY'  then '紧急只读状态' Else '正常' "
           "end as cValue";
}

struct DbStateFake : ::testing::Test {
    Platform platform;
    AppState app{platform};
    std::shared_ptr<FakeConnection> fake = std::make_shared<FakeConnection>();
    std::shared_ptr<Connection> conn = fake;

    void SetUp() override { fake->state = 1; }
    // A SQL Server 2000 whose database `db` has exactly the flags in `set` (Status 1), others 0.
    void Flags(const std::string& db, std::set<std::string> set) {
        fake->handler = [db, set](const std::string& sql) {
            for (const char* f : kFlags)
                if (sql == Probe(f, db)) return FakeConnection::Rows({"Status"}, {{Value::Number(set.count(f))}});
            return FakeConnection::Fail("unexpected: " + sql);
        };
    }
    std::string State2000(const std::string& db) { return GetDbState(app, VersionClass::Sql2000, db, conn); }
    std::string StateEx(const std::string& db) { return GetDbState(app, VersionClass::Sql2005, db, conn); }
};

} // namespace

TEST_F(DbStateFake, Sql2000ProbesElevenFlagsInOrderWithoutPrefix) {
    Flags("UFDATA_001_2015", {});
    EXPECT_EQ(State2000("UFDATA_001_2015"), "正常");
    ASSERT_EQ(fake->sent.size(), 11u);
    for (size_t i = 0; i < 11; ++i) EXPECT_EQ(fake->sent[i], Probe(kFlags[i], "UFDATA_001_2015"));
}

TEST_F(DbStateFake, Sql2000LabelsSingleAndCombinedInProbeOrder) {
    const std::pair<std::set<std::string>, const char*> cases[] = {
        {{"IsReadOnly"}, "只读"}, {{"IsSingleUser"}, "单用户"}, {{"IsShutdown"}, "置疑"}, {{"IsEmergencyMode"}, "紧急"},
        {{"IsInStandBy"}, "只读"}, {{"IsDetached"}, "脱机"}, {{"IsDboOnly"}, "DBO"}, {{"IsInLoad"}, "装载"},
        {{"IsInRecovery"}, "恢复"}, {{"IsOffline"}, "脱机"}, {{"IsSuspect"}, "可疑"},
        {{"IsShutdown", "IsSuspect"}, "置疑\\可疑"},
        {{"IsEmergencyMode", "IsInStandBy", "IsOffline"}, "紧急\\只读\\脱机"},
        {{"IsEmergencyMode", "IsInStandBy", "IsOffline", "IsReadOnly"}, "只读\\紧急\\只读\\脱机"}};
    for (const auto& [flags, label] : cases) {
        Flags("db1", flags);
        EXPECT_EQ(State2000("db1"), label) << *flags.begin();
    }
}

TEST_F(DbStateFake, Sql2000OnlyAFlagOfExactlyOneCounts) {
    fake->handler = [](const std::string& sql) {
        if (sql.find("IsShutdown") != std::string::npos) return FakeConnection::Rows({"Status"}, {{Value::Number(2)}});
        if (sql.find("IsSuspect") != std::string::npos) return FakeConnection::Rows({"Status"}, {{Value::Text("1")}});
        if (sql.find("IsOffline") != std::string::npos) return FakeConnection::Rows({"Status"}, {{Value::Null()}});
        return FakeConnection::Rows({"Status"}, {});   // no such database: no row
    };
    EXPECT_EQ(State2000("db1"), "可疑");
}

TEST_F(DbStateFake, Sql2000FailuresGiveNormalAndLeaveTheirError) {
    fake->state = 0;   // every probe fails: each counts as zero
    EXPECT_EQ(State2000("db1"), "正常");
    EXPECT_EQ(app.cMsg, "对象关闭时，不允许操作。");
    EXPECT_EQ(conn.get(), fake.get());   // handed back unchanged

    fake->state = 1;
    fake->sent.clear();
    fake->handler = [](const std::string& sql) {
        if (sql.find("IsReadOnly") != std::string::npos) return FakeConnection::Rows({"Status"}, {{Value::Number(1)}});
        return FakeConnection::Rows({"Status"}, {{Value::Text("abc")}});
    };
    EXPECT_EQ(State2000("db1"), "正常");   // an unreadable flag stops; the read-only label found before is dropped
    EXPECT_EQ(app.cMsg, "类型不匹配");
    EXPECT_EQ(fake->sent.size(), 2u);
}

TEST_F(DbStateFake, ExMapsTheStatusWithOnePrefixedQueryOrGivesTheError) {
    fake->answers[ExQuery("UFDATA_001_2015")] = FakeConnection::Rows({"cValue"}, {{Value::Text("紧急只读状态")}});
    EXPECT_EQ(StateEx("UFDATA_001_2015"), "紧急只读状态");
    EXPECT_EQ(GetDbState(app, VersionClass::Sql2008, "UFDATA_001_2015", conn), "紧急只读状态");
    EXPECT_EQ(fake->sent, std::vector<std::string>(2, ExQuery("UFDATA_001_2015")));
    fake->answers[ExQuery("db1")] = FakeConnection::Fail("连接已断开", 10054);
    EXPECT_EQ(GetDbStateEx(app, "db1", conn), "");
    EXPECT_EQ(app.cMsg, "连接已断开");
}
