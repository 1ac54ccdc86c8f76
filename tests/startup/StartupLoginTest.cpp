// Start-up with the product login wrapper against the in-process SQL Server simulator: a product sign-in
// replaces the SQL login dialog, and the product kind comes from the wrapper without a catalogue query.
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
        Platform p = Services();
        p.connections = sim.get();
        p.toolFolder = root.path();
        app = std::make_unique<AppState>(p);
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

TEST_F(StartupLoginTest, ProductSignInSkipsSqlDialogAndNamesTheProduct) {
    ASSERT_TRUE(Main(*app, windows));
    EXPECT_EQ(windows.log, std::vector<std::string>{"Main"});
    EXPECT_EQ(app->cDBServer + "|" + app->cDBUser + "|" + app->cDBPwd, "127.0.0.1|SA|Secret");
    EXPECT_EQ(app->cProduct, "T6");
    EXPECT_EQ(app->cSystemDB, "UFSystem");
    ASSERT_TRUE(app->oMaster);
    EXPECT_EQ(app->oMaster->State(), 1);
    EXPECT_EQ(CatalogueQueries(), 0);
    EXPECT_FALSE(engine->Transcript().empty());  // the version query did reach the server
    EXPECT_TRUE(dialog.shown.empty());
}

// Without a product sign-in the SQL dialog runs; only without a product kind does the catalogue decide.
struct Fallback {
    bool u8, t6, wrongPassword;
    const char* product;
    int catalogueQueries;
};
class StartupFallbackTest : public StartupLoginTest, public ::testing::WithParamInterface<Fallback> {};

TEST_P(StartupFallbackTest, SqlDialogRunsAndTheKindComesFromTheWrapperWhenItHasOne) {
    const Fallback& c = GetParam();
    if (c.u8) InstallU8FrontEnd();
    if (!c.t6) automation.classes.erase(progid::kU8Login);
    if (c.wrongPassword) component.dbConnect = "Password=Wrong;Data Source=127.0.0.1;";
    ASSERT_TRUE(Main(*app, windows));
    EXPECT_EQ(windows.log, (std::vector<std::string>{"ConnSql", "Main"}));
    EXPECT_EQ(app->cDBPwd, "Secret");  // the dialog's values replace the wrapper's
    EXPECT_EQ(app->cProduct, c.product);
    EXPECT_EQ(CatalogueQueries(), c.catalogueQueries);
    EXPECT_TRUE(dialog.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Login, StartupFallbackTest,
                         ::testing::Values(Fallback{true, true, false, "U8", 0}, Fallback{false, true, true, "T6", 0},
                                           Fallback{false, false, false, "T+", 2}));

} // namespace
