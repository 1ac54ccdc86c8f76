#pragma once
// The platform every engine test starts from: one stand-in for every adapter, reaching nothing of this
// computer — no server opens, no file exists, no page loads, no shell opens, no registry key opens, no
// automation class is registered (as off Windows), the instance key is free, the clock and the computer
// name are fixed, there is no tool folder. A test points any one at its own before building its state:
// `platform.files = realFiles; AppState app(platform);`.
#include "platform/Automation.h"
#include "platform/FileSystem.h"
#include "platform/HttpClient.h"
#include "platform/Platform.h"
#include "platform/SystemServices.h"
#include "support/FakeConnection.h"

#include <chrono>

namespace qmtest {

// The stand-in clock's time, 2015-01-02 03:04:05 UTC, as a file moved aside is stamped in UTC.
inline constexpr const char* kStamp = "20150102030405";

struct NothingReal : qm::ConnectionFactory,
                     qm::FileSystem,
                     qm::HttpClient,
                     qm::InstanceGuard,
                     qm::Shell,
                     qm::Clock,
                     qm::Registry,
                     qm::SystemInfo,
                     qm::AutomationFactory {
    using S = const std::string&;
    static bool Refuse(std::string& error, const char* what) { return error = what, false; }

    std::shared_ptr<qm::Connection> Create() override {
        auto c = std::make_shared<FakeConnection>();
        c->openError = "[测试] 没有服务器";
        return c;
    }
    bool Exists(S) override { return false; }
    bool Copy(S, S, std::string& e) override { return Refuse(e, "[测试] 没有文件"); }
    bool Move(S, S, std::string& e) override { return Refuse(e, "[测试] 没有文件"); }
    bool Remove(S, std::string& e) override { return Refuse(e, "[测试] 没有文件"); }
    bool ReadLines(S, std::vector<std::string>&) override { return false; }
    bool ReadAll(S, std::string&, std::string& e) override { return Refuse(e, "[测试] 没有文件"); }
    bool WriteAtomic(S, S, std::string& e) override { return Refuse(e, "[测试] 没有文件"); }
    bool MakeFolder(S, std::string& e) override { return Refuse(e, "[测试] 没有文件"); }
    bool Get(S, std::string&, std::string& e) override { return Refuse(e, "[测试] 没有网络"); }
    bool TryAcquire(S) override { return true; }
    void Open(S) override {}
    std::chrono::system_clock::time_point Now() override { return std::chrono::system_clock::from_time_t(1420167845); }
    bool CanOpenLocalMachineKey(S) override { return false; }
    std::string ComputerName() override { return "WS-ACCT01"; }
    std::string UserName() override { return "Administrator"; }
    std::string LocalAppDataFolder() override { return {}; }
    std::shared_ptr<qm::AutomationObject> Create(S, qm::AutoError& err) override {
        err = qm::AutoError::Make(qm::autoerr::kCannotCreate);
        return nullptr;
    }
};

// Not copied: the platform part that AppState keeps still names the stand-ins, so a TestPlatform
// outlives whatever it was handed to.
class TestPlatform : private NothingReal, public qm::Platform {
public:
    TestPlatform() : qm::Platform{*this, *this, *this, *this, *this, *this, *this, *this, *this, {}} {}
    TestPlatform(const TestPlatform&) = delete;
    TestPlatform& operator=(const TestPlatform&) = delete;
};

} // namespace qmtest
