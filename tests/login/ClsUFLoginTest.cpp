// The product login wrapper against scripted automation objects: which creation errors count as not
// installed, what is taken out of the connection text, and the wrapper's other members; and the null-safe
// calls of the automation layer. The roads of the sign-in itself, and values crossing a real IDispatch,
// run against a registered COM component under Wine (tests/windows/LoginComTest.cpp).
#include "app/Db.h"
#include "app/Interfaces.h"
#include "login/ClsUFLogin.h"
#include "platform/SystemServices.h"
#include "platform/Text.h"
#include "support/FakeConnection.h"
#include "support/Seams.h"
#include "support/TestPlatform.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace qmtest;

namespace {

using Texts = std::vector<std::string>;

AutoValue T(const std::string& s) { return AutoValue::Text(s); }

struct CaseLess {
    bool operator()(const std::string& a, const std::string& b) const { return AsciiLower(a) < AsciiLower(b); }
};

// Members answer in any letter case, as IDispatch does.
class FakeObject : public qm::AutomationObject {
public:
    using Method = std::function<bool(const std::vector<AutoValue>&, AutoValue&, AutoError&)>;
    explicit FakeObject(std::string id = {}) : progId(std::move(id)) {}

    bool Call(const std::string& m, const std::vector<AutoValue>& args, AutoValue& r, AutoError& e) override {
        if (auto f = methods.find(m); f != methods.end()) return f->second(args, r, e);
        return args.empty() ? Get(m, r, e) : (e = AutoError::Make(qm::autoerr::kNoMember), false);
    }
    bool Get(const std::string& p, AutoValue& r, AutoError& e) override {
        const auto f = props.find(p);
        return f != props.end() ? (r = f->second, true) : (e = AutoError::Make(qm::autoerr::kNoMember), false);
    }
    bool Set(const std::string& p, const AutoValue& v, AutoError&) override { return props[p] = v, true; }

    std::string progId;
    std::map<std::string, AutoValue, CaseLess> props;
    std::map<std::string, Method, CaseLess> methods;
};

// Creates the installed classes; a class with an entry in `failures` fails with that error.
struct FakeAutomationFactory : qm::AutomationFactory {
    std::shared_ptr<qm::AutomationObject> Create(const std::string& progId, AutoError& err) override {
        auto c = classes.find(progId);
        if (auto f = failures.find(progId); f != failures.end() || c == classes.end()) {
            err = f != failures.end() ? f->second : AutoError::Make(qm::autoerr::kCannotCreate);
            return nullptr;
        }
        return created.emplace_back(c->second());
    }
    std::map<std::string, std::function<std::shared_ptr<FakeObject>()>> classes;
    std::map<std::string, AutoError> failures;
    std::vector<std::shared_ptr<FakeObject>> created;
};

// The login object of T6 ("U8Login.clsLogin") or T3 ("UFLoginSQL.Login") as a test scripts it: an
// administrator who signs in at once; the account database object opens at once. Each creation makes a
// new object.
struct Component {
    AutoValue year = T("2015");
    std::string dbConnect =
        "Provider=SQLOLEDB;Persist Security Info=True;User ID=sa;Password=Secret;"
        "Data Source=SRV01;Initial Catalog=UFSystem;";
    std::string sysPassword, cServer = "FALLBACK", accId = "001";

    std::shared_ptr<FakeObject> Make(const std::string& progId) {
        auto o = std::make_shared<FakeObject>(progId), sys = std::make_shared<FakeObject>("UfSystemDb");
        sys->props["DbConnect"] = T(dbConnect);
        o->props = {{"cAccName", T("")},
                    {"LogState", AutoValue::Number(0)},
                    {"UfSystemDb", AutoValue::Object(sys)},
                    {"UfDbName", T("UFDATA connection text")},
                    {"SysPassword", T(sysPassword)},
                    {"cServer", T(cServer)},
                    {"cacc_id", T(accId)},
                    {"ciyear", year},
                    {"sharestring", T("")}};
        for (const char* m : {"Login", "LoginAs", "ClearError", "ShutDown", "OpenDatabase"})
            o->methods[m] = [](auto&, auto&, auto&) { return true; };
        return o;
    }
};

// The wrapper with T6's login object and the account database object installed.
class LoginTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The test's automation classes and connections; the stand-ins' registry (no U8 key) and computer name.
        platform.automation = automation;
        platform.connections = connections;
        login = std::make_unique<qm::ClsUFLogin>(platform, &dialog);
        Install(progid::kUfDatabase);
        Install(progid::kU8Login);
    }
    void Install(const char* id) {
        automation.classes[id] = [this, id] { return component.Make(id); };
    }
    bool Run() { return SignIn(*login); }
    std::string ProvingText() { return connections.created.at(0)->connectionString; }

    FakeAutomationFactory automation;
    FakeConnectionFactory connections;
    TestPlatform platform;
    RecordingDialog dialog;
    Component component;
    std::unique_ptr<qm::ClsUFLogin> login;
};

// ---- which creation errors mean "not installed" ---------------------------------------------------------

TEST_F(LoginTest, CreationErrorsDecideWhichComponentIsUsed) {
    Install(progid::kT3Login);
    const AutoError automationError{-2147467259, "自动化错误"};
    struct Case {
        const char* failing; // the class whose creation fails
        AutoError error;
        bool result;
        const char* version;
        Texts shown;
    };
    // clang-format off
    const Case cases[] = {
        {progid::kU8FrontEnd, automationError, true, "T6", {}},  // the U8 10.x class is not installed
        {progid::kU8Login, AutoError::Make(429), true, "T3", {}},
        {progid::kU8Login, AutoError::Make(438), true, "T3", {}},
        {progid::kU8Login, AutoError{-2147024770, "自动化错误"}, true, "T3", {}},
        {progid::kU8Login, AutoError::Make(91), false, "T6", {"4 请检查用友软件系统安装是否正常，是否能正常登录及使用！"}},
    };
    // clang-format on
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
    // clang-format off
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
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dbConnect + " / " + c.sysPassword);
        component.dbConnect = c.dbConnect;
        component.sysPassword = c.sysPassword;
        connections.created.clear();
        login = std::make_unique<ClsUFLogin>(platform, &dialog); // a found server outlives a run
        EXPECT_TRUE(Run());
        EXPECT_EQ(login->Server() + "|" + login->DBPwd(), c.server + "|" + c.password);
        EXPECT_EQ(ProvingText(), BuildConnectionString(c.server, "UFdata_001_2015", "SA", c.password));
    }
}

TEST_F(LoginTest, TheProvingDatabaseIsTheAccountsOrTheSystemDatabase) {
    component.year = AutoValue::Number(2016); // a number names the database the same way
    EXPECT_TRUE(Run());
    EXPECT_EQ(login->DBName() + "|" + login->Year(), "UFdata_001_2016|2016");
    for (auto [acc, year] : {std::pair{"", "2015"}, std::pair{"001", ""}}) { // no account: the system database
        component.accId = acc;
        component.year = T(year);
        connections.created.clear();
        EXPECT_TRUE(Run());
        EXPECT_EQ(login->DBName(), "UFSystem");
        EXPECT_EQ(ProvingText(), "Provider=SQLOLEDB;Server=SRV01;Database=UFSystem;Uid=SA;Pwd=Secret;");
    }
}

// SQLConn: none before the sign-in, then a new unopened one each time; a second Regedit starts afresh.
TEST_F(LoginTest, SQLConnIsANewUnopenedConnectionAndASecondRegeditStartsFromAFreshOutcome) {
    EXPECT_EQ(login->SQLConn(), nullptr);
    ASSERT_TRUE(Run());
    auto conn = login->SQLConn();
    ASSERT_TRUE(conn);
    EXPECT_EQ(conn->State(), 0); // made by the factory, not opened
    EXPECT_EQ(conn->ConnectionString(), ProvingText());
    EXPECT_NE(login->SQLConn(), conn);
    Install(progid::kU8FrontEnd);
    EXPECT_FALSE(Run());
    EXPECT_FALSE(login->Success());
    EXPECT_EQ(login->Version(), "U8");
    EXPECT_EQ(login->Server(), "SRV01"); // give-up keeps what is there
}

// ---- the other members -----------------------------------------------------------------------------------

TEST_F(LoginTest, ShutDownEndsTheLoginOnceAndObjectsFollowTheSignIn) {
    EXPECT_EQ(login->oUfSystemdb(), nullptr);
    Install(progid::kT3Login); // before a sign-in: a new T3 object
    EXPECT_EQ(std::static_pointer_cast<FakeObject>(login->oLogin())->progId, progid::kT3Login);
    automation.classes.erase(progid::kT3Login);
    login->ShutDown(); // nothing to end yet
    ASSERT_TRUE(Run());
    std::shared_ptr<FakeObject> obj;
    for (auto& o : automation.created) obj = o->progId == progid::kU8Login ? o : obj;
    EXPECT_EQ(login->oLogin(), obj);
    EXPECT_NE(login->oUfSystemdb(), nullptr);
    obj->props.erase("UfSystemDb");
    EXPECT_EQ(login->oUfSystemdb(), nullptr);
    int shutdowns = 0;
    obj->methods["ShutDown"] = [&](auto&, auto&, auto&) { return ++shutdowns, true; };
    login->ShutDown();
    login->ShutDown();
    EXPECT_EQ(shutdowns, 1);
}

TEST(Automation, NullObjectFailsWithNoObjectAndAFailedCallLeavesTheResultEmpty) {
    std::shared_ptr<AutomationObject> none;
    AutoValue v = AutoValue::Text("stale");
    AutoError err;
    for (int call = 0; call < 3; ++call) {
        err.Clear();
        EXPECT_FALSE(call == 0   ? AutoCall(none, "Login", {}, v, err)
                     : call == 1 ? AutoGet(none, "LogState", v, err)
                                 : AutoSet(none, "cUsername", AutoValue::Text("Admin"), err));
        EXPECT_EQ(std::to_string(err.number) + " " + err.description, "91 对象变量或 With 块变量未设置") << call;
    }
    EXPECT_TRUE(v.isEmpty());

    auto obj = std::make_shared<FakeObject>();
    obj->methods["Half"] = [](const std::vector<AutoValue>&, AutoValue& r, AutoError& e) {
        r = AutoValue::Number(1); // a partial result must not leak out
        e = AutoError::Make(5);
        return false;
    };
    EXPECT_FALSE(AutoCall(obj, "Half", {}, v, err));
    EXPECT_TRUE(v.isEmpty());
    EXPECT_EQ(err.number, 5);
    EXPECT_EQ(err.description, "自动化错误");
}

} // namespace
