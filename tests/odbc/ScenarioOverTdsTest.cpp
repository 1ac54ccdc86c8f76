// The tool's own statements over ODBC + FreeTDS against the real simulator engine and its scenario
// files: version and discovery queries, login refusals, a refused log rebuild, server messages and
// the transcript.
#include "platform/OdbcConnection.h"
#include "sqlsim/SimFixture.h"
#include "sqlsim/ToolTexts.h"
#include "tds/TdsServer.h"

namespace qmtest {
namespace {

class ScenarioOverTds : public simtest::SimTest {
protected:
    void TearDown() override {
        server.reset();
        SimTest::TearDown();
    }
    void Serve(const std::string& scenario) {
        ASSERT_TRUE(Load(scenario));
        server = std::make_unique<sqlsim::tds::TdsServer>(engine, sqlsim::tds::SessionConfig{});
        std::string error;
        ASSERT_TRUE(server->Start(0, error)) << error;
    }
    std::string Text(const std::string& db, const std::string& pwd) const {
        return "Provider=SQLOLEDB;Server=127.0.0.1," + std::to_string(server->Port()) + ";Database=" + db +
               ";Uid=sa;Pwd=" + pwd + ";";
    }
    std::shared_ptr<qm::Connection> Open(const std::string& pwd, const std::string& db = "master") {
        auto c = factory.Create();
        std::string error;
        EXPECT_TRUE(c->Open(Text(db, pwd), error)) << error;
        return c;
    }

    std::unique_ptr<sqlsim::tds::TdsServer> server;
    qm::OdbcConnectionFactory factory;
};

TEST_F(ScenarioOverTds, VersionAndDiscoveryKeepChineseNamesAndTextAtEachRelease) {
    struct Case { const char* scenario; const char* pwd; const char* version; const std::string* query; const char* db; };
    for (const Case& c : {Case{"sql2000-u8.json", "", "8.00.2039", &simtest::kQ4, "UFDATA_001_2008"},
                          Case{"sql2005-u8.json", "sa123", "9.00.4035.00", &simtest::kQ1, "UFDATA_001_2015"}}) {
        SCOPED_TRACE(c.scenario);
        TearDown();
        Serve(c.scenario);
        auto conn = Open(c.pwd);
        qm::SqlResult r = conn->Execute(simtest::kVersionQuery);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.recordset.rows.size(), 1u);
        EXPECT_EQ(r.recordset.columns, (std::vector<std::string>{"productversion", "version"}));
        EXPECT_EQ(r.recordset.rows[0][0], qm::Value::Text(c.version));

        r = conn->Execute(*c.query);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.recordset.columns,
                  (std::vector<std::string>{"DB", "选择", "账套号", "账套名称", "年度", "路径", "报告"}));
        ASSERT_FALSE(r.recordset.rows.empty());
        const auto& first = r.recordset.rows[0];
        EXPECT_EQ(first[0].toText(), c.db);
        EXPECT_EQ(first[3].toText(), "演示公司");
        EXPECT_EQ(first[5].toText(), dir + "/" + c.db + ".MDF");
    }
}

TEST_F(ScenarioOverTds, LoginIsCheckedAgainstTheScenario) {
    Serve("sql2005-u8.json");
    auto c = factory.Create();
    std::string error;
    EXPECT_FALSE(c->Open(Text("master", "wrong"), error));
    EXPECT_EQ(error, "用户 'sa' 登录失败。");
    EXPECT_EQ(c->State(), 0);
    EXPECT_EQ(c->Execute("select 1").error, "对象关闭时，不允许操作。");
    // No UFTSystem in a U8 scenario: the login's database cannot be opened. The server sends 4060
    // (class 11) then 18456 (class 14); FreeTDS ranks its records by class, so 18456 comes first.
    auto d = factory.Create();
    EXPECT_FALSE(d->Open(Text("UFTSystem", "sa123"), error));
    EXPECT_EQ(error, "用户 'sa' 登录失败。");
    EXPECT_EQ(d->State(), 0);
    EXPECT_EQ(Open("sa123", "Tempdb")->State(), 1);
}

TEST_F(ScenarioOverTds, RefusedRebuildAndMessagesAndTranscript) {
    Serve("sql2005-u8.json");
    auto c = Open("sa123");
    const std::string log = dir + "/UFDATA_001_2015_LOG.LDF";
    const std::vector<std::string> sent = {
        "alter database UFDATA_001_2015 set emergency ",
        "alter database UFDATA_001_2015 Rebuild Log on (name=Ufmodel_LOG,filename='" + log + "') ",
        "sp_configure 'allow updates',1",
    };
    qm::SqlResult emergency = c->Execute(sent[0]);
    EXPECT_TRUE(emergency.ok) << emergency.error;
    qm::SqlResult rebuild = c->Execute(sent[1]);
    EXPECT_FALSE(rebuild.ok);
    EXPECT_NE(rebuild.error.find("应该重命名或删除它"), std::string::npos) << rebuild.error;
    EXPECT_EQ(rebuild.errorNumber, 5025);
    qm::SqlResult configure = c->Execute(sent[2]);
    EXPECT_TRUE(configure.ok) << configure.error;
    ASSERT_FALSE(configure.messages.empty());
    EXPECT_EQ(configure.messages.back().number, 15457);
    EXPECT_LE(configure.messages.back().severity, 10);

    const auto transcript = engine->Transcript();
    ASSERT_EQ(transcript.size(), sent.size());
    for (size_t i = 0; i < sent.size(); ++i) EXPECT_EQ(transcript[i].sql, sent[i]);
    EXPECT_FALSE(transcript[0].failed);
    EXPECT_TRUE(transcript[1].failed);
    EXPECT_EQ(transcript[1].number, 5025);
    EXPECT_EQ(transcript[1].message, rebuild.error);
}

} // namespace
} // namespace qmtest
