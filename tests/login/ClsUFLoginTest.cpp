// The product login wrapper against a scripted login component: which component is found, the
// administrator sign-in, what is taken out of it and how it is proven.
#include "LoginFixture.h"

#include "app/Db.h"

using namespace qm;
using namespace qmtest;

namespace {

using Texts = std::vector<std::string>;
const std::string kAdminOnly = "系统管理员不能进行业务处理";

// ---- which component is found, and when the wrapper gives up --------------------------------------------

TEST_F(LoginTest, U8TenPresentGivesUpAsU8AtOnceWithoutDialog) {
    InstallU8FrontEnd();
    EXPECT_FALSE(Run());
    EXPECT_EQ(login->Version(), "U8");
    EXPECT_FALSE(login->Install());
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_EQ(automation.CreationsOf(progid::kU8Login), 0);
    EXPECT_TRUE(connections.created.empty());
    // An automation error from the U8 10.x class means it is not installed.
    automation.failures[progid::kU8FrontEnd] = AutoError{-2147221164, "自动化错误"};
    EXPECT_TRUE(Run());
    EXPECT_EQ(login->Version(), "T6");
}

TEST_F(LoginTest, NoT3ComponentGivesUpWithEmptyVersionAndNothingShown) {
    automation.classes.erase(progid::kU8Login);
    EXPECT_FALSE(Run());
    EXPECT_EQ(automation.creations, (Texts{progid::kU8FrontEnd, progid::kU8Login, progid::kT3Login}));
    // 429, 91 and 438 are named; an automation error that yields no object gives up the same way.
    for (AutoError e : {AutoError::Make(91), AutoError::Make(438), AutoError{-2147467259, "自动化错误"}}) {
        automation.failures[progid::kT3Login] = e;
        EXPECT_FALSE(Run());
        EXPECT_EQ(login->Version(), "");
        EXPECT_FALSE(login->Install());
    }
    EXPECT_TRUE(dialog.shown.empty());
}

TEST_F(LoginTest, LoginObjectFailingWithNoObjectShowsInstallCheck) {
    automation.failures[progid::kU8Login] = AutoError::Make(91);
    Install(progid::kT3Login);
    EXPECT_FALSE(Run());
    EXPECT_EQ(dialog.shown, Texts{"4 请检查用友软件系统安装是否正常，是否能正常登录及使用！"});
    EXPECT_FALSE(login->Install());
    EXPECT_EQ(login->Version(), "T6");
    EXPECT_EQ(automation.CreationsOf(progid::kT3Login), 0);
}

TEST_F(LoginTest, EveryNotInstalledErrorFallsBackToT3) {
    Install(progid::kT3Login);
    for (AutoError e : {AutoError::Make(429), AutoError::Make(438), AutoError{-2147467259, "自动化错误"},
                        AutoError{-2147024770, "自动化错误"}}) {
        SCOPED_TRACE(e.number);
        automation.failures[progid::kU8Login] = e;
        EXPECT_TRUE(Run());
        EXPECT_EQ(login->Version(), "T3");
        EXPECT_EQ(LastLogin(progid::kT3Login)->CallsOf("LoginAs"), Calls{{"DP"}});
        EXPECT_TRUE(LastLogin(progid::kT3Login)->CallsOf("Login").empty());
    }
    EXPECT_TRUE(dialog.shown.empty());
}

TEST_F(LoginTest, AnyU8InstallationKeyStopsBeforeSignIn) {
    const Texts keys = {
        "SOFTWARE\\用友软件\\用友ERP-U8\\8.61.000\\",
        "SOFTWARE\\用友软件\\用友ERP-U8V10.0\\8.10.000\\",
        "SOFTWARE\\用友软件\\用友软件\\用友U8V10.1\\8.10.000\\",
        "SOFTWARE\\用友软件\\用友U8V10.0\\",
        "SOFTWARE\\用友软件\\用友U8V10.1\\",
    };
    EXPECT_FALSE(login->SpeLogin());
    EXPECT_EQ(registry.asked, keys);
    for (const auto& key : keys) {
        SCOPED_TRACE(key);
        registry.keys = {key};
        EXPECT_FALSE(Run());
        EXPECT_EQ(login->Version(), "T6");
        EXPECT_FALSE(login->Install());
        EXPECT_TRUE(LastLogin()->CallsOf("Login").empty());
    }
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_TRUE(connections.created.empty());
    automation.classes.erase(progid::kU8Login);
    Install(progid::kT3Login);
    EXPECT_FALSE(Run());
    EXPECT_EQ(login->Version(), "T3");
}

// ---- the administrator sign-in ---------------------------------------------------------------------------

TEST_F(LoginTest, T6SignsInAsAdminOnThisComputerAndOpensTheAccountDatabase) {
    EXPECT_TRUE(Run());
    EXPECT_EQ(LastLogin()->CallsOf("Login"), (Calls{{"AA", "", "", "admin", "", "", "WS-ACCT01"}}));
    EXPECT_TRUE(LastLogin()->CallsOf("LoginAs").empty());
    EXPECT_TRUE(login->Install());
    EXPECT_EQ(LastLogin(progid::kUfDatabase)->CallsOf("OpenDatabase"), Calls{{"UFDATA connection text"}});
    automation.classes.erase(progid::kUfDatabase);  // without it the sign-in still goes on
    EXPECT_TRUE(Run());
}

TEST_F(LoginTest, RefusedDirectSignInRetriesWithAdminUser) {
    component.refuseDirectLogin = true;
    for (const char* id : {progid::kU8Login, progid::kT3Login}) {
        SCOPED_TRACE(id);
        automation.classes.erase(progid::kU8Login);
        Install(id);
        component.inner->props.clear();
        EXPECT_TRUE(Run());
        auto logins = LastLogin(id)->CallsOf("Login");
        ASSERT_GE(logins.size(), 2u);
        EXPECT_EQ(Calls(logins.end() - 2, logins.end()), (Calls{{}, {"DP"}}));
        EXPECT_EQ(component.inner->props["cUsername"].toText(), "Admin");
    }
}

TEST_F(LoginTest, LogState100GivesUpSilently) {
    for (AutoValue state : {AutoValue::Number(100), T("100")}) {
        component.logState = state;
        EXPECT_FALSE(Run());
        EXPECT_TRUE(login->Install());
        EXPECT_EQ(login->Version(), "T6");
        EXPECT_EQ(LastLogin()->CallsOf("ClearError").size(), 1u);
    }
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_TRUE(connections.created.empty());
    EXPECT_EQ(automation.CreationsOf(progid::kUfDatabase), 0);
}

TEST_F(LoginTest, AccountSetInsteadOfAdminWarnsAndStartsAgainEachTime) {
    component.accNames = {"演示账套", "演示账套", "另一账套"};
    EXPECT_TRUE(Run());
    EXPECT_EQ(dialog.shown, Texts(3, "1 登录失败：必须以系统管理员身份登录!"));
    EXPECT_EQ(automation.CreationsOf(progid::kU8FrontEnd), 4);
    EXPECT_EQ(automation.CreationsOf(progid::kU8Login), 4);
    for (const auto& obj : automation.CreatedOf(progid::kU8Login)) EXPECT_EQ(obj->CallsOf("Login").size(), 1u);
    EXPECT_EQ(connections.created.size(), 1u);
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
        {"Data Source=S;Password=old;", "new\"pw", "S", "new\"pw"},
        {"Data Source=S;Password=lost", "sys", "S", "sys"},
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
        login = std::make_unique<ClsUFLogin>(Services(), &dialog);  // a found server outlives a run
        EXPECT_TRUE(Run());
        EXPECT_EQ(login->Server(), c.server);
        EXPECT_EQ(login->DBPwd(), c.password);
        EXPECT_EQ(ProvingText(), BuildConnectionString(c.server, "UFdata_001_2015", "SA", c.password));
    }
}

TEST_F(LoginTest, ProvenSignInCopiesTheComponentFields) {
    EXPECT_TRUE(Run());
    EXPECT_TRUE(login->Success());
    EXPECT_EQ(ProvingText(), "Provider=SQLOLEDB;Server=SRV01;Database=UFdata_001_2015;Uid=SA;Pwd=Secret;");
    EXPECT_EQ(login->DBUser() + "|" + login->DBName() + "|" + login->AccID() + "|" + login->AccName() + "|" +
                  login->Year() + "|" + login->Subname() + "|" + login->UserId() + "|" + login->Username() + "|" +
                  login->Userpassword(),
              "SA|UFdata_001_2015|001||2015|DP|admin|系统管理员|pw-of-admin");
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
    EXPECT_TRUE(dialog.shown.empty());
}

TEST_F(LoginTest, RefusedConnectionIsAcceptedOnlyForTheAdministratorShareString) {
    connections.prepare = [](FakeConnection& c) { c.openError = "[SQL Server]用户 'SA' 登录失败。"; };
    for (std::string share : {std::string(), kAdminOnly + "。", std::string("其他错误")}) {
        component.share = share;
        EXPECT_FALSE(Run());
        EXPECT_FALSE(login->Success());
        EXPECT_EQ(login->Server(), "SRV01");  // left as the failed run found it
        EXPECT_EQ(login->AccID(), "");
    }
    component.share = kAdminOnly;
    EXPECT_TRUE(Run());
    EXPECT_TRUE(login->Success());
    EXPECT_EQ(login->DBPwd(), "Secret");
    EXPECT_EQ(login->AccID(), "");  // not copied
    EXPECT_TRUE(dialog.shown.empty());
}

TEST_F(LoginTest, SQLConnIsANewUnopenedConnectionAndNoneWithoutAConnectionFactory) {
    EXPECT_EQ(login->SQLConn(), nullptr);
    ASSERT_TRUE(Run());
    auto conn = login->SQLConn();
    ASSERT_TRUE(conn);
    EXPECT_EQ(conn->State(), 0);
    EXPECT_EQ(conn->ConnectionString(), ProvingText());
    EXPECT_EQ(connections.created.size(), 2u);  // made by the factory, not opened
    EXPECT_NE(login->SQLConn(), conn);

    Platform p = Services();
    p.connections = nullptr;
    login = std::make_unique<ClsUFLogin>(p, &dialog);
    EXPECT_FALSE(Run());
    EXPECT_EQ(login->SQLConn(), nullptr);
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

TEST_F(LoginTest, EmptySubsystemBecomesDPAndTheOtherArgumentsStay) {
    std::string sub, acc = "001", year = "2015", user = "u", pwd = "p", date = "2015-01-01", srv = "s";
    login->Regedit(sub, acc, year, user, pwd, date, srv);
    EXPECT_EQ(sub + acc + year + user + pwd + date + srv, "DP0012015up2015-01-01s");
    sub = "GL";
    login->Regedit(sub, acc, year, user, pwd, date, srv);
    EXPECT_EQ(sub, "GL");
}

TEST_F(LoginTest, ShutDownEndsTheLoginOnceAndObjectsFollowTheSignIn) {
    EXPECT_EQ(login->oUfSystemdb(), nullptr);
    Install(progid::kT3Login);  // before a sign-in: a new T3 object
    EXPECT_EQ(std::static_pointer_cast<FakeObject>(login->oLogin())->progId, progid::kT3Login);
    automation.classes.erase(progid::kT3Login);
    login->ShutDown();  // nothing to end yet
    ASSERT_TRUE(Run());
    auto obj = LastLogin();
    EXPECT_EQ(login->oLogin(), obj);
    EXPECT_NE(login->oUfSystemdb(), nullptr);
    obj->props.erase("UfSystemDb");
    EXPECT_EQ(login->oUfSystemdb(), nullptr);
    login->ShutDown();
    login->ShutDown();
    EXPECT_EQ(obj->CallsOf("ShutDown").size(), 1u);
}

TEST(MakeProductLogin, BringsItsOwnFactoryWhenThePlatformHasNone) {
    AppState app{Platform{}};
    RecordingDialog dialog;
    app.makeLoginWrapper = [&] { return MakeProductLogin(app, &dialog); };
    std::string a[7];
    EXPECT_FALSE(app.UFLogin().Regedit(a[0], a[1], a[2], a[3], a[4], a[5], a[6]));  // no class exists off Windows
    EXPECT_EQ(a[0], "DP");
    EXPECT_EQ(app.UFLogin().Version(), "");
    EXPECT_TRUE(dialog.shown.empty());
}

} // namespace
