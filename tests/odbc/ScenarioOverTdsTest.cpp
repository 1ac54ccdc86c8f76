// ODBC + FreeTDS against the real simulator engine, where the engine's part matters on the wire:
// login refusals from the scenario, a long check cancelled by the driver's attention, and a server
// lost mid-run. (Result types and texts on the wire are covered with a scripted engine.)
#include "platform/OdbcConnection.h"
#include "sqlsim/SimFixture.h"
#include "support/ToolTexts.h"
#include "tds/TdsServer.h"

#include <chrono>
#include <future>

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
        ASSERT_TRUE(other->Execute(kVersionQuery).ok);
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
    EXPECT_FALSE(bystander->Execute(kVersionQuery).ok);
    std::string error;
    EXPECT_FALSE(factory.Create()->Open(Text("master", ""), error));   // refused, not left waiting
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(10));
    EXPECT_TRUE(server->Dropped());

    const auto transcript = engine->Transcript();
    ASSERT_FALSE(transcript.empty());
    EXPECT_EQ(transcript.back().sql, sql);
    EXPECT_TRUE(transcript.back().dropped);
    EXPECT_EQ(Got(StateQuery2005("A")), "置疑");
}

} // namespace
} // namespace qmtest
