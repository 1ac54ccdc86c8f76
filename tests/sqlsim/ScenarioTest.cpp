// Scenario loading: files, dbids, shipped scenarios and malformed input.
#include "SimFixture.h"
#include "ToolTexts.h"

using namespace simtest;

class ScenarioTest : public SimTest {};

TEST_F(ScenarioTest, DatabasesGetDbidsAfterSystemDatabasesAndRealFiles) {
    Load(R"({"databases": [{"name": "B", "data_file": "b.mdf", "log_file": "b_log.ldf", "log_file_exists": false},
                           {"name": "A", "data_file_exists": false}],
             "ua_account": []})");
    auto r = Run("select name, dbid from master..sysdatabases");
    ASSERT_FALSE(r.failed);
    std::vector<std::string> names;
    for (const auto& row : r.results[0].rows) names.push_back(row[0].s + "=" + std::to_string(row[1].i));
    EXPECT_EQ(names, (std::vector<std::string>{"master=1", "tempdb=2", "model=3", "msdb=4", "B=5", "A=6", "UFSystem=7"}));
    EXPECT_TRUE(Exists(P("b.mdf")));
    EXPECT_FALSE(Exists(P("b_log.ldf")));
    EXPECT_FALSE(Exists(P("A.MDF")));
    EXPECT_TRUE(Exists(P("A_LOG.LDF")));
    EXPECT_EQ(Value("select filename from sysdatabases where name='B'"), P("b.mdf"));
    EXPECT_EQ(Value(LogNameQuery("B")), "Ufmodel_LOG");
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
        auto r = Run(*c.query);
        ASSERT_FALSE(r.failed) << FirstError(r).second;
        EXPECT_EQ(r.results[0].rows.size(), c.rows);
    }
}
