#include "startup/Startup.h"
#include "platform/LocalFileSystem.h"
#include "platform/SystemServices.h"
#include "support/FakeConnection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

using namespace qm;
using qmtest::FakeConnection;
using qmtest::FakeConnectionFactory;

namespace {

const char* kVersionQuery =
    "SELECT  SERVERPROPERTY('productversion') as productversion,SERVERPROPERTY ('edition') as version";

struct Guard : InstanceGuard {
    bool TryAcquire(const std::string& key) override { return keys.push_back(key), allow; }
    bool allow = true;
    std::vector<std::string> keys;
};

// Every call start-up makes on what it shows, in order, as short lines.
struct Windows : StartupWindows {
    bool ConnSql(LoginSettings& v) override {
        log.push_back("ConnSql " + v.cLoginServer + "|" + v.cLoginUser + "|" + v.cLoginPwd);
        if (throwText) throw std::runtime_error(throwText);
        if (!connect) return false;
        v = accepted;
        return true;
    }
    void ShowEndMessage(const std::string& text) override { log.push_back("End " + text); }
    void ShowMainWindow() override { log.push_back("Main"); }

    bool connect = false;
    const char* throwText = nullptr;
    LoginSettings accepted{"127.0.0.1,1433", "sa", "pw"};
    std::vector<std::string> log;
};

struct Msg : MsgDialog {
    explicit Msg(std::vector<std::string>& l) : log(l) {}
    int ShowMsg(int kind, const std::string& text) override {
        log.push_back("Msg " + std::to_string(kind) + " " + text);
        return -1;
    }
    std::vector<std::string>& log;
};

struct ProductLogin : LoginWrapper {
    void SetAdmin(bool a) override { admin = a; }
    bool Regedit(std::string& a, std::string& b, std::string& c, std::string& d, std::string& e, std::string& f,
                 std::string& g) override {
        received = {a, b, c, d, e, f, g};
        if (throwText) throw std::runtime_error(throwText);
        return success;
    }
    bool Success() const override { return success; }
    std::string Version() const override { return version; }
    std::string Server() const override { return server; }
    std::string DBUser() const override { return "productUser"; }
    std::string DBPwd() override { return "productPwd"; }

    bool admin = false, success = false;
    const char* throwText = nullptr;
    std::string version, server;
    std::vector<std::string> received;
};

struct StartupFixture : ::testing::Test {
    std::filesystem::path folder;
    LocalFileSystem files;
    FakeConnectionFactory factory;
    Guard guard;
    Platform platform;
    std::unique_ptr<AppState> app;
    Windows windows;
    std::unique_ptr<Msg> msg;
    ProductLogin* login = nullptr;  // owned by app once created

    // Server side of the fake: version answer and which system databases exist.
    qm::SqlResult version = FakeConnection::Rows({"productversion", "version"}, {{Value::Text("9.00.4035.00"), Value::Text("Standard Edition")}});
    bool hasUfSystem = false;
    bool hasUftSystem = false;

    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("qm-startup-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        platform.connections = &factory;
        platform.files = &files;
        platform.instance = &guard;
        platform.toolFolder = folder.string();
        app = std::make_unique<AppState>(platform);
        msg = std::make_unique<Msg>(windows.log);
        app->frmMsg = msg.get();
        auto owned = std::make_unique<ProductLogin>();
        login = owned.get();
        auto holder = std::make_shared<std::unique_ptr<ProductLogin>>(std::move(owned));
        app->makeLoginWrapper = [holder]() -> std::unique_ptr<LoginWrapper> { return std::move(*holder); };
        factory.prepare = [this](FakeConnection& c) {
            c.handler = [this](const std::string& sql) -> qm::SqlResult {
                if (sql == kVersionQuery) return version;
                bool uf = sql.find("name='ufsystem'") != std::string::npos;
                bool uft = sql.find("name='uftsystem'") != std::string::npos;
                if ((uf && hasUfSystem) || (uft && hasUftSystem))
                    return FakeConnection::Rows({"name"}, {{Value::Text(uf ? "UFSystem" : "UFTSystem")}});
                if (uf || uft) return FakeConnection::Rows({"name"}, {});
                return FakeConnection::Fail("unexpected: " + sql);
            };
        };
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    void WriteFile(const std::string& name, const std::string& text) { std::ofstream(folder / name) << text; }

    // The databases (or the Jet file) of the connections start-up opened, in order.
    std::vector<std::string> OpenedTargets() const {
        std::vector<std::string> out;
        for (auto& c : factory.created) {
            const std::string& cs = c->connectionString;
            const auto db = cs.find("Database=");
            if (db != std::string::npos) out.push_back(cs.substr(db + 9, cs.find(';', db) - db - 9));
            else if (!cs.empty()) out.push_back(cs.find("Config.mdb") != std::string::npos ? "Config.mdb" : cs);
        }
        return out;
    }
};

using Log = std::vector<std::string>;

} // namespace

TEST_F(StartupFixture, SecondCopyIsRefusedWithItsMessageAndNothingElse) {
    guard.allow = false;
    EXPECT_FALSE(Main(*app, windows));
    EXPECT_EQ(windows.log, Log({std::string("End ") + kAlreadyRunningText}));
    EXPECT_EQ(guard.keys, Log({folder.string()}));  // keyed by the tool's folder
    EXPECT_TRUE(factory.created.empty());
    EXPECT_FALSE(app->bAdmin);
}

TEST_F(StartupFixture, CancelledSqlLoginEndsWithoutAnyMessage) {
    EXPECT_FALSE(Main(*app, windows));
    EXPECT_TRUE(app->bAdmin);
    EXPECT_TRUE(login->admin);
    EXPECT_EQ(login->received, Log(7, ""));
    // No Config.ini: the dialog's own defaults apply, so nothing is pre-filled here.
    ASSERT_EQ(windows.log.size(), 1u);
    EXPECT_EQ(windows.log[0].rfind("ConnSql ", 0), 0u);
    EXPECT_TRUE(factory.created.empty());
    EXPECT_TRUE(app->cDBServer.empty());
}

TEST_F(StartupFixture, SqlRoadPrefillsFromConfigIniAndCopiesWhatTheDialogAccepted) {
    WriteFile("Config.ini", "[Login]\r\nServer= 192.168.1.5 //database server\r\nSa=sa\r\nPwd= secret \r\n");
    windows.connect = true;
    EXPECT_TRUE(Main(*app, windows));
    ASSERT_GE(windows.log.size(), 2u);
    EXPECT_EQ(windows.log[0], "ConnSql 192.168.1.5|sa|secret");
    EXPECT_EQ(windows.log.back(), "Main");
    EXPECT_EQ(app->cDBServer + "|" + app->cDBUser + "|" + app->cDBPwd, "127.0.0.1,1433|sa|pw");
    EXPECT_EQ(factory.created.front()->connectionString,
              "Provider=SQLOLEDB;Server=127.0.0.1,1433;Database=Tempdb;Uid=sa;Pwd=pw;");
}

TEST_F(StartupFixture, ProductSignInWithServerSkipsTheDialog) {
    login->success = true;
    login->server = "PRODSRV";
    login->version = "U8";
    EXPECT_TRUE(Main(*app, windows));
    EXPECT_EQ(windows.log, Log({"Main"}));
    EXPECT_EQ(app->cDBServer + "|" + app->cDBUser + "|" + app->cDBPwd, "PRODSRV|productUser|productPwd");
    EXPECT_EQ(app->cProduct + "|" + app->cSystemDB, "U8|UFSystem");
    EXPECT_EQ(OpenedTargets(), Log({"Tempdb", "master", "UFSystem"}));
}

TEST_F(StartupFixture, ProductSignInWithoutServerShowsNoticeThenDialogWhoseValuesWin) {
    login->success = true;  // server stays empty
    windows.connect = true;
    EXPECT_TRUE(Main(*app, windows));
    ASSERT_EQ(windows.log.size(), 3u);
    EXPECT_EQ(windows.log[0], std::string("Msg 4 ") + kProductNoServerText);
    EXPECT_EQ(windows.log[1].rfind("ConnSql ", 0), 0u);
    EXPECT_EQ(windows.log[2], "Main");
    EXPECT_EQ(app->cDBServer + "|" + app->cDBUser + "|" + app->cDBPwd, "127.0.0.1,1433|sa|pw");
}

TEST_F(StartupFixture, ConnectionsOpenInOrderWithConfigMdbOnlyWhenPresent) {
    windows.connect = true;
    hasUfSystem = true;
    WriteFile("Config.mdb", "jet");
    EXPECT_TRUE(Main(*app, windows));
    EXPECT_EQ(OpenedTargets(), Log({"Tempdb", "master", "Config.mdb", "UFSystem"}));
    EXPECT_EQ(app->cSQLVersion, "SQL Server 2005 SP3 标准版");
    EXPECT_EQ(app->cProduct, "T");
    ASSERT_TRUE(app->oSystemDB);
    EXPECT_EQ(app->oSystemDB->State(), 1);
}

TEST_F(StartupFixture, NoProductMeansASecondConnectionToMasterAndBothSystemDatabasesMeanTPlus) {
    windows.connect = true;
    EXPECT_TRUE(Main(*app, windows));
    EXPECT_EQ(OpenedTargets(), Log({"Tempdb", "master", "master"}));
    EXPECT_EQ(app->cProduct + "|" + app->cSystemDB, "|master");
    EXPECT_NE(app->oMaster, app->oSystemDB);
    hasUfSystem = hasUftSystem = true;
    app = std::make_unique<AppState>(platform);
    EXPECT_TRUE(Main(*app, windows));
    EXPECT_EQ(app->cProduct, "T+");
    EXPECT_EQ(OpenedTargets().back(), "UFTSystem");
}

TEST_F(StartupFixture, MainWindowIsShownWhenTheVersionQueryFails) {
    login->success = true;
    login->server = "PRODSRV";
    login->version = "T6";  // no catalogue query afterwards, so the version error stays in cMsg
    version = FakeConnection::Fail("无法识别的函数 'SERVERPROPERTY'。", 195);
    EXPECT_TRUE(Main(*app, windows));
    EXPECT_EQ(windows.log, Log({"Main"}));
    EXPECT_EQ(app->cSQLVersion, "");
    EXPECT_EQ(app->cMsg, "无法识别的函数 'SERVERPROPERTY'。");
}

TEST_F(StartupFixture, UnreachableServerAfterSignInStillShowsMainWindowWithUnopenedConnections) {
    windows.connect = true;
    factory.prepare = [](FakeConnection& c) { c.openError = "Unable to connect: Adaptive Server is unavailable"; };
    EXPECT_TRUE(Main(*app, windows));
    EXPECT_EQ(windows.log.back(), "Main");
    ASSERT_TRUE(app->oMaster);
    EXPECT_EQ(app->oMaster->State(), 0);
    EXPECT_EQ(app->oTempdb->State(), 0);
    EXPECT_EQ(app->cSQLVersion, "");
    EXPECT_FALSE(app->cMsg.empty());
}

TEST_F(StartupFixture, FailureInsideProductRoadIsDroppedAndNeverReachesTheEndPath) {
    login->throwText = "ActiveX 部件不能创建对象";
    std::string m;
    std::string a, b, c, d, e, f, g;
    EXPECT_FALSE(LoginByProduct(*app, m, a, b, c, d, e, f, g));
    EXPECT_EQ(m, "ActiveX 部件不能创建对象");

    // The whole sequence: the SQL road clears it, and a cancelled dialog then ends silently.
    EXPECT_FALSE(Main(*app, windows));
    for (auto& line : windows.log) EXPECT_EQ(line.rfind("End ", 0), std::string::npos) << line;
    EXPECT_TRUE(app->cMsg.empty());
}

TEST_F(StartupFixture, FailureInsideSqlRoadEndsWithItsDescription) {
    windows.throwText = "对话框无法创建";
    EXPECT_FALSE(Main(*app, windows));
    EXPECT_EQ(windows.log.back(), "End 对话框无法创建");
    EXPECT_TRUE(factory.created.empty());
}
