// State classification against the simulator, from sign-in on: the version text decides the
// classifier, the server's answers decide the label, awkward names cause no syntax error.
#include "discovery/DbState.h"
#include "discovery/LoadAcc.h"
#include "SimHarness.h"

#include <gtest/gtest.h>

using namespace qm;
using qmtest::SimHarness;

namespace {

std::string Db(const std::string& name, const std::string& state, const std::string& flags = "") {
    std::string j = R"({"name": ")" + name + R"(", "state": ")" + state + R"(", "data_file": "D)" +
                    std::to_string(name.size()) + R"(.MDF", "log_file": "L)" + std::to_string(name.size()) +
                    R"(.LDF")";
    if (!flags.empty()) j += R"(, "flags": [)" + flags + "]";
    return j + "}";
}

std::string Scenario(const std::string& version, const std::string& databases) {
    return R"({"version": ")" + version + R"(", "edition": "Enterprise Edition", "logins": {"sa": ""},
              "databases": [)" + databases + "]}";
}

struct DbStateSim : ::testing::Test {
    SimHarness sim;
    std::string State(const std::string& db) {
        return GetDbState(*sim.app, sim.app->cSQLVersion, db, sim.app->oMaster);
    }
};

} // namespace

TEST_F(DbStateSim, Sql2005StatusLabels) {
    ASSERT_TRUE(sim.Start(Scenario("9.00.4035.00", Db("A1", "SUSPECT") + "," + Db("A22", "EMERGENCY") + "," +
                                                        Db("A333", "ONLINE") + "," + Db("A4444", "OFFLINE"))));
    ASSERT_EQ(sim.app->cSQLVersion, "SQL Server 2005 SP3 企业版");
    EXPECT_EQ(State("A1"), "置疑");
    EXPECT_EQ(State("A22"), "紧急只读状态");
    EXPECT_EQ(State("A333"), "在线");
    EXPECT_EQ(State("A4444"), "脱机");
    EXPECT_EQ(State("NO_SUCH_DB"), "正常");   // NULL status
    ASSERT_EQ(sim.Sent().size(), 5u);
    EXPECT_EQ(sim.Sent()[0].rfind("--password \r\nSELECT case DATABASEPROPERTYEX ('A1', 'Status')", 0), 0u);
    EXPECT_TRUE(sim.Failures().empty());
}

TEST_F(DbStateSim, Sql2000FlagsSingleAndCombined) {
    ASSERT_TRUE(sim.Start(Scenario(
        "8.00.2039", Db("S1", "SUSPECT", R"("IsShutdown")") + "," + Db("S22", "SUSPECT", R"("IsSuspect")") + "," +
                         Db("S333", "SUSPECT", R"("IsShutdown", "IsSuspect")") + "," +
                         Db("E4444", "EMERGENCY", R"("IsEmergencyMode", "IsInStandBy", "IsOffline")") + "," +
                         Db("E55555", "EMERGENCY", R"("IsEmergencyMode", "IsInStandBy", "IsOffline", "IsReadOnly")") +
                         "," + Db("OK666666", "ONLINE"))));
    ASSERT_EQ(sim.app->cSQLVersion, "SQL Server 2000 SP4 企业版");
    EXPECT_EQ(State("S1"), "置疑");
    EXPECT_EQ(State("S22"), "可疑");
    EXPECT_EQ(State("S333"), "置疑\\可疑");
    EXPECT_EQ(State("E4444"), "紧急\\只读\\脱机");
    EXPECT_EQ(State("E55555"), "只读\\紧急\\只读\\脱机");
    EXPECT_EQ(State("OK666666"), "正常");
    EXPECT_EQ(State("NO_SUCH_DB"), "正常");
    EXPECT_EQ(sim.Sent().size(), 77u);   // eleven probes each
    EXPECT_TRUE(sim.Failures().empty());
}

TEST_F(DbStateSim, NamesWithApostrophesAndBlanksAreClassifiedWithoutSyntaxErrors) {
    const std::string odd = "UFDATA_O'Brien 2015";
    ASSERT_TRUE(sim.Start(Scenario("9.00.4035.00", Db("UFDATA_O'Brien 2015", "SUSPECT") + "," +
                                                        Db("UFDATA 002 2015", "EMERGENCY"))));
    EXPECT_EQ(State(odd), "置疑");
    EXPECT_EQ(State("UFDATA 002 2015"), "紧急只读状态");
    EXPECT_TRUE(sim.Failures().empty());
    EXPECT_TRUE(sim.app->cMsg.empty()) << sim.app->cMsg;
}

TEST_F(DbStateSim, Sql2000NameWithApostrophe) {
    ASSERT_TRUE(sim.Start(Scenario("8.00.760", Db("UFDATA_O'Brien 2015", "SUSPECT", R"("IsSuspect")"))));
    EXPECT_EQ(State("UFDATA_O'Brien 2015"), "可疑");
    EXPECT_TRUE(sim.Failures().empty());
}

TEST_F(DbStateSim, EveryListedDatabaseIsClassified) {
    ASSERT_TRUE(sim.Start(Scenario("9.00.3042.00", Db("UFDATA_001_2015", "SUSPECT") + "," +
                                                        Db("UFDATA_002_2015", "EMERGENCY"))));
    sim.app->cProduct.clear();
    MainModel m;
    ASSERT_TRUE(LoadAcc(*sim.app, m));
    ASSERT_EQ(m.iAccCount, 2);
    EXPECT_EQ(State(m.grid.Cell(1, kColDb)), "置疑");
    EXPECT_EQ(State(m.grid.Cell(2, kColDb)), "紧急只读状态");
}
