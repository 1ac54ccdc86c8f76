// Scenario loading (files, dbids, shipped scenarios, malformed input) and the in-process connection.
#include "SimFixture.h"

#include "discovery/LoadAcc.h"
#include "sqlsim/InProcess.h"

using namespace simtest;

class ScenarioTest : public SimTest {};

TEST_F(ScenarioTest, DatabasesGetDbidsAfterSystemDatabasesAndRealFiles) {
    Load(R"({"databases": [{"name": "B", "data_file": "b.mdf", "log_file": "b_log.ldf", "log_file_exists": false},
                           {"name": "A", "data_file_exists": false}],
             "ua_account": []})");
    EXPECT_EQ(Got("select name from master..sysdatabases"), "master,tempdb,model,msdb,B,A,UFSystem");
    EXPECT_EQ(Got("select dbid from master..sysdatabases"), "1,2,3,4,5,6,7");
    EXPECT_TRUE(Exists(P("b.mdf")));
    EXPECT_FALSE(Exists(P("b_log.ldf")));
    EXPECT_FALSE(Exists(P("A.MDF")));
    EXPECT_TRUE(Exists(P("A_LOG.LDF")));
    EXPECT_EQ(Got("select filename from sysdatabases where name='B'"), P("b.mdf"));
    EXPECT_EQ(Got("select name from sysaltfiles where fileid=2 and dbid=DB_ID('B')"), "Ufmodel_LOG");
}

TEST_F(ScenarioTest, MalformedScenariosAreRefusedWithAReason) {
    Load("{}");
    std::string error;
    for (const char* bad : {"{", R"({"databases": [{"name": "A"}, {"name": "a "}]})",
                            R"({"databases": [{"name": "A", "flags": ["IsWobbly"]}]})",
                            R"({"databases": [{"name": "A", "state": "BROKEN"}]})",
                            R"({"databases": [{"name": "A", "checkdb": {"seconds": -1}}]})"}) {
        error.clear();
        EXPECT_FALSE(sqlsim::Engine::FromJson(bad, dir, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_NE(error.find("checkdb of A"), std::string::npos);   // the reason names what is wrong
    EXPECT_FALSE(sqlsim::Engine::FromFile(dir + "/missing.json", dir, error));
}

TEST_F(ScenarioTest, ShippedScenariosLoadAndListTheirAbnormalDatabases) {
    struct Case { const char* file; const char* query; size_t rows; };
    const Case cases[] = {{"sql2005-u8.json", qm::kLoadAccQ1, 3}, {"sql2000-u8.json", qm::kLoadAccQ4, 3},
                          {"sql2008-tplus.json", qm::kLoadAccQ2, 2}, {"sql2005-none.json", qm::kLoadAccQ3, 2},
                          {"demo.json", qm::kLoadAccQ1, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TearDown();
        ASSERT_TRUE(Load(c.file));
        const auto r = Run(c.query);
        ASSERT_FALSE(r.failed) << Line(r);
        EXPECT_EQ(r.results[0].rows.size(), c.rows);
    }
}

// The in-process connection: login refusals with the server texts, and results mapped as ADO shows them.
TEST_F(ScenarioTest, InProcessLoginsAreRefusedWithTheServerTextsAndResultsMapped) {
    Load(R"({"logins": {"sa": "p;w}d"},
      "databases": [{"name": "UFDATA_001_2015", "state": "SUSPECT"}], "ua_account": []})");
    std::string error;
    auto open = [&](const std::string& db, const std::string& login) {
        auto c = sqlsim::InProcessConnectionFactory(engine).Create();
        c->Open("Provider=SQLOLEDB;Server=.;Database=" + db + ";" + login, error);
        return c;
    };
    auto c = open("master", "Uid=sa;Pwd=wrong;");
    EXPECT_EQ(c->State(), 0);
    EXPECT_EQ(error, "用户 'sa' 登录失败。");
    EXPECT_EQ(c->Execute("select 1").error, "对象关闭时，不允许操作。");
    EXPECT_EQ(open("nosuch", "Uid=sa;Pwd={p;w}}d};")->State(), 0);
    EXPECT_EQ(error, "无法打开登录所请求的数据库 \"nosuch\"。登录失败。");
    EXPECT_TRUE(engine->Transcript().empty());

    c = open("UFSystem", "Uid=SA;Pwd={p;w}}d};");
    ASSERT_EQ(c->State(), 1) << error;
    auto r = c->Execute("alter database nosuch set emergency ");
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
