#pragma once
// A scripted login component and the wrapper under test, wired to fakes of every platform service.
#include "login/ClsUFLogin.h"

#include "FakeAutomation.h"
#include "support/FakeConnection.h"

#include <gtest/gtest.h>

namespace qmtest {

using qm::AutoError;
using qm::AutoValue;
namespace progid = qm::progid;

inline AutoValue T(const std::string& s) { return AutoValue::Text(s); }

// The login object of T6 ("U8Login.clsLogin") or T3 ("UFLoginSQL.Login") as a test scripts it. Each
// creation makes a new object; the n-th one reports accNames[n] as cAccName ("" after the list).
struct Component {
    std::vector<std::string> accNames;
    AutoValue logState = AutoValue::Number(0);
    bool refuseDirectLogin = false;
    std::string dbConnect = "Provider=SQLOLEDB;Persist Security Info=True;User ID=sa;Password=Secret;"
                            "Data Source=SRV01;Initial Catalog=UFSystem;";
    std::string sysPassword, cServer = "FALLBACK", accId = "001", year = "2015", share;
    std::shared_ptr<FakeObject> inner = std::make_shared<FakeObject>("Login()");
    size_t made = 0;

    std::shared_ptr<FakeObject> Make(const std::string& progId) {
        auto o = std::make_shared<FakeObject>(progId);
        size_t pass = made++;
        o->props["cAccName"] = T(pass < accNames.size() ? accNames[pass] : "");
        o->props["LogState"] = logState;
        auto sys = std::make_shared<FakeObject>("UfSystemDb");
        sys->props["DbConnect"] = T(dbConnect);
        o->props["UfSystemDb"] = AutoValue::Object(sys);
        o->props["UfDbName"] = T("UFDATA connection text");
        o->props["SysPassword"] = T(sysPassword);
        o->props["cServer"] = T(cServer);
        o->props["cacc_id"] = T(accId);
        o->props["ciyear"] = T(year);
        o->props["cSubname"] = T("DP");
        o->props["cUserID"] = T("admin");
        o->props["cUsername"] = T("系统管理员");
        o->props["cUserpassword"] = T("pw-of-admin");
        o->props["sharestring"] = T(share);
        auto in = inner;
        bool refuse = refuseDirectLogin;
        auto refused = [](AutoError& err) {
            err = FakeAutomationFactory::Error(-2147217843, "用户不能登录");
            return false;
        };
        o->methods["Login"] = [in, refuse, refused](const std::vector<AutoValue>& a, AutoValue& r, AutoError& e) {
            if (a.empty()) {
                r = AutoValue::Object(in);
                return true;
            }
            if (a.size() == 7 && refuse) return refused(e);
            return true;
        };
        o->methods["LoginAs"] = [refuse, refused](const std::vector<AutoValue>&, AutoValue&, AutoError& e) {
            return refuse ? refused(e) : true;
        };
        auto ok = [](const std::vector<AutoValue>&, AutoValue&, AutoError&) { return true; };
        o->methods["ClearError"] = ok;
        o->methods["ShutDown"] = ok;
        return o;
    }
};

class LoginTest : public ::testing::Test {
protected:
    void SetUp() override {
        qm::Platform p;
        p.automation = &automation;
        p.registry = &registry;
        p.system = &system;
        p.connections = &connections;
        login = std::make_unique<qm::ClsUFLogin>(p, &dialog);
        automation.Install(progid::kUfDatabase, [] {
            auto db = std::make_shared<FakeObject>(progid::kUfDatabase);
            db->methods["OpenDatabase"] = [](const std::vector<AutoValue>&, AutoValue&, AutoError&) { return true; };
            return db;
        });
    }

    void InstallT6() {
        automation.Install(progid::kU8Login, [this] { return component.Make(progid::kU8Login); });
    }
    void InstallT3() {
        automation.Install(progid::kT3Login, [this] { return component.Make(progid::kT3Login); });
    }
    void InstallU8FrontEnd() {
        automation.Install(progid::kU8FrontEnd, [] { return std::make_shared<FakeObject>(progid::kU8FrontEnd); });
    }
    void RefuseConnections() {
        connections.prepare = [](FakeConnection& c) { c.openError = "[SQL Server]用户 'SA' 登录失败。"; };
    }

    bool Run() {
        std::string a[7];
        return login->Regedit(a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
    }
    std::shared_ptr<FakeObject> LastLogin(const char* progId = progid::kU8Login) {
        auto all = automation.CreatedOf(progId);
        return all.empty() ? nullptr : all.back();
    }
    std::string ProvingText() {
        return connections.created.empty() ? std::string("<none>") : connections.created.front()->connectionString;
    }

    FakeAutomationFactory automation;
    FakeRegistry registry;
    FakeSystemInfo system;
    FakeConnectionFactory connections;
    RecordingDialog dialog;
    Component component;
    std::unique_ptr<qm::ClsUFLogin> login;
};

} // namespace qmtest
