// Start-up with the product login wrapper against the in-process SQL Server simulator.
#include "login/LoginFixture.h"

#include "startup/Startup.h"
#include "platform/TempFolder.h"
#include "sqlsim/InProcess.h"

#include <filesystem>

using namespace qm;
using namespace qmtest;

namespace {

// Both system databases exist, so a catalogue lookup would answer "T+".
const char* kScenario = R"({"version": "10.00.2531.00", "edition": "Standard Edition",
  "logins": {"sa": "Secret"},
  "databases": [{"name": "UFDATA_001_2015"}],
  "ua_account": [{"cAcc_id": "001", "cAcc_Name": "演示账套"}],
  "eap_account": [{"cAcc_Num": "002", "cAcc_Name": "演示", "iYear": 2015, "DsName": "UFTDATA_002_2015"}]})";

struct Windows : StartupWindows {
    bool ConnSql(LoginSettings& v) override {
        log.push_back("ConnSql");
        v = {"127.0.0.1", "sa", "Secret"};
        return true;
    }
    void ShowEndMessage(const std::string& text) override { log.push_back("End " + text); }
    void ShowMainWindow() override { log.push_back("Main"); }
    std::vector<std::string> log;
};

class StartupLoginTest : public LoginTest {
protected:
    void SetUp() override {
        LoginTest::SetUp();
        std::filesystem::create_directories(root / "DATA");
        std::string error;
        engine = sqlsim::Engine::FromJson(kScenario, root / "DATA", error);
        ASSERT_TRUE(engine) << error;
        sim = std::make_unique<sqlsim::InProcessConnectionFactory>(engine);
        platform.connections = *sim;
        platform.toolFolder = root.path();
        app = std::make_unique<AppState>(platform);
        app->frmMsg = &dialog;  // the wrapper's own dialog too
        app->makeLoginWrapper = [this] { return MakeProductLogin(*app, &dialog); };
        component.dbConnect = "Provider=SQLOLEDB;User ID=sa;Password=Secret;Data Source=127.0.0.1;";
    }
    int CatalogueQueries() const {
        int n = 0;
        for (const auto& e : engine->Transcript())
            n += e.sql.find("sysdatabases") != std::string::npos || e.sql.find("sys.databases") != std::string::npos;
        return n;
    }

    TempFolder root;
    std::shared_ptr<sqlsim::Engine> engine;
    std::unique_ptr<sqlsim::InProcessConnectionFactory> sim;
    std::unique_ptr<AppState> app;
    Windows windows;
};

// The product's sign-in replaces the SQL dialog; without one the dialog runs, and only without a
// product kind from the wrapper does the catalogue decide. Every road opens all three connections
// and asks for the version first.
struct Road {
    bool u8, t6, wrongPassword;
    std::vector<std::string> log;
    const char* signIn;   // cDBServer|cDBUser|cDBPwd
    const char* product;
    int catalogueQueries;
};
void PrintTo(const Road& r, std::ostream* os) { *os << r.product << (r.wrongPassword ? " after a refused proof" : ""); }
class ProductLoginRoad : public StartupLoginTest, public ::testing::WithParamInterface<Road> {};

TEST_P(ProductLoginRoad, SignsInNamesTheProductAndOpensEveryConnection) {
    const Road& c = GetParam();
    if (c.u8) InstallU8FrontEnd();
    if (!c.t6) automation.classes.erase(progid::kU8Login);
    if (c.wrongPassword) component.dbConnect = "Password=Wrong;Data Source=127.0.0.1;";
    ASSERT_TRUE(Main(*app, windows));
    EXPECT_EQ(windows.log, c.log);
    EXPECT_EQ(app->cDBServer + "|" + app->cDBUser + "|" + app->cDBPwd, c.signIn);
    EXPECT_EQ(app->cProduct, c.product);
    EXPECT_EQ(CatalogueQueries(), c.catalogueQueries);
    EXPECT_NE(engine->Transcript().at(0).sql.find("SERVERPROPERTY"), std::string::npos);
    for (auto* conn : {&app->oTempdb, &app->oMaster, &app->oSystemDB}) EXPECT_TRUE(*conn && (*conn)->State() == 1);
    EXPECT_EQ(app->cMsg, "");
    EXPECT_TRUE(dialog.shown.empty());
}

const std::vector<std::string> kDialogRoad = {"ConnSql", "Main"};
INSTANTIATE_TEST_SUITE_P(Login, ProductLoginRoad,
                         ::testing::Values(Road{false, true, false, {"Main"}, "127.0.0.1|SA|Secret", "T6", 0},
                                           Road{true, true, false, kDialogRoad, "127.0.0.1|sa|Secret", "U8", 0},
                                           Road{false, true, true, kDialogRoad, "127.0.0.1|sa|Secret", "T6", 0},
                                           Road{false, false, false, kDialogRoad, "127.0.0.1|sa|Secret", "T+", 2}));

} // namespace
