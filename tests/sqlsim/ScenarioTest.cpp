// Scenario loading and the in-process connection's logins. (Files, dbids and the listings a scenario
// gives are met through the discovery and repair tests.)
#include "SimFixture.h"

#include "sqlsim/InProcess.h"

using namespace simtest;

class ScenarioTest : public SimTest {};

TEST_F(ScenarioTest, ShippedScenariosLoadAndMalformedOnesAreRefusedWithAReason) {
    for (const auto& e : std::filesystem::directory_iterator(SQLSIM_SCENARIO_DIR))
        EXPECT_TRUE(Load(e.path().filename().string())) << e.path();
    std::string error;
    for (const char* bad :
         {"{", R"({"databases": [{"name": "A"}, {"name": "a "}]})",
          R"({"databases": [{"name": "A", "flags": ["IsWobbly"]}]})",
          R"({"databases": [{"name": "A", "state": "BROKEN"}]})", R"({"databases": [{"name": "A", "cause": "flood"}]})",
          R"({"databases": [{"name": "A", "cause": "held", "cause_file": "disk"}]})",
          R"({"databases": [{"name": "A", "checkdb": {"level": "repair_fast"}}]})",
          R"({"databases": [{"name": "A", "checkdb": {"emergency_repair": "works"}}]})",
          R"({"databases": [{"name": "A", "checkdb": {"left_after_repair": {"consistency_errors": 1}}}]})",
          R"({"databases": [{"name": "A", "checkdb": {"seconds": -1}}]})"}) {
        error.clear();
        EXPECT_FALSE(sqlsim::Engine::FromJson(bad, dir, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_NE(error.find("checkdb of A"), std::string::npos); // the reason names what is wrong
}

TEST_F(ScenarioTest, InProcessLoginsAreRefusedWithTheServerTexts) {
    Load(R"({"logins": {"sa": "p;w}d"}, "ua_account": []})");
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
    EXPECT_EQ(open("UFSystem", "Uid=SA;Pwd={p;w}}d};")->State(), 1) << error;
    EXPECT_TRUE(engine->Transcript().empty());
}
