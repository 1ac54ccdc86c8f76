// The in-process connection: connection text, login, database check and result mapping.
#include "SimFixture.h"
#include "sqlsim/InProcess.h"

using namespace simtest;

class ConnectionTest : public SimTest {};

TEST_F(ConnectionTest, LoginsAreRefusedWithTheServerTextsAndResultsMapped) {
    Load(R"({"logins": {"sa": "p;w}d", "Reader": ""},
      "databases": [{"name": "UFDATA_001_2015", "state": "SUSPECT"}], "ua_account": []})");
    std::string error;
    auto open = [&](const std::string& db, const std::string& login) {
        auto c = sqlsim::InProcessConnectionFactory(engine).Create();
        c->Open("Provider=SQLOLEDB;Server=.;Database=" + db + ";" + login, error);
        return c;
    };
    EXPECT_EQ(open("master", "Uid=reader;Pwd=;")->State(), 1) << error;
    auto c = open("master", "Uid=sa;Pwd=wrong;");
    EXPECT_EQ(c->State(), 0);
    EXPECT_EQ(error, "用户 'sa' 登录失败。");
    EXPECT_EQ(c->Execute(kVersionQuery).error, "对象关闭时，不允许操作。");
    EXPECT_EQ(open("nosuch", "Uid=sa;Pwd={p;w}}d};")->State(), 0);
    EXPECT_EQ(error, "无法打开登录所请求的数据库 \"nosuch\"。登录失败。");
    EXPECT_TRUE(engine->Transcript().empty());

    c = open("UFSystem", "Uid=SA;Pwd={p;w}}d};");
    ASSERT_EQ(c->State(), 1) << error;
    auto r = c->Execute(kQ3);
    ASSERT_EQ(r.recordset.rows.size(), 1u);
    EXPECT_TRUE(r.recordset.rows[0][2].isNull());
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
