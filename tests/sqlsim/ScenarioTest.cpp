// Scenario loading: files, dbids, shipped scenarios and malformed input.
#include "SimFixture.h"

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
    EXPECT_EQ(Got(LogNameQuery("B")), "Ufmodel_LOG");
}

TEST_F(ScenarioTest, MalformedScenariosAreRefusedWithAReason) {
    Load("{}");
    std::string error;
    EXPECT_FALSE(sqlsim::Engine::FromJson("{", dir, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(sqlsim::Engine::FromJson(R"({"databases": [{"name": "A", "state": "BROKEN"}]})", dir, error));
    EXPECT_NE(error.find("BROKEN"), std::string::npos);
    EXPECT_FALSE(sqlsim::Engine::FromJson(R"({"databases": [{"name": "A"}, {"name": "a "}]})", dir, error));
    EXPECT_FALSE(sqlsim::Engine::FromJson(R"({"databases": [{"name": "A", "flags": ["IsWobbly"]}]})", dir, error));
    EXPECT_FALSE(sqlsim::Engine::FromJson(R"({"databases": [{"name": "A", "checkdb": {"seconds": -1}}]})", dir, error));
    EXPECT_NE(error.find("checkdb of A"), std::string::npos);
    EXPECT_FALSE(sqlsim::Engine::FromFile(dir + "/missing.json", dir, error));
}

TEST_F(ScenarioTest, ShippedScenariosLoadAndListTheirAbnormalDatabases) {
    struct Case { const char* file; const std::string* query; size_t rows; };
    const Case cases[] = {{"sql2005-u8.json", &kQ1, 3}, {"sql2000-u8.json", &kQ4, 3}, {"sql2008-tplus.json", &kQ2, 2},
                          {"sql2005-none.json", &kQ3, 2}, {"demo.json", &kQ1, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TearDown();
        ASSERT_TRUE(Load(c.file));
        const auto r = Run(*c.query);
        ASSERT_FALSE(r.failed) << Line(r);
        EXPECT_EQ(r.results[0].rows.size(), c.rows);
    }
}
