// What the wrapper takes out of the component after the sign-in, and how it proves it.
#include "LoginFixture.h"

#include "app/Db.h"

using namespace qm;
using namespace qmtest;

namespace {

// ---- server and password from the system database's connection text -------------------------------------

struct ParseCase {
    const char* name;
    std::string dbConnect;
    std::string sysPassword;
    std::string server;    // expected Server
    std::string password;  // expected DBPwd
};

class ConnectionTextTest : public LoginTest, public ::testing::WithParamInterface<ParseCase> {};

TEST_P(ConnectionTextTest, ServerAndPasswordAreTakenOut) {
    const ParseCase& c = GetParam();
    component.dbConnect = c.dbConnect;
    component.sysPassword = c.sysPassword;
    InstallT6();
    EXPECT_TRUE(Run());
    EXPECT_EQ(login->Server(), c.server);
    EXPECT_EQ(login->DBPwd(), c.password);
    EXPECT_EQ(ProvingText(), BuildConnectionString(c.server, "UFdata_001_2015", "SA", c.password));
}

INSTANTIATE_TEST_SUITE_P(
    Login, ConnectionTextTest,
    ::testing::Values(
        ParseCase{"UpperKeys", "Password=Secret;Data Source=SRV01;", "", "SRV01", "Secret"},
        ParseCase{"LowerKeysKeepValueCase", "user id=sa;password=MiXeD;data source=Srv-A\\U8;", "", "Srv-A\\U8",
                  "MiXeD"},
        ParseCase{"MixedKeys", "PassWord=x1;DaTa SoUrCe=10.1.2.3,1433;", "", "10.1.2.3,1433", "x1"},
        ParseCase{"BlanksAroundValues", "PASSWORD=  pw 1  ;DATA SOURCE=   srv  ;", "", "srv", "pw 1"},
        ParseCase{"DoubleQuotesRemoved", "Password=\"se\"cr\"et\";Data Source=S;", "", "S", "secret"},
        ParseCase{"PasswordLastWithoutSemicolon", "Data Source=S;Password=lost", "", "S", ""},
        ParseCase{"SysPasswordWins", "Data Source=S;Password=old;", "new\"pw", "S", "new\"pw"},
        ParseCase{"SysPasswordWhenItemUnfinished", "Data Source=S;Password=lost", "sys", "S", "sys"},
        ParseCase{"TwoApostrophesAreEmpty", "Data Source=S;Password='';", "", "S", ""},
        ParseCase{"QuotedApostrophesAreEmpty", "Data Source=S;Password=\"''\";", "", "S", ""},
        ParseCase{"SysPasswordApostrophesAreEmpty", "Data Source=S;Password=x;", "''", "S", ""},
        ParseCase{"NoServerItemTakesCServer", "Password=p;", "", "FALLBACK", "p"},
        ParseCase{"ServerItemUnfinishedTakesCServer", "Password=p;Data Source=S", "", "FALLBACK", "p"},
        ParseCase{"BlankBeforeEqualsIsNoKey", "Password=p;Data Source =S;", "", "FALLBACK", "p"},
        ParseCase{"EmptyText", "", "", "FALLBACK", ""},
        ParseCase{"SemicolonInSysPasswordReachesServer", "Data Source=S;", "a;b", "S", "a;b"}),
    [](const ::testing::TestParamInfo<ParseCase>& i) { return std::string(i.param.name); });

TEST(FindConnectionItem, TakesTheFirstOccurrenceOnly) {
    std::string v;
    EXPECT_TRUE(FindConnectionItem("Data Source=A;data source=B;", "DATA SOURCE=", v));
    EXPECT_EQ(v, "A");
    EXPECT_TRUE(FindConnectionItem("Password=;", "PASSWORD=", v));
    EXPECT_EQ(v, "");
    v = "kept";
    EXPECT_FALSE(FindConnectionItem("Pwd=x;", "PASSWORD=", v));
    EXPECT_EQ(v, "kept");
    // Chinese text before the key does not shift the value.
    EXPECT_TRUE(FindConnectionItem("说明=测试;Password= 密码 ;", "PASSWORD=", v));
    EXPECT_EQ(v, "密码");
}

// ---- the proving connection and the outcome --------------------------------------------------------------

TEST_F(LoginTest, ProvenSignInCopiesTheComponentFields) {
    InstallT6();
    EXPECT_TRUE(Run());
    EXPECT_TRUE(login->Success());
    EXPECT_EQ(ProvingText(), "Provider=SQLOLEDB;Server=SRV01;Database=UFdata_001_2015;Uid=SA;Pwd=Secret;");
    EXPECT_EQ(login->DBUser(), "SA");
    EXPECT_EQ(login->DBName(), "UFdata_001_2015");
    EXPECT_EQ(login->AccID(), "001");
    EXPECT_EQ(login->AccName(), "");
    EXPECT_EQ(login->Year(), "2015");
    EXPECT_EQ(login->Subname(), "DP");
    EXPECT_EQ(login->UserId(), "admin");
    EXPECT_EQ(login->Username(), "系统管理员");
    EXPECT_EQ(login->Userpassword(), "pw-of-admin");
    EXPECT_TRUE(dialog.shown.empty());
}

TEST_F(LoginTest, SystemDatabaseWhenAccountOrYearIsEmpty) {
    InstallT6();
    for (auto [acc, year] : {std::pair{"", "2015"}, std::pair{"001", ""}, std::pair{"", ""}}) {
        component.accId = acc;
        component.year = year;
        connections.created.clear();
        EXPECT_TRUE(Run());
        EXPECT_EQ(login->DBName(), "UFSystem");
        EXPECT_EQ(ProvingText(), "Provider=SQLOLEDB;Server=SRV01;Database=UFSystem;Uid=SA;Pwd=Secret;");
    }
}

TEST_F(LoginTest, YearGivenAsNumberNamesTheDatabase) {
    InstallT6();
    automation.Install(progid::kU8Login, [this] {
        auto o = component.Make(progid::kU8Login);
        o->props["ciyear"] = AutoValue::Number(2016);
        return o;
    });
    EXPECT_TRUE(Run());
    EXPECT_EQ(login->DBName(), "UFdata_001_2016");
    EXPECT_EQ(login->Year(), "2016");
}

TEST_F(LoginTest, RefusedConnectionAcceptedForAdministratorShareString) {
    RefuseConnections();
    component.share = "系统管理员不能进行业务处理";
    InstallT6();
    EXPECT_TRUE(Run());
    EXPECT_TRUE(login->Success());
    EXPECT_EQ(login->Server(), "SRV01");
    EXPECT_EQ(login->DBPwd(), "Secret");
    EXPECT_EQ(login->AccID(), "");  // not copied
    EXPECT_EQ(login->Username(), "");
}

TEST_F(LoginTest, RefusedConnectionFailsOtherwise) {
    RefuseConnections();
    InstallT6();
    for (const char* share : {"", "系统管理员不能进行业务处理。", "其他错误"}) {
        component.share = share;
        EXPECT_FALSE(Run());
        EXPECT_FALSE(login->Success());
        EXPECT_EQ(login->Version(), "T6");
        EXPECT_EQ(login->Server(), "SRV01");  // left as the failed run found it
        EXPECT_EQ(login->AccID(), "");
    }
    EXPECT_TRUE(dialog.shown.empty());
}

TEST_F(LoginTest, NoConnectionFactoryMeansNotProven) {
    Platform p;
    p.automation = &automation;
    login = std::make_unique<ClsUFLogin>(p, &dialog);
    InstallT6();
    EXPECT_FALSE(Run());
    EXPECT_EQ(login->SQLConn(), nullptr);
}

TEST_F(LoginTest, SQLConnIsANewUnopenedConnectionWithTheSameText) {
    EXPECT_EQ(login->SQLConn(), nullptr);
    InstallT6();
    ASSERT_TRUE(Run());
    auto conn = login->SQLConn();
    ASSERT_TRUE(conn);
    EXPECT_EQ(conn->State(), 0);
    EXPECT_EQ(conn->ConnectionString(), ProvingText());
    EXPECT_EQ(connections.created.size(), 2u);
    std::string error;
    EXPECT_TRUE(conn->Open("", error));
    EXPECT_EQ(connections.created.back()->connectionString, ProvingText());
    EXPECT_NE(login->SQLConn(), conn);
}

TEST_F(LoginTest, SecondRegeditStartsFromAFreshOutcome) {
    InstallT6();
    ASSERT_TRUE(Run());
    InstallU8FrontEnd();
    EXPECT_FALSE(Run());
    EXPECT_FALSE(login->Success());
    EXPECT_EQ(login->Version(), "U8");
    EXPECT_EQ(login->Server(), "SRV01");  // give-up keeps what is there
}

// ---- the other members -----------------------------------------------------------------------------------

TEST_F(LoginTest, EmptySubsystemBecomesDP) {
    InstallT6();
    std::string sub, acc = "001", year = "2015", user = "u", pwd = "p", date = "2015-01-01", srv = "s";
    login->Regedit(sub, acc, year, user, pwd, date, srv);
    EXPECT_EQ(sub, "DP");
    EXPECT_EQ(acc + year + user + pwd + date + srv, "0012015up2015-01-01s");
    sub = "GL";
    login->Regedit(sub, acc, year, user, pwd, date, srv);
    EXPECT_EQ(sub, "GL");
}

TEST_F(LoginTest, ShutDownEndsTheLoginOnce) {
    InstallT6();
    login->ShutDown();  // nothing to end yet
    ASSERT_TRUE(Run());
    auto obj = LastLogin();
    EXPECT_EQ(login->oLogin(), obj);
    login->ShutDown();
    login->ShutDown();
    EXPECT_EQ(obj->CallsOf("ShutDown").size(), 1u);
}

TEST_F(LoginTest, ObjectPropertiesWithAndWithoutASignIn) {
    EXPECT_EQ(login->oLogin(), nullptr);
    EXPECT_EQ(login->oUfSystemdb(), nullptr);
    InstallT6();
    InstallT3();
    EXPECT_EQ(std::static_pointer_cast<FakeObject>(login->oLogin())->progId, progid::kT3Login);
    automation.classes.erase(progid::kT3Login);
    ASSERT_TRUE(Run());
    EXPECT_EQ(login->oLogin(), LastLogin());
    EXPECT_NE(login->oUfSystemdb(), nullptr);
    LastLogin()->failing["UfSystemDb"] = AutoError::Make(438);
    EXPECT_EQ(login->oUfSystemdb(), nullptr);
}

TEST(MakeProductLogin, BringsItsOwnFactoryWhenThePlatformHasNone) {
    AppState app{Platform{}};
    RecordingDialog dialog;
    app.makeLoginWrapper = [&] { return MakeProductLogin(app, &dialog); };
    LoginWrapper& w = app.UFLogin();
    std::string a[7];
    EXPECT_FALSE(w.Regedit(a[0], a[1], a[2], a[3], a[4], a[5], a[6]));  // no class exists off Windows
    EXPECT_EQ(a[0], "DP");
    EXPECT_EQ(w.Version(), "");
    EXPECT_TRUE(dialog.shown.empty());
}

} // namespace
