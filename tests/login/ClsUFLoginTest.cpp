// The product login wrapper against a scripted login component: which creation errors count as not
// installed, what is taken out of the connection text, and the wrapper's other members. The roads of the
// sign-in itself run against a registered COM component under Wine (tests/windows/LoginComTest.cpp).
#include "LoginFixture.h"

#include "app/Db.h"

using namespace qm;
using namespace qmtest;

namespace {

using Texts = std::vector<std::string>;

// ---- which creation errors mean "not installed" ---------------------------------------------------------

TEST_F(LoginTest, CreationErrorsDecideWhichComponentIsUsed) {
    Install(progid::kT3Login);
    const AutoError automationError{-2147467259, "自动化错误"};
    struct Case {
        const char* failing;  // the class whose creation fails
        AutoError error;
        bool result;
        const char* version;
        Texts shown;
    };
    const Case cases[] = {
        {progid::kU8FrontEnd, automationError, true, "T6", {}},  // the U8 10.x class is not installed
        {progid::kU8Login, AutoError::Make(429), true, "T3", {}},
        {progid::kU8Login, AutoError::Make(438), true, "T3", {}},
        {progid::kU8Login, AutoError{-2147024770, "自动化错误"}, true, "T3", {}},
        {progid::kU8Login, AutoError::Make(91), false, "T6", {"4 请检查用友软件系统安装是否正常，是否能正常登录及使用！"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.failing) + " " + std::to_string(c.error.number));
        automation.failures = {{c.failing, c.error}};
        dialog.shown.clear();
        EXPECT_EQ(Run(), c.result);
        EXPECT_EQ(login->Version(), c.version);
        EXPECT_EQ(dialog.shown, c.shown);
    }
    // Neither login object: 429, 91, 438 or an automation error that gives no object all give up.
    for (AutoError e : {AutoError::Make(91), AutoError::Make(438), automationError}) {
        automation.failures = {{progid::kU8Login, AutoError::Make(429)}, {progid::kT3Login, e}};
        EXPECT_FALSE(Run());
        EXPECT_EQ(login->Version(), "");
        EXPECT_FALSE(login->Install());
    }
}

// ---- server and password from the system database's connection text, and the proving connection ---------

TEST_F(LoginTest, ServerAndPasswordAreTakenOutOfTheConnectionText) {
    struct Case {
        std::string dbConnect, sysPassword, server, password;
    };
    const Case cases[] = {
        {"user id=sa;password=MiXeD;data source=Srv-A\\U8;data source=B;", "", "Srv-A\\U8", "MiXeD"},
        {"说明=测试;PASSWORD=  pw 1  ;DATA SOURCE=   srv  ;", "", "srv", "pw 1"},
        {"Password=\"se\"cr\"et\";Data Source=S;", "", "S", "secret"},
        {"Data Source=S;Password=lost", "", "S", ""},  // last item without ";"
        {"Data Source=S;Password=old;", "new\"pw", "S", "new\"pw"},  // the system password wins
        {"Data Source=S;Password='';", "", "S", ""},
        {"Data Source=S;Password=\"''\";", "", "S", ""},
        {"Data Source=S;Password=x;", "''", "S", ""},
        {"Password=p;Data Source =S;", "", "FALLBACK", "p"},  // no server item: cServer
        {"Data Source=S;", "a;b", "S", "a;b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dbConnect + " / " + c.sysPassword);
        component.dbConnect = c.dbConnect;
        component.sysPassword = c.sysPassword;
        connections.created.clear();
        login = std::make_unique<ClsUFLogin>(platform, &dialog);  // a found server outlives a run
        EXPECT_TRUE(Run());
        EXPECT_EQ(login->Server() + "|" + login->DBPwd(), c.server + "|" + c.password);
        EXPECT_EQ(ProvingText(), BuildConnectionString(c.server, "UFdata_001_2015", "SA", c.password));
    }
}

TEST_F(LoginTest, TheProvingDatabaseIsTheAccountsOrTheSystemDatabase) {
    component.year = AutoValue::Number(2016);  // a number names the database the same way
    EXPECT_TRUE(Run());
    EXPECT_EQ(login->DBName() + "|" + login->Year(), "UFdata_001_2016|2016");
    for (auto [acc, year] : {std::pair{"", "2015"}, std::pair{"001", ""}}) {  // no account: the system database
        component.accId = acc;
        component.year = T(year);
        connections.created.clear();
        EXPECT_TRUE(Run());
        EXPECT_EQ(login->DBName(), "UFSystem");
        EXPECT_EQ(ProvingText(), "Provider=SQLOLEDB;Server=SRV01;Database=UFSystem;Uid=SA;Pwd=Secret;");
    }
}

TEST_F(LoginTest, SQLConnIsANewUnopenedConnectionAndNoneBeforeTheSignIn) {
    EXPECT_EQ(login->SQLConn(), nullptr);
    ASSERT_TRUE(Run());
    auto conn = login->SQLConn();
    ASSERT_TRUE(conn);
    EXPECT_EQ(conn->State(), 0);  // made by the factory, not opened
    EXPECT_EQ(conn->ConnectionString(), ProvingText());
    EXPECT_NE(login->SQLConn(), conn);
}

TEST_F(LoginTest, SecondRegeditStartsFromAFreshOutcome) {
    ASSERT_TRUE(Run());
    InstallU8FrontEnd();
    EXPECT_FALSE(Run());
    EXPECT_FALSE(login->Success());
    EXPECT_EQ(login->Version(), "U8");
    EXPECT_EQ(login->Server(), "SRV01");  // give-up keeps what is there
}

// ---- the other members -----------------------------------------------------------------------------------

TEST_F(LoginTest, ShutDownEndsTheLoginOnceAndObjectsFollowTheSignIn) {
    EXPECT_EQ(login->oUfSystemdb(), nullptr);
    Install(progid::kT3Login);  // before a sign-in: a new T3 object
    EXPECT_EQ(std::static_pointer_cast<FakeObject>(login->oLogin())->progId, progid::kT3Login);
    automation.classes.erase(progid::kT3Login);
    login->ShutDown();  // nothing to end yet
    ASSERT_TRUE(Run());
    std::shared_ptr<FakeObject> obj;
    for (auto& o : automation.created) obj = o->progId == progid::kU8Login ? o : obj;
    EXPECT_EQ(login->oLogin(), obj);
    EXPECT_NE(login->oUfSystemdb(), nullptr);
    obj->props.erase("UfSystemDb");
    EXPECT_EQ(login->oUfSystemdb(), nullptr);
    login->ShutDown();
    login->ShutDown();
    EXPECT_EQ(obj->CallsOf("ShutDown").size(), 1u);
}

TEST(MakeProductLogin, SignsInThroughThePlatformsFactory) {
    qmtest::TestPlatform platform;   // no class exists, as off Windows
    AppState app{platform};
    RecordingDialog dialog;
    app.makeLoginWrapper = [&] { return MakeProductLogin(app, &dialog); };
    std::string a[7];
    EXPECT_FALSE(app.UFLogin().Regedit(a[0], a[1], a[2], a[3], a[4], a[5], a[6]));
    EXPECT_EQ(a[0], "DP");
    EXPECT_EQ(app.UFLogin().Version(), "");
    EXPECT_TRUE(dialog.shown.empty());
}

} // namespace
