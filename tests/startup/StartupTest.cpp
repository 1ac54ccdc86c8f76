// Start-up's order and end paths over a scripted server: one row per road through Main, with every call
// it makes on what it shows and the connections it opens.
#include "startup/Startup.h"
#include "app/LocalConfig.h"
#include "platform/HttpClient.h"
#include "platform/LocalFileSystem.h"
#include "platform/SystemServices.h"
#include "platform/TempFolder.h"
#include "platform/Text.h"
#include "support/FakeConnection.h"
#include "support/Seams.h"
#include "support/TestPlatform.h"
#include "startup/Readme.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using namespace qm;
using namespace qmtest;

namespace {

using Log = std::vector<std::string>;

struct Guard : InstanceGuard {
    bool TryAcquire(const std::string& key) override { return keys.push_back(key), allow; }
    bool allow = true;
    Log keys;
};

// Every call start-up makes on what it shows, in order, as short lines.
struct Windows : StartupWindows, MsgDialog {
    bool ConnSql(LoginSettings& v) override {
        log.push_back("ConnSql " + v.cLoginServer + "|" + v.cLoginUser + "|" + v.cLoginPwd);
        if (throwText) throw std::runtime_error(throwText);
        if (connect) v = {"127.0.0.1,1433", "sa", "pw"};
        return connect;
    }
    void ShowEndMessage(const std::string& text) override { log.push_back("End " + text); }
    void ShowMainWindow() override { log.push_back("Main"); }
    int ShowMsg(int kind, const std::string& t) override {
        return log.push_back("Msg " + std::to_string(kind) + " " + t), -1;
    }
    bool connect = false;
    const char* throwText = nullptr;
    Log log;
};

struct Fixture {
    TempFolder folder;
    LocalFileSystem files;
    FakeConnectionFactory factory;
    Guard guard;
    qmtest::TestPlatform platform;
    std::unique_ptr<AppState> app;
    Windows windows;
    std::unique_ptr<FakeLogin> owned = std::make_unique<FakeLogin>();
    FakeLogin* login = owned.get(); // the application's once start-up asks for it
    // The server's side: the version answer and which system databases exist.
    SqlResult version = FakeConnection::Rows({"productversion", "version"},
                                             {{Value::Text("9.00.4035.00"), Value::Text("Standard Edition")}});
    bool hasUfSystem = false, hasUftSystem = false;

    Fixture() {
        platform.connections = factory;
        platform.files = files;
        platform.instance = guard;
        platform.toolFolder = folder.path();
        app = std::make_unique<AppState>(platform);
        app->frmMsg = &windows;
        app->makeLoginWrapper = [this]() -> std::unique_ptr<LoginWrapper> { return std::move(owned); };
        factory.prepare = [this](FakeConnection& c) {
            c.handler = [this](const std::string& sql) {
                if (sql.find("SERVERPROPERTY") != std::string::npos) return version;
                const bool uft = sql.find("name='uftsystem'") != std::string::npos;
                return FakeConnection::Column("name", (uft ? hasUftSystem : hasUfSystem) ? Log{"x"} : Log{});
            };
        };
    }

    // The databases (or the Jet file, which names none) of the connections start-up opened, in order.
    Log OpenedTargets() const {
        Log out;
        for (auto& c : factory.created) {
            const std::string db = FirstConnectionItem(ParseConnectionText(c->connectionString), {"Database"});
            if (!c->connectionString.empty()) out.push_back(db.empty() ? "Config.mdb" : db);
        }
        return out;
    }
};

// One road through Main: what the machine, the product and the server hold, then what start-up shows,
// signs in with, names and opens.
struct Road {
    const char* name;
    bool secondCopy = false, connect = false, configMdb = false, uf = false, uft = false;
    const char* configIni = nullptr;
    bool signedIn = false; // the product's own sign-in succeeds, with these:
    const char *productServer = "", *productKind = "";
    const char *productThrows = nullptr, *dialogThrows = nullptr, *versionError = nullptr, *openError = nullptr;

    bool shown = true;
    Log log = {};
    std::string signIn = "||"; // cDBServer|cDBUser|cDBPwd
    std::string product = "|"; // cProduct|cSystemDB
    Log opened = {};
    std::string version = "", msg = "";
    std::function<void(Fixture&)> check = nullptr;
};
void PrintTo(const Road& r, std::ostream* os) { *os << r.name; }

const std::string kAsked = "ConnSql ||"; // no Config.ini: the dialog's own defaults, nothing pre-filled
const std::string kDialog = "127.0.0.1,1433|sa|pw";
const std::string k2005 = "SQL Server 2005 SP3 标准版";
const Log kMasterTwice = {"Tempdb", "master", "master"}; // no product: a second connection to master

// clang-format off
const Road kRoads[] = {
    {.name = "SecondCopyIsRefusedWithItsMessageAndNothingElse", .secondCopy = true, .shown = false,
     .log = {std::string("End ") + kAlreadyRunningText}, .msg = kAlreadyRunningText,
     .check = [](Fixture& f) {
         EXPECT_EQ(f.guard.keys, Log{f.folder.path()});   // keyed by the tool's folder
         EXPECT_FALSE(f.app->bAdmin);
     }},
    {.name = "CancelledSqlLoginEndsWithoutAnyMessage", .shown = false, .log = {kAsked},
     .check = [](Fixture& f) {
         EXPECT_TRUE(f.app->bAdmin);
         EXPECT_TRUE(f.login->admin);
         EXPECT_EQ(f.login->received, Log(7, ""));
     }},
    {.name = "SqlRoadPrefillsFromConfigIniAndUsesWhatTheDialogAccepted", .connect = true,
     .configIni = "[Login]\r\nServer= 192.168.1.5 //database server\r\nSa=sa\r\nPwd= secret \r\n",
     .log = {"ConnSql 192.168.1.5|sa|secret", "Main"}, .signIn = kDialog, .product = "|master", .opened = kMasterTwice,
     .version = k2005, .check = [](Fixture& f) {
         EXPECT_EQ(f.factory.created.front()->connectionString,
                   "Provider=SQLOLEDB;Server=127.0.0.1,1433;Database=Tempdb;Uid=sa;Pwd=pw;");
         EXPECT_EQ(f.factory.created.front()->timeout, 300);   // the command timeout of every SQL connection
         EXPECT_NE(f.app->oMaster, f.app->oSystemDB);
     }},
    {.name = "ProductSignInWithoutServerShowsNoticeThenDialogWhoseValuesWin", .connect = true, .signedIn = true,
     .log = {std::string("Msg 4 ") + kProductNoServerText, kAsked, "Main"}, .signIn = kDialog, .product = "|master",
     .opened = kMasterTwice, .version = k2005},
    {.name = "ConfigMdbOpensOnlyWhenPresentInOrderAndBothSystemDatabasesMeanTPlus", .connect = true, .configMdb = true,
     .uf = true, .uft = true, .log = {kAsked, "Main"}, .signIn = kDialog, .product = "T+|UFTSystem",
     .opened = {"Tempdb", "master", "Config.mdb", "UFTSystem"}, .version = k2005,
     .check = [](Fixture& f) { EXPECT_EQ(f.app->oSystemDB->State() + f.app->oConfig->State(), 2); }},
    // A product sign-in that fails still names the product: no catalogue query decides it.
    {.name = "FailedProductSignInKeepsItsProductAndTheDialogSignsIn", .connect = true, .uf = true, .uft = true,
     .productKind = "U8", .log = {kAsked, "Main"}, .signIn = kDialog, .product = "U8|UFSystem",
     .opened = {"Tempdb", "master", "UFSystem"}, .version = k2005},
    // The product's sign-in skips the dialog; no catalogue query follows it, so the version error stays in cMsg.
    {.name = "ProductSignInSkipsTheDialogAndAFailedVersionQueryStillShowsTheMainWindow", .signedIn = true, .productServer = "PRODSRV",
     .productKind = "T6", .versionError = "无法识别的函数 'SERVERPROPERTY'。", .log = {"Main"},
     .signIn = "PRODSRV|productUser|productPwd", .product = "T6|UFSystem", .opened = {"Tempdb", "master", "UFSystem"},
     .msg = "无法识别的函数 'SERVERPROPERTY'。"},
    {.name = "UnreachableServerAfterSignInStillShowsMainWindowWithUnopenedConnections", .connect = true,
     .openError = "Unable to connect: Adaptive Server is unavailable", .log = {kAsked, "Main"}, .signIn = kDialog,
     .product = "|master", .opened = kMasterTwice, .msg = "Unable to connect: Adaptive Server is unavailable",
     .check = [](Fixture& f) {
         EXPECT_EQ(f.app->oMaster->State(), 0);
         EXPECT_EQ(f.app->oTempdb->State(), 0);
     }},
    // A failure on the product road is dropped; the SQL road follows, and its cancel ends silently.
    {.name = "FailureInsideProductRoadNeverReachesTheEndPath", .productThrows = "ActiveX 部件不能创建对象",
     .shown = false, .log = {kAsked}},
    {.name = "FailureInsideSqlRoadEndsWithItsDescription", .dialogThrows = "对话框无法创建", .shown = false,
     .log = {kAsked, "End 对话框无法创建"}, .msg = "对话框无法创建"},
};
// clang-format on

class StartupRoad : public ::testing::TestWithParam<Road> {};

TEST_P(StartupRoad, ShowsOpensAndKeeps) {
    const Road& r = GetParam();
    Fixture f;
    f.guard.allow = !r.secondCopy;
    f.windows.connect = r.connect;
    f.windows.throwText = r.dialogThrows;
    if (r.configIni) f.folder.write("Config.ini", r.configIni);
    if (r.configMdb) f.folder.write("Config.mdb", "jet");
    f.hasUfSystem = r.uf;
    f.hasUftSystem = r.uft;
    f.login->success = r.signedIn;
    f.login->server = r.productServer;
    f.login->version = r.productKind;
    f.login->throwText = r.productThrows;
    if (r.versionError) f.version = FakeConnection::Fail(r.versionError, 195);
    if (r.openError) f.factory.prepare = [&r](FakeConnection& c) { c.openError = r.openError; };

    EXPECT_EQ(Main(*f.app, f.windows), r.shown);
    EXPECT_EQ(f.windows.log, r.log);
    EXPECT_EQ(f.app->cDBServer + "|" + f.app->cDBUser + "|" + f.app->cDBPwd, r.signIn);
    EXPECT_EQ(f.app->cProduct + "|" + f.app->cSystemDB, r.product);
    EXPECT_EQ(f.OpenedTargets(), r.opened);
    EXPECT_EQ(r.shown ? f.app->oConfig->ConnectionString() : "", // opened only when there
              r.configMdb ? ConfigDbConnectionString(f.folder.path()) : "");
    EXPECT_EQ(f.app->cSQLVersion, r.version);
    EXPECT_EQ(f.app->versionClass,
              r.version.empty() ? VersionClass::None : VersionClass::Sql2005); // kept with the text
    EXPECT_EQ(f.app->cMsg, r.msg);
    for (auto& c : f.factory.created) // the version is asked first: the catalogue to read depends on it
        if (!c->sent.empty()) {
            EXPECT_NE(c->sent.front().find("SERVERPROPERTY"), std::string::npos) << c->sent.front();
            break;
        }
    if (r.check) r.check(f);
}

INSTANTIATE_TEST_SUITE_P(Startup, StartupRoad, ::testing::ValuesIn(kRoads),
                         [](const auto& info) { return std::string(info.param.name); });

// The read-me refresh replaces the file only with a body that holds the required text (checked as the
// file would be read, GBK included), keeping the old one as .tmp; every failure leaves the old file alone.
TEST(ReadmeRefresh, ReplacesOnlyWithARightBodyAndKeepsTheOldFile) {
    struct Http : HttpClient {
        bool Get(const std::string& url, std::string& out, std::string& error) override {
            return urls.push_back(url), error = fail, out = body, fail.empty();
        }
        std::string body, fail;
        Log urls;
    } http;
    Fixture f;
    AppState& app = *f.app;
    app.platform.http = http;
    const std::string old = "[说明]\r\nold=1\r\n";
    const std::string target = f.folder.write("Readme.txt", old);
    auto get = [&](const std::string& url, const std::string& to) { return DownloadFile(app, url, to, "[说明]"); };

    http.body = "<html>404</html>";
    EXPECT_FALSE(get("http://127.0.0.1/Readme.txt", target));
    EXPECT_EQ(app.cMsg, "");
    http.body = "[说明]";
    EXPECT_FALSE(get("", target));
    EXPECT_EQ(http.urls.size(), 1u); // an empty address fetches nothing
    http.fail = "无法连接到服务器";
    EXPECT_FALSE(get("http://127.0.0.1/Readme.txt", target));
    EXPECT_EQ(app.cMsg, "无法连接到服务器");
    EXPECT_EQ(TempFolder::read(target), old);
    EXPECT_EQ(TempFolder::read(target + ".tmp"), "");

    http.fail.clear();
    http.body = "\xEF\xBB\xBF[说明]\r\nnew=2\r\n"; // UTF-8 declared: a bare one is read in the ANSI code page
    EXPECT_TRUE(get("http://127.0.0.1/Readme.txt", target));
    EXPECT_EQ(TempFolder::read(target), http.body);
    EXPECT_EQ(TempFolder::read(target + ".tmp"), old);
    http.body = "[\xcb\xb5\xc3\xf7]\r\n"; // "[说明]" in GBK
    EXPECT_TRUE(get("http://127.0.0.1/New.txt", f.folder / "New.txt"));
    EXPECT_EQ(TempFolder::read(f.folder / "New.txt"), http.body);
    EXPECT_FALSE(f.files.Exists(f.folder / "New.txt.tmp")); // a new target needs no .tmp
}

} // namespace
