// A repair run over 200 suspect databases on the in-process simulator: the wall time of the run and
// the time per row spent outside the simulator (the engine's own work: texts, file checks, moves); then
// what the check after each repair costs beyond the server's answer (expected: one more statement per
// row, and next to no work of the engine's own).
#include "app/AppState.h"
#include "app/Db.h"
#include "discovery/AccountGrid.h"
#include "platform/LocalFileSystem.h"
#include "repair/Repair.h"
#include "sqlsim/Engine.h"
#include "sqlsim/InProcess.h"
#include "support/TestPlatform.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

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

std::string Name(int i) {
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

// The run's progress: per check, the span from its start to its cell being written, less the
// simulator's answer to it.
struct Watch : qm::RepairProgress {
    void RunStarted(int) override {}
    void RowDone(int, int, const std::string&) override {}
    void Verifying(int, const std::string&) override { started = Clock::now(); }
    void Verified(int, const std::string&) override {
        own += (Clock::now() - started) - conn->last;
        server += conn->last;
        ++checks;
    }
    TimedConnection* conn = nullptr;
    Clock::time_point started;
    Clock::duration own{}, server{};
    int checks = 0;
};

// One repair run over `rows` suspect databases (2005), every row ticked, the check after each repair
// on or off. Works in /tmp so that the whole data path is upper case, as the
// driver's upper-casing needs.
RunFigures RunOnce(int rows, bool verify, Watch& watch) {
    RunFigures f;
    std::filesystem::current_path("/tmp");
    const std::string root = "QMREP-BENCH-" + std::to_string(::getpid()), dataDir = root + "/DATA";
    std::filesystem::remove_all(root);
    std::string json = R"({"version": "9.00.4035.00", "edition": "Standard Edition", "language": "zh-CN",
        "logins": {"sa": ""}, "databases": [)";
    for (int i = 0; i < rows; ++i)
        json += std::string(i ? "," : "") + R"({"name": ")" + Name(i) + R"(", "state": "SUSPECT"})";
    std::string error;
    auto engine = sqlsim::Engine::FromJson(json + "]}", dataDir, error);
    qm::LocalFileSystem files;
    qmtest::TestPlatform platform;
    platform.files = files;
    qm::AppState app(platform);
    auto timed = engine ? std::make_shared<TimedConnection>(sqlsim::MakeInProcessConnection(engine)) : nullptr;
    if (!timed || !timed->Open(qm::BuildConnectionString("127.0.0.1", "master", "sa", ""), error)) {
        std::fprintf(stderr, "scenario or open: %s\n", error.c_str());
        return f;
    }
    app.oMaster = timed;
    app.cSQLVersion = "SQL Server 2005 SP3 标准版";
    app.versionClass = qm::VersionClass::Sql2005;
    app.cProduct = "U8";
    qm::MainModel m;
    m.bVerify = verify;
    m.grid.AppendRow({"DB", "选择", "账套号", "账套名称", "年度", "路径", "报告", "校验"});
    for (int i = 0; i < rows; ++i)
        m.grid.AppendRow({Name(i), "Y", "001", "演示", "2015", dataDir + "/" + Name(i) + ".MDF", ""});
    m.iAccCount = int16_t(rows);

    const auto t0 = Clock::now();
    watch.conn = timed.get();
    qm::Repair(app, m, &watch);
    f.totalMs = Ms(Clock::now() - t0).count();
    f.insideMs = Ms(timed->inside).count();
    f.statements = timed->statements;
    f.summary = m.labReport.caption;
    f.ok = true;
    std::filesystem::remove_all(root);
    return f;
}

double PerRowUs(Clock::duration d, int rows) { return std::chrono::duration<double, std::micro>(d).count() / rows; }

} // namespace

int main() {
    constexpr int kRows = 200, kRuns = 5;
    Watch none;
    const RunFigures off = RunOnce(kRows, false, none);
    if (!off.ok) return 1;
    std::printf("rows: %d, statements: %ld, summary: %s\n", kRows, off.statements, off.summary.c_str());
    std::printf("total: %.1f ms, inside the simulator: %.1f ms, outside per row: %.1f us\n", off.totalMs, off.insideMs,
                (off.totalMs - off.insideMs) * 1000 / kRows);
    // The check's own cost is a few microseconds among a millisecond of file work: the best of a few runs.
    double own = 0, server = 0;
    long statements = 0;
    for (int run = 0; run < kRuns; ++run) {
        Watch watch;
        const RunFigures on = RunOnce(kRows, true, watch);
        if (!on.ok || watch.checks != kRows) return 1;
        if (run == 0 || PerRowUs(watch.own, kRows) < own)
            own = PerRowUs(watch.own, kRows), server = PerRowUs(watch.server, kRows), statements = on.statements;
    }
    std::printf(
        "with the check: %+.2f statements per row; per check %.1f us the simulator's answer, %.1f us the "
        "engine's own (best of %d runs)\n",
        double(statements - off.statements) / kRows, server, own, kRuns);
    return 0;
}
