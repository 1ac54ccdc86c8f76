// The tool's own statements over ODBC + FreeTDS against the real simulator engine and its scenario
// files: version and discovery queries, login refusals, a refused log rebuild, server messages and
// the transcript; a long check cancelled by the driver's attention, and a server lost mid-run.
#include "platform/OdbcConnection.h"
#include "sqlsim/SimFixture.h"
#include "support/ToolTexts.h"
#include "tds/TdsServer.h"

#include <arpa/inet.h>
#include <chrono>
#include <future>
#include <sys/socket.h>
#include <unistd.h>

namespace qmtest {
namespace {

class ScenarioOverTds : public simtest::SimTest {
protected:
    void TearDown() override {
        server.reset();
        SimTest::TearDown();
    }
    void Serve(const std::string& scenario, const sqlsim::tds::SessionConfig& config = {}) {
        ASSERT_TRUE(Load(scenario));
        server = std::make_unique<sqlsim::tds::TdsServer>(engine, config);
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
    for (const Case& c : {Case{"sql2000-u8.json", "", "8.00.2039", &qmtest::kQ4, "UFDATA_001_2008"},
                          Case{"sql2005-u8.json", "sa123", "9.00.4035.00", &qmtest::kQ1, "UFDATA_001_2015"}}) {
        SCOPED_TRACE(c.scenario);
        TearDown();
        Serve(c.scenario);
        auto conn = Open(c.pwd);
        qm::SqlResult r = conn->Execute(qmtest::kVersionQuery);
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
    };
    qm::SqlResult emergency = c->Execute(sent[0]);
    EXPECT_TRUE(emergency.ok) << emergency.error;
    qm::SqlResult rebuild = c->Execute(sent[1]);
    EXPECT_FALSE(rebuild.ok);
    EXPECT_NE(rebuild.error.find("应该重命名或删除它"), std::string::npos) << rebuild.error;
    EXPECT_EQ(rebuild.errorNumber, 5025);

    const auto transcript = engine->Transcript();
    ASSERT_EQ(transcript.size(), sent.size());
    for (size_t i = 0; i < sent.size(); ++i) EXPECT_EQ(transcript[i].sql, sent[i]);
    EXPECT_FALSE(transcript[0].failed);
    EXPECT_TRUE(transcript[1].failed);
    EXPECT_EQ(transcript[1].number, 5025);
    EXPECT_EQ(transcript[1].message, rebuild.error);
}

using Clock = std::chrono::steady_clock;

const char* kLongCheck = R"({"databases": [{"name": "A", "checkdb": {"seconds": 30}}, {"name": "B"}]})";

// The driver gives up after its timeout with an attention; the server stops the check at once and
// the connection stays usable. Other connections are served while the check runs.
TEST_F(ScenarioOverTds, AttentionEndsALongCheckAtOnceWithoutHoldingUpOthers) {
    Serve(kLongCheck);
    auto checker = Open(""), other = Open("");
    checker->SetCommandTimeout(1);
    const auto t0 = Clock::now();
    auto check = std::async(std::launch::async, [&] { return checker->Execute("dbcc checkdb(N'A') with no_infomsgs"); });
    do {
        const auto q0 = Clock::now();
        ASSERT_TRUE(other->Execute(qmtest::kVersionQuery).ok);
        EXPECT_LT(Clock::now() - q0, std::chrono::milliseconds(500));
    } while (check.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready);
    const qm::SqlResult cancelled = check.get();
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(5));
    EXPECT_FALSE(cancelled.ok);

    EXPECT_TRUE(checker->Execute("dbcc checkdb(N'B') with no_infomsgs").ok);
    EXPECT_NE(engine->TranscriptJsonLines().find("with no_infomsgs\", \"error\": null, \"cancelled\": true}"), std::string::npos);
}

// The batch that meets the drop text is recorded but never run or answered; every connection closes
// and nobody can connect any more.
TEST_F(ScenarioOverTds, DropAtRecordsTheBatchClosesEveryConnectionAndStopsListening) {
    sqlsim::tds::SessionConfig config;
    config.dropAt = "SET EMERGENCY";
    Serve(R"({"databases": [{"name": "A", "state": "SUSPECT"}]})", config);
    auto sender = Open(""), bystander = Open("");
    const std::string sql = "alter database A set emergency ";
    const auto t0 = Clock::now();
    EXPECT_FALSE(sender->Execute(sql).ok);
    EXPECT_FALSE(bystander->Execute(qmtest::kVersionQuery).ok);
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(10));
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(server->Port());
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_NE(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);   // refused, not left waiting
    ::close(fd);
    EXPECT_TRUE(server->Dropped());

    const auto transcript = engine->Transcript();
    ASSERT_FALSE(transcript.empty());
    EXPECT_EQ(transcript.back().sql, sql);
    EXPECT_TRUE(transcript.back().dropped);
    EXPECT_EQ(Value(qmtest::StateQuery2005("A")), "置疑");
}

} // namespace
} // namespace qmtest
