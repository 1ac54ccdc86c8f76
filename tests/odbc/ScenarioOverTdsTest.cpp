// ODBC + FreeTDS against the real simulator engine, where the engine's part matters on the wire:
// login refusals from the scenario, a long check cancelled by the driver's attention, and a server
// lost mid-run. (Result types and texts on the wire are covered with a scripted engine.)
#include "StubEngine.h"
#include "sqlsim/SimFixture.h"
#include "tds/TdsServer.h"

#include <chrono>
#include <future>

namespace qmtest {
namespace {

class ScenarioOverTds : public simtest::SimTest {
protected:
    void TearDown() override {
        rig.reset();
        SimTest::TearDown();
    }
    void Serve(const std::string& scenario, const sqlsim::tds::SessionConfig& config = {}) {
        ASSERT_TRUE(Load(scenario));
        rig = std::make_unique<TdsRig<sqlsim::Engine>>(engine, config);
    }
    std::unique_ptr<TdsRig<sqlsim::Engine>> rig;
};

TEST_F(ScenarioOverTds, LoginIsCheckedAgainstTheScenario) {
    Serve("sql2005-u8.json");
    auto c = rig->factory.Create();
    std::string error;
    EXPECT_FALSE(c->Open(rig->Text("master", "wrong"), error));
    EXPECT_EQ(error, "用户 'sa' 登录失败。");
    EXPECT_EQ(c->State(), 0);
    EXPECT_EQ(c->Execute("select 1").error, "对象关闭时，不允许操作。");
    // No UFTSystem in a U8 scenario: the login's database cannot be opened. The server sends 4060
    // (class 11) then 18456 (class 14); FreeTDS ranks its records by class, so 18456 comes first.
    auto d = rig->factory.Create();
    EXPECT_FALSE(d->Open(rig->Text("UFTSystem", "sa123"), error));
    EXPECT_EQ(error, "用户 'sa' 登录失败。");
    EXPECT_EQ(d->State(), 0);
    EXPECT_EQ(rig->Open("sa123", "Tempdb")->State(), 1);
}

using Clock = std::chrono::steady_clock;

const char* kLongCheck = R"({"databases": [{"name": "A", "checkdb": {"seconds": 30}}, {"name": "B"}]})";

// The driver gives up after its timeout with an attention; the server stops the check at once and
// the connection stays usable. Other connections are served while the check runs.
TEST_F(ScenarioOverTds, AttentionEndsALongCheckAtOnceWithoutHoldingUpOthers) {
    Serve(kLongCheck);
    auto checker = rig->Open(), other = rig->Open();
    checker->SetCommandTimeout(1);
    const auto t0 = Clock::now();
    auto check = std::async(std::launch::async, [&] { return checker->Execute("dbcc checkdb(N'A') with no_infomsgs"); });
    do {
        const auto q0 = Clock::now();
        ASSERT_TRUE(other->Execute("select name from sysdatabases").ok);
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
    auto sender = rig->Open(), bystander = rig->Open();
    const std::string sql = "alter database A set emergency ";
    const auto t0 = Clock::now();
    EXPECT_FALSE(sender->Execute(sql).ok);
    EXPECT_FALSE(bystander->Execute("select name from sysdatabases").ok);
    std::string error;
    EXPECT_FALSE(rig->factory.Create()->Open(rig->Text("master", ""), error));   // refused, not left waiting
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(10));
    EXPECT_TRUE(rig->server.Dropped());

    const auto transcript = engine->Transcript();
    ASSERT_FALSE(transcript.empty());
    EXPECT_EQ(transcript.back().sql, sql);
    EXPECT_TRUE(transcript.back().dropped);
    EXPECT_EQ(Got(simtest::StateOf("A")), "SUSPECT");
}

} // namespace
} // namespace qmtest
