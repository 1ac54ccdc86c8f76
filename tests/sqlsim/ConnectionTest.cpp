// The in-process connection: connection text, login, database check and result mapping.
#include "SimFixture.h"
#include "ToolTexts.h"
#include "sqlsim/InProcess.h"

using namespace simtest;

class ConnectionTest : public SimTest {
protected:
    void SetUp() override {
        Load(R"({"logins": {"sa": "p;w}d", "Reader": ""},
          "databases": [{"name": "UFDATA_001_2015", "state": "SUSPECT"}], "ua_account": []})");
    }
    std::shared_ptr<qm::Connection> Open(const std::string& cs, std::string& error) {
        auto c = sqlsim::InProcessConnectionFactory(engine).Create();
        c->Open(cs, error);
        return c;
    }
};

TEST_F(ConnectionTest, OpensWithQuotedPasswordAndCaseInsensitiveLogin) {
    std::string error;
    auto c = Open("Provider=SQLOLEDB;Server=127.0.0.1,1433;Database=UFSystem;Uid=SA;Pwd={p;w}}d};", error);
    EXPECT_EQ(c->State(), 1) << error;
    c = Open("Provider=SQLOLEDB;Server=.;Database=master;Uid=reader;Pwd=;", error);
    EXPECT_EQ(c->State(), 1) << error;
}

TEST_F(ConnectionTest, RefusesWrongLoginUnknownDatabaseAndJet) {
    std::string error;
    auto c = Open("Provider=SQLOLEDB;Server=.;Database=master;Uid=sa;Pwd=wrong;", error);
    EXPECT_EQ(c->State(), 0);
    EXPECT_EQ(error, "用户 'sa' 登录失败。");
    c = Open("Provider=SQLOLEDB;Server=.;Database=nosuch;Uid=sa;Pwd={p;w}}d};", error);
    EXPECT_EQ(c->State(), 0);
    EXPECT_EQ(error, "无法打开登录所请求的数据库 \"nosuch\"。登录失败。");
    c = Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Config.mdb;", error);
    EXPECT_EQ(c->State(), 0);
    EXPECT_FALSE(error.empty());
    auto r = c->Execute(kVersionQuery);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "对象关闭时，不允许操作。");
    EXPECT_TRUE(engine->Transcript().empty());
}

TEST_F(ConnectionTest, ExecuteMapsRowsErrorsAndMessages) {
    std::string error;
    auto c = Open("Provider=SQLOLEDB;Server=.;Database=master;Uid=sa;Pwd={p;w}}d};", error);
    ASSERT_EQ(c->State(), 1) << error;
    auto r = c->Execute(kQ3);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.recordset.columns[1], "选择");
    ASSERT_EQ(r.recordset.rows.size(), 1u);
    EXPECT_EQ(r.recordset.rows[0][0], qm::Value::Text("UFDATA_001_2015"));
    EXPECT_TRUE(r.recordset.rows[0][2].isNull());
    r = c->Execute(Probe2000("IsSuspect", "UFDATA_001_2015"));
    EXPECT_EQ(r.recordset.rows[0][0], qm::Value::Number(1));

    r = c->Execute("alter database nosuch set emergency ");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errorNumber, 5011);
    EXPECT_EQ(r.messages.size(), 2u);
    EXPECT_EQ(r.error, r.messages[0].text);

    r = c->Execute("alter database UFDATA_001_2015 set single_user with rollback immediate ");
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.error.empty());
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].number, 5060);
}
