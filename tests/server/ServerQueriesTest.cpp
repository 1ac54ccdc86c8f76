// GetServerVersion and GetProductKind against a scripted connection: what becomes of each answer, and
// which catalogue each generation asks.
#include "app/Db.h"
#include "server/ProductDetection.h"
#include "server/ServerVersion.h"
#include "support/FakeConnection.h"
#include "support/Seams.h"
#include "support/TestPlatform.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace qmtest;

namespace {

struct ServerFixture : ::testing::Test {
    qmtest::TestPlatform platform;
    AppState app{platform};
    std::shared_ptr<FakeConnection> conn = std::make_shared<FakeConnection>();
    StatementLog recorder;

    void SetUp() override {
        conn->state = 1;
        app.oMaster = conn;
        app.observer = &recorder;
    }
};

SqlResult Version(const char* pv, const char* edition = "Standard Edition") {
    return FakeConnection::Rows({"productversion", "version"},
                                {{pv ? Value::Text(pv) : Value::Null(), Value::Text(edition)}});
}

} // namespace

TEST_F(ServerFixture, VersionTextFromOneQueryOrEmptyWithTheReason) {
    const struct {
        SqlResult answer;
        const char* text;
        const char* msg;
        VersionClass cls = VersionClass::None;
    } cases[] = {
        {Version("9.00.4035.00"), "SQL Server 2005 SP3 标准版", "", VersionClass::Sql2005},
        {Version("15.0.4153.1", "Standard Edition (64-bit)"), "SQL Server 2019  Standard Edition (64-bit)", "",
         VersionClass::Modern},
        {Version("17.0.1000.7"), "SQL Server 2025  标准版", "", VersionClass::Modern},
        {Version("18.0.1000.1"), "18.0.1000.1. 标准版", ""}, // not known yet: no class, the raw number
        {FakeConnection::Fail("'SERVERPROPERTY' 不是可以识别的 函数名。", 195), "",
         "'SERVERPROPERTY' 不是可以识别的 函数名。"},
        {Version(nullptr), "", "无效使用 Null"},
        {Version("9.00.40000.00"), "", "溢出"},
        {FakeConnection::Rows({"productversion", "version"}, {}), "",
         "BOF 或 EOF 中有一个是“真”，或者当前记录已被删除，所请求的操作要求一个当前记录。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        conn->handler = [&](const std::string&) { return c.answer; };
        app.cMsg = "earlier";
        app.versionClass = VersionClass::Sql2000;
        EXPECT_EQ(GetServerVersion(app, app.cMsg, app.oMaster, app.versionClass), c.text);
        EXPECT_EQ(app.cMsg, c.msg);
        EXPECT_EQ(app.versionClass, c.cls);
    }
    EXPECT_EQ(conn->sent.size(), std::size(cases));
    ASSERT_FALSE(recorder.statements.empty()); // the statement is reported like any other
    EXPECT_TRUE(recorder.statements[0].ok);

    conn->state = 0;
    EXPECT_EQ(GetServerVersion(app, app.cMsg, app.oMaster, app.versionClass), "");
    EXPECT_EQ(app.cMsg, "对象关闭时，不允许操作。");
}

// Neither system database, or both queries refused: no product, and the last error stays. Which system
// database wins, and which catalogue each generation asks, are met against the simulator.
TEST_F(ServerFixture, ProductKindFromTheCatalogueOrFromTheLogin) {
    for (const bool refused : {false, true}) {
        conn->handler = [&](const std::string& sql) {
            const bool uft = sql.find("name='uftsystem'") != std::string::npos;
            return refused ? FakeConnection::Fail(uft ? "uftsystem" : "ufsystem", 208)
                           : FakeConnection::Rows({"name"}, {});
        };
        EXPECT_EQ(GetProductKind(app), "");
        EXPECT_EQ(app.cMsg, refused ? "uftsystem" : "");
    }
    conn->sent.clear();
    AppState signedIn{platform};
    signedIn.oMaster = conn;
    signedIn.makeLoginWrapper = [] {
        auto l = std::make_unique<FakeLogin>();
        l->version = "T6";
        return l;
    };
    EXPECT_EQ(GetProductKind(signedIn), "T6"); // the login's kind needs no query
    EXPECT_TRUE(conn->sent.empty());
}
