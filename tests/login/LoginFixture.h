#pragma once
// Scriptable stand-ins for the product's automation components and platform services, and the login
// wrapper under test wired to them.
#include "app/Interfaces.h"
#include "login/ClsUFLogin.h"
#include "platform/SystemServices.h"
#include "platform/Text.h"
#include "support/FakeConnection.h"
#include "support/TestPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qmtest {

using qm::AutoError;
using qm::AutoValue;
namespace progid = qm::progid;
using Calls = std::vector<std::vector<std::string>>;

inline AutoValue T(const std::string& s) { return AutoValue::Text(s); }

struct CaseLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return qm::AsciiLower(a) < qm::AsciiLower(b);
    }
};

// Members answer in any letter case, as IDispatch does; every call is recorded with its argument texts.
class FakeObject : public qm::AutomationObject {
public:
    using Method = std::function<bool(const std::vector<AutoValue>&, AutoValue&, AutoError&)>;
    explicit FakeObject(std::string id = {}) : progId(std::move(id)) {}

    bool Call(const std::string& m, const std::vector<AutoValue>& args, AutoValue& r, AutoError& e) override {
        auto& texts = calls[m].emplace_back();
        for (const auto& a : args) texts.push_back(a.toText());
        if (auto f = methods.find(m); f != methods.end()) return f->second(args, r, e);
        return args.empty() ? Get(m, r, e) : (e = AutoError::Make(qm::autoerr::kNoMember), false);
    }
    bool Get(const std::string& p, AutoValue& r, AutoError& e) override {
        auto f = props.find(p);
        if (f == props.end()) e = AutoError::Make(qm::autoerr::kNoMember);
        else r = f->second;
        return f != props.end();
    }
    bool Set(const std::string& p, const AutoValue& v, AutoError&) override { return props[p] = v, true; }
    Calls CallsOf(const std::string& member) { return calls[member]; }

    std::string progId;
    std::map<std::string, AutoValue, CaseLess> props;
    std::map<std::string, Method, CaseLess> methods;
    std::map<std::string, Calls, CaseLess> calls;
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

struct RecordingDialog : qm::MsgDialog {
    int ShowMsg(int kind, const std::string& message) override {
        shown.push_back(std::to_string(kind) + " " + message);
        return -1;
    }
    std::vector<std::string> shown;  // "kind message"
};

// The login object of T6 ("U8Login.clsLogin") or T3 ("UFLoginSQL.Login") as a test scripts it: an
// administrator who signs in at once. Each creation makes a new object.
struct Component {
    AutoValue year = T("2015");
    std::string dbConnect = "Provider=SQLOLEDB;Persist Security Info=True;User ID=sa;Password=Secret;"
                            "Data Source=SRV01;Initial Catalog=UFSystem;";
    std::string sysPassword, cServer = "FALLBACK", accId = "001";

    std::shared_ptr<FakeObject> Make(const std::string& progId) {
        auto o = std::make_shared<FakeObject>(progId), sys = std::make_shared<FakeObject>("UfSystemDb");
        sys->props["DbConnect"] = T(dbConnect);
        o->props = {{"cAccName", T("")}, {"LogState", AutoValue::Number(0)}, {"UfSystemDb", AutoValue::Object(sys)},
                    {"UfDbName", T("UFDATA connection text")}, {"SysPassword", T(sysPassword)},
                    {"cServer", T(cServer)}, {"cacc_id", T(accId)}, {"ciyear", year}, {"sharestring", T("")}};
        for (const char* m : {"Login", "LoginAs", "ClearError", "ShutDown"})
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
        automation.classes[progid::kUfDatabase] = [] {
            auto db = std::make_shared<FakeObject>(progid::kUfDatabase);
            db->methods["OpenDatabase"] = [](auto&, auto&, auto&) { return true; };
            return db;
        };
        Install(progid::kU8Login);
    }
    void Install(const char* id) {
        automation.classes[id] = [this, id] { return component.Make(id); };
    }
    void InstallU8FrontEnd() {
        automation.classes[progid::kU8FrontEnd] = [] { return std::make_shared<FakeObject>(progid::kU8FrontEnd); };
    }
    bool Run() {
        std::string a[7];
        return login->Regedit(a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
    }
    std::string ProvingText() { return connections.created.at(0)->connectionString; }

    FakeAutomationFactory automation;
    FakeConnectionFactory connections;
    TestPlatform platform;
    RecordingDialog dialog;
    Component component;
    std::unique_ptr<qm::ClsUFLogin> login;
};

} // namespace qmtest
