#pragma once
// What the repair benchmarks share: a connection that times every call into the simulator, and a run
// over N suspect databases on a fresh in-process simulator.
#include "app/AppState.h"
#include "app/Db.h"
#include "discovery/AccountGrid.h"
#include "platform/LocalFileSystem.h"
#include "platform/SystemServices.h"
#include "repair/Repair.h"
#include "sqlsim/Engine.h"
#include "sqlsim/InProcess.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace bench {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

class TimedConnection : public qm::Connection {
public:
    explicit TimedConnection(std::shared_ptr<qm::Connection> inner) : inner_(std::move(inner)) {}
    bool Open(const std::string& cs, std::string& error) override { return inner_->Open(cs, error); }
    int State() const override { return inner_->State(); }
    void SetCommandTimeout(int s) override { inner_->SetCommandTimeout(s); }
    int CommandTimeout() const override { return inner_->CommandTimeout(); }
    const std::string& ConnectionString() const override { return inner_->ConnectionString(); }
    qm::SqlResult Execute(const std::string& sql) override {
        const auto t0 = Clock::now();
        qm::SqlResult r = inner_->Execute(sql);
        last = Clock::now() - t0;
        inside += last;
        ++statements;
        return r;
    }
    Clock::duration inside{}, last{};
    long statements = 0;

private:
    std::shared_ptr<qm::Connection> inner_;
};

struct SystemClock : qm::Clock {
    std::chrono::system_clock::time_point Now() override { return std::chrono::system_clock::now(); }
};

inline std::string Name(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "UFDATA_%03d_2015", i + 1);
    return name;
}

struct RunFigures {
    double totalMs = 0, insideMs = 0;
    long statements = 0;
    std::string summary;
    bool ok = false;
};

// One repair run over `rows` suspect databases (2005), every row ticked, the check after each repair
// on or off; `watch` (may be null) is the run's progress, given the timed connection first. Works in
// /tmp so that the whole data path is upper case, as the driver's upper-casing needs.
struct Watch : qm::RepairProgress {
    TimedConnection* conn = nullptr;
    void RunStarted(int) override {}
    void RowDone(int, int, const std::string&) override {}
    bool StopRequested() override { return false; }
};
inline RunFigures RunOnce(int rows, bool verify, Watch* watch = nullptr) {
    RunFigures f;
    std::filesystem::current_path("/tmp");
    const std::string root = "QMREP-BENCH-" + std::to_string(::getpid()), dataDir = root + "/DATA";
    std::filesystem::remove_all(root);
    std::string json = R"({"version": "9.00.4035.00", "edition": "Standard Edition", "language": "zh-CN",
        "logins": {"sa": ""}, "databases": [)";
    for (int i = 0; i < rows; ++i) json += std::string(i ? "," : "") + R"({"name": ")" + Name(i) + R"(", "state": "SUSPECT"})";
    std::string error;
    auto engine = sqlsim::Engine::FromJson(json + "]}", dataDir, error);
    qm::LocalFileSystem files;
    SystemClock clock;
    qm::Platform platform;
    platform.files = &files;
    platform.clock = &clock;
    qm::AppState app(platform);
    auto timed = engine ? std::make_shared<TimedConnection>(sqlsim::MakeInProcessConnection(engine)) : nullptr;
    if (!timed || !timed->Open(qm::BuildConnectionString("127.0.0.1", "master", "sa", ""), error)) {
        std::fprintf(stderr, "scenario or open: %s\n", error.c_str());
        return f;
    }
    app.oMaster = timed;
    app.cSQLVersion = "SQL Server 2005 SP3 标准版";
    app.cProduct = "U8";
    qm::MainModel m;
    m.bVerify = verify;
    m.grid.AppendRow({"DB", "选择", "账套号", "账套名称", "年度", "路径", "报告", "校验"});
    for (int i = 0; i < rows; ++i) m.grid.AppendRow({Name(i), "Y", "001", "演示", "2015", dataDir + "/" + Name(i) + ".MDF", ""});
    m.iAccCount = int16_t(rows);

    const auto t0 = Clock::now();
    if (watch) watch->conn = timed.get();
    qm::Repair(app, m, watch);
    f.totalMs = Ms(Clock::now() - t0).count();
    f.insideMs = Ms(timed->inside).count();
    f.statements = timed->statements;
    f.summary = m.labReport.caption;
    f.ok = true;
    std::filesystem::remove_all(root);
    return f;
}

} // namespace bench
