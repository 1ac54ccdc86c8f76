// ODBC + FreeTDS against the real simulator engine, where the engine's part matters on the wire: a long
// check cancelled by the driver's attention. (Login refusals and a server lost mid-run are met on the
// wire in the end-to-end runs; result types and texts with a scripted engine.)
#include "StubEngine.h"
#include "sqlsim/SimFixture.h"

#include <chrono>
#include <future>

namespace qmtest {
namespace {

using Clock = std::chrono::steady_clock;
using ScenarioOverTds = simtest::SimTest;

// The driver gives up after its timeout with an attention; the server stops the check at once and
// the connection stays usable. Other connections are served while the check runs.
TEST_F(ScenarioOverTds, AttentionEndsALongCheckAtOnceWithoutHoldingUpOthers) {
    ASSERT_TRUE(Load(R"({"databases": [{"name": "A", "checkdb": {"seconds": 30}}, {"name": "B"}]})"));
    TdsRig<sqlsim::Engine> rig(engine);
    auto checker = rig.Open(), other = rig.Open();
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

} // namespace
} // namespace qmtest
