// The SQL sign-in road of start-up against the in-process simulator: what the server sees, and what a
// server that refuses the login leaves behind.
#include "startup/Startup.h"
#include "platform/LocalFileSystem.h"
#include "sqlsim/InProcess.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <unistd.h>

using namespace qm;

namespace {

const char* kScenario = R"({"version": "8.00.2039", "edition": "Personal Edition",
  "logins": {"sa": "pw"},
  "databases": [{"name": "UFDATA_001_2008", "state": "SUSPECT", "flags": ["IsSuspect"]}],
  "ua_account": [{"cAcc_id": "001", "cAcc_Name": "演示公司"}]})";

struct Windows : StartupWindows {
    bool ConnSql(LoginSettings& v) override {
        v = accepted;
        return true;
    }
    void ShowEndMessage(const std::string& text) override { ended.push_back(text); }
    void ShowMainWindow() override { ++shown; }
    LoginSettings accepted{"127.0.0.1", "sa", "pw"};
    std::vector<std::string> ended;
    int shown = 0;
};

struct StartupSim : ::testing::Test {
    std::string folder;
    std::shared_ptr<sqlsim::Engine> engine;
    std::unique_ptr<sqlsim::InProcessConnectionFactory> factory;
    LocalFileSystem files;
    Platform platform;
    Windows windows;

    void SetUp() override {
        static std::atomic<int> counter{0};
        folder = "/tmp/QM-START-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        std::filesystem::create_directories(folder + "/DATA");
        std::string error;
        engine = sqlsim::Engine::FromJson(kScenario, folder + "/DATA", error);
        ASSERT_TRUE(engine) << error;
        factory = std::make_unique<sqlsim::InProcessConnectionFactory>(engine);
        platform.connections = factory.get();
        platform.files = &files;
        platform.toolFolder = folder;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
};

} // namespace

TEST_F(StartupSim, SqlSignInDetectsVersionAndProductOverMaster) {
    AppState app(platform);
    ASSERT_TRUE(Main(app, windows));
    EXPECT_EQ(windows.shown, 1);
    EXPECT_EQ(app.cSQLVersion, "SQL Server 2000 SP4 个人版");
    EXPECT_EQ(app.cProduct, "T");
    EXPECT_EQ(app.cSystemDB, "UFSystem");
    for (auto* c : {&app.oTempdb, &app.oMaster, &app.oSystemDB}) {
        ASSERT_TRUE(*c);
        EXPECT_EQ((*c)->State(), 1);
    }
    EXPECT_TRUE(app.cMsg.empty()) << app.cMsg;

    // Version first; then the SQL Server 2000 catalogue, never sys.databases.
    auto t = engine->Transcript();
    ASSERT_EQ(t.size(), 3u);
    EXPECT_NE(t[0].sql.find("SERVERPROPERTY('productversion')"), std::string::npos);
    EXPECT_EQ(t[1].sql, "select name from sysdatabases where 1=1 and name='ufsystem'");
    EXPECT_EQ(t[2].sql, "select name from sysdatabases where 1=1 and name='uftsystem'");
}

TEST_F(StartupSim, RefusedLoginAfterTheDialogStillShowsTheMainWindowWithTheServersMessage) {
    // The dialog accepted (its own test connection is not the one start-up makes), then the password
    // changed: every shared connection stays unopened and the reason is kept for the window.
    windows.accepted.cLoginPwd = "old";
    AppState app(platform);
    ASSERT_TRUE(Main(app, windows));
    EXPECT_EQ(windows.shown, 1);
    EXPECT_TRUE(windows.ended.empty());
    ASSERT_TRUE(app.oMaster);
    EXPECT_EQ(app.oMaster->State(), 0);
    EXPECT_EQ(app.cSQLVersion, "");
    EXPECT_EQ(app.cProduct, "");
    EXPECT_EQ(app.cSystemDB, "master");
    EXPECT_FALSE(app.cMsg.empty());
    EXPECT_TRUE(engine->Transcript().empty());
}
